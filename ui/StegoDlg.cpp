// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StegoDlg.h"

#include "hiding/CarrierPlan.h"
#include "hiding/Reveal.h"
#include "imaging/PictureFile.h"
#include "platform/gdi/Image.h"
#include "platform/kernel/Text.h"
#include "platform/mfc/File.h"
#include "platform/mfc/FileDialog.h"
#include "platform/shell/DragDrop.h"
#include "platform/shell/Shell.h"
#include "res/Resource.h"
#include "skin/ISkinControl.h"
#include "ui/AboutDlg.h"
#include "ui/AppDir.h"
#include "ui/PasswordDlg.h"

#include <cctype>
#include <cstring>
#include <new>
#include <string>
#include <sys/stat.h>

namespace
{
// Posted by OnInitDialog, so the file opens once the window runs, as a click would open it.
constexpr UINT WM_OPEN_START_IMAGE = WM_APP + 1;
} // namespace

// clang-format off
BEGIN_MESSAGE_MAP(CStegoDlg, CDialog)
ON_WM_SYSCOMMAND<&CStegoDlg::OnSysCommand>(),
ON_WM_PAINT<&CStegoDlg::OnPaint>(),
ON_WM_QUERYDRAGICON<&CStegoDlg::OnQueryDragIcon>(),
ON_NOTIFY<&CStegoDlg::OnSelchangePageTab>(TCN_SELCHANGE, IDC_PAGE_TAB),
ON_BN_CLICKED<&CStegoDlg::OnLoadText>(IDC_LOAD_TEXT),
ON_BN_CLICKED<&CStegoDlg::OnHide>(IDC_HIDE),
ON_BN_CLICKED<&CStegoDlg::OnUnhide>(IDC_UNHIDE),
ON_BN_CLICKED<&CStegoDlg::OnOpenImage>(IDC_OPEN_IMAGE),
ON_BN_CLICKED<&CStegoDlg::OnImagePage>(IDC_IMAGE_PAGE),
ON_BN_CLICKED<&CStegoDlg::OnTextPage>(IDC_TEXT_PAGE),
ON_BN_CLICKED<&CStegoDlg::OnAbout>(IDC_ABOUT),
ON_WM_HELPINFO<&CStegoDlg::OnHelpInfo>(),
ON_BN_CLICKED<&CStegoDlg::OnHelpButton>(IDC_HELP_BUTTON),
ON_EN_CHANGE<&CStegoDlg::OnChangeMessage>(IDC_MESSAGE_EDIT),
ON_WM_DROPFILES<&CStegoDlg::OnDropFiles>(),
ON_MESSAGE<&CStegoDlg::OnOpenStartImage>(WM_OPEN_START_IMAGE),
END_MESSAGE_MAP()

CStegoDlg::CStegoDlg(CWnd* pParent)
    : CDialog(IDD_MAIN, pParent), m_nCarrierSize(0), m_bCarrierConverted(false), m_pSkin(nullptr),
      m_strMessage("")
{
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}
// clang-format on

CStegoDlg::~CStegoDlg()
{
    if (m_pSkin)
        m_pSkin->Release();
}

void CStegoDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PAGE_TAB, m_tabPages);
    DDX_Control(pDX, IDC_PICTURE, m_picture);
    DDX_Text(pDX, IDC_MESSAGE_EDIT, m_strMessage);
    DDX_Control(pDX, IDC_SPLASH, m_splash);
}

BOOL CStegoDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu* pSysMenu = GetSystemMenu(FALSE))
    {
        CString strAboutMenu;
        strAboutMenu.LoadStringA(IDS_ABOUTBOX);
        if (!strAboutMenu.IsEmpty())
        {
            pSysMenu->AppendMenuA(MF_SEPARATOR);
            pSysMenu->AppendMenuA(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
        }
    }

    m_splash.LoadSplashFile(ProgramFolder() + "\\res\\Splash.spl");
    m_splash.ShowSplash(0);

    if (!ApplySkin(ProgramFolder() + "\\res\\Tessaply.skn"))
    {
        MessageBox("Could not load or apply the skin.", nullptr, MB_OK);
        PostMessage(WM_CLOSE, 0, 0);
        return FALSE;
    }

    GetDlgItem(IDC_IMAGE_PAGE)->SetFocus();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    GetDlgItem(IDC_UNHIDE)->EnableWindow(FALSE);
    GetDlgItem(IDC_HIDE)->EnableWindow(FALSE);
    // Screen readers call the picture by this text; the static never shows it.
    m_picture.SetWindowText("No picture");
    DragAcceptFiles();
    if (!m_strStartImage.IsEmpty())
        PostMessage(WM_OPEN_START_IMAGE, 0, 0);
    return TRUE;
}

void CStegoDlg::OpenImageOnStart(const CString& strPath)
{
    m_strStartImage = strPath;
}

LRESULT CStegoDlg::OnOpenStartImage(WPARAM, LPARAM)
{
    OpenImage(m_strStartImage);
    return 0;
}

// Keeps whatever QueryInterface stored in m_pSkin, also on failure: the destructor releases it.
BOOL CStegoDlg::ApplySkin(const CString& strSkinFile)
{
    IUnknown* pUnknown = nullptr; // borrowed from the control's window
    if (CWnd* pSkinWnd = GetDlgItem(IDC_SKIN))
        pUnknown = pSkinWnd->GetControlUnknown();
    ISkinControl* pOldSkin = m_pSkin;
    m_pSkin = nullptr;
    if (pUnknown)
        pUnknown->QueryInterface(IID_ISkinControl, reinterpret_cast<void**>(&m_pSkin));
    if (pOldSkin)
        pOldSkin->Release();
    if (!m_pSkin)
        return FALSE;

    const BstrPtr bstrSkinFile(strSkinFile.AllocSysString());
    if (FAILED(m_pSkin->LoadSkinFile(bstrSkinFile.get())))
        return FALSE;
    if (FAILED(m_pSkin->ApplySkinToWindow(m_hWnd.value)))
        return FALSE;

    struct SkinObject
    {
        int nID;
        LPCWSTR pszName;
    };
    static const SkinObject skinObjects[] = {
        {IDC_IMAGE_PAGE, u"buttontab1"},  {IDC_TEXT_PAGE, u"buttontab2"},
        {IDC_HELP_BUTTON, u"HelpButton"}, {IDC_OPEN_IMAGE, u"Button1"},
        {IDC_LOAD_TEXT, u"Button2"},      {IDC_UNHIDE, u"Button3"},
        {IDC_HIDE, u"Button4"},           {IDC_ABOUT, u"Button5"},
        {IDCANCEL, u"Button6"},
    };
    // A button the skin cannot dress keeps its plain look.
    for (const SkinObject& object : skinObjects)
    {
        CWnd* pButton = GetDlgItem(object.nID);
        m_pSkin->ApplySkinObject(pButton ? pButton->m_hWnd : HWND(), object.pszName);
    }
    return TRUE;
}

void CStegoDlg::OnOK()
{
    // The window closes only through the cancel command.
}

void CStegoDlg::OnCancel()
{
    // A message typed or loaded, and not yet hidden in a saved picture, would be lost.
    CString strText;
    if (CWnd* pEdit = GetDlgItem(IDC_MESSAGE_EDIT))
        pEdit->GetWindowText(strText);
    if (!strText.IsEmpty() && strText != m_strKeptMessage &&
        AfxMessageBox("Discard the message you typed?", MB_YESNO | MB_DEFBUTTON2, 0) != IDYES)
        return;
    CDialog::OnCancel();
}

void CStegoDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
    {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    }
    else
        CDialog::OnSysCommand(nID, lParam);
}

void CStegoDlg::OnPaint()
{
    if (!IsIconic())
    {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, dc.GetSafeHdc().value, 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    const int x = (rect.Width() - cxIcon + 1) / 2;
    const int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CStegoDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

void CStegoDlg::ShowImagePage(bool bPictureAlways)
{
    if (bPictureAlways || m_picture.SendMessage(STM_GETIMAGE, IMAGE_BITMAP, 0))
        GetDlgItem(IDC_PICTURE)->ShowWindow(SW_SHOW);
    GetDlgItem(IDC_MESSAGE_EDIT)->ShowWindow(SW_HIDE);
    GetDlgItem(IDC_OPEN_IMAGE)->ShowWindow(SW_SHOW);
    GetDlgItem(IDC_UNHIDE)->ShowWindow(SW_SHOW);
    GetDlgItem(IDC_LOAD_TEXT)->ShowWindow(SW_HIDE);
    GetDlgItem(IDC_HIDE)->ShowWindow(SW_HIDE);
}

void CStegoDlg::ShowTextPage()
{
    GetDlgItem(IDC_PICTURE)->ShowWindow(SW_HIDE);
    GetDlgItem(IDC_MESSAGE_EDIT)->ShowWindow(SW_SHOW);
    GetDlgItem(IDC_OPEN_IMAGE)->ShowWindow(SW_HIDE);
    GetDlgItem(IDC_UNHIDE)->ShowWindow(SW_HIDE);
    GetDlgItem(IDC_LOAD_TEXT)->ShowWindow(SW_SHOW);
    GetDlgItem(IDC_HIDE)->ShowWindow(SW_SHOW);
}

BOOL CStegoDlg::TextPageShown() const
{
    const CWnd* pEdit = GetDlgItem(IDC_MESSAGE_EDIT);
    return pEdit && (pEdit->GetStyle() & WS_VISIBLE) ? TRUE : FALSE;
}

void CStegoDlg::OnImagePage()
{
    ShowImagePage(false);
    ShowCapacity();
}

void CStegoDlg::OnTextPage()
{
    ShowTextPage();
    // The keys typed next belong in the message, not on the page button.
    GetDlgItem(IDC_MESSAGE_EDIT)->SetFocus();
    ShowCapacity();
}

void CStegoDlg::OnSelchangePageTab(NMHDR*, LRESULT* pResult)
{
    switch (m_tabPages.SendMessage(TCM_GETCURSEL))
    {
    case 0:
        ShowImagePage(true);
        break;
    case 1:
        ShowTextPage();
        break;
    default:
        break;
    }
    ShowCapacity();
    *pResult = 0;
}

namespace
{
void ShowCodecMessage(const std::string& text)
{
    AfxMessageBox(text.c_str(), MB_OK, 0);
}

// The carrier's byte count is a signed 32-bit number: a larger file is refused, never cut.
bool RefuseLargeFile(ULONGLONG nLength)
{
    if (nLength <= ULONGLONG(INT32_MAX))
        return false;
    AfxMessageBox("The file is too large to open: at most 2147483647 bytes can be read.", MB_OK, 0);
    return true;
}

// A file the machine has no room for is refused like any other unreadable file: the window
// stays usable, with no carrier.
void ShowNoMemory(const CString& strPath)
{
    const std::string text = "Could not read " + layer::NativePath(strPath.str()) +
                             ": there is not enough memory for it.";
    AfxMessageBox(text.c_str(), MB_OK, 0);
}

// LoadImageA reads bitmaps only; a PNG picture is decoded here and handed over as pixels.
HBITMAP LoadPngPreview(const CString& strPath, int cx, int cy)
{
    const auto pixels = ReadPngPreview(layer::NativePath(strPath.str()), cx, cy);
    return pixels ? CreateBitmap(cx, cy, 1, 32, pixels->data()) : HBITMAP();
}

// The same name with a .bmp extension: a converted picture is saved as a bitmap.
CString BitmapName(const CString& strPath)
{
    const int nSlash = strPath.ReverseFind('\\');
    const int nDot = strPath.ReverseFind('.');
    const CString strStem = nDot > nSlash + 1 ? strPath.Left(nDot) : strPath;
    return strStem + ".bmp";
}

// 7080 -> "7,080".
std::string WithThousands(std::int64_t n)
{
    const std::string digits = std::to_string(n);
    std::string grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i)
    {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

bool HasBitmapExtension(const CString& strPath)
{
    std::string name = strPath.str();
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name.ends_with(".bmp");
}

CString FileNameOf(const CString& strPath)
{
    return strPath.Mid(strPath.ReverseFind('\\') + 1);
}

// A file dropped on the window opens as a picture when its name says it is one.
bool IsPictureName(const CString& strPath)
{
    std::string name = FileNameOf(strPath).str();
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name.ends_with(".bmp") || name.ends_with(".png");
}

// The picture's identity, size and time on disk; none when it cannot be seen.
std::optional<CStegoDlg::DiskStamp> StampOf(const CString& strPath)
{
    struct stat st
    {
    };
    if (::stat(layer::NativePath(strPath.str()).c_str(), &st) != 0)
        return std::nullopt;
    return CStegoDlg::DiskStamp{std::int64_t(st.st_dev), std::int64_t(st.st_ino),
                                std::int64_t(st.st_size), std::int64_t(st.st_mtim.tv_sec),
                                std::int64_t(st.st_mtim.tv_nsec)};
}

enum class SaveLeft
{
    AsItWas,   // an existing file, untouched
    NoFile,    // nothing was made
    MaybePart, // a device or pipe written into may hold part of the picture
};

// Every failed save is told here, with the system's reason and what became of the file.
void ShowSaveFailure(const CString& strPath, const CFileException& e, SaveLeft left)
{
    const std::string reason = !e.m_strReason.empty() ? e.m_strReason
                               : e.m_lOsError != 0    ? std::strerror(e.m_lOsError)
                                                      : std::string(e.what());
    std::string text = "Could not save " + layer::NativePath(strPath.str()) + ": " + reason + ".";
    switch (left)
    {
    case SaveLeft::AsItWas:
        text += " The file is as it was.";
        break;
    case SaveLeft::NoFile:
        text += " No file was made.";
        break;
    case SaveLeft::MaybePart:
        text += " It may hold part of the picture.";
        break;
    }
    AfxMessageBox(text.c_str(), MB_OK, 0);
}

constexpr char kFolders[] = "Folders";
constexpr char kLastFolder[] = "Last";
} // namespace

CString CStegoDlg::LastFolder() const
{
    CWinApp* pApp = AfxGetApp();
    return pApp ? pApp->GetProfileString(kFolders, kLastFolder) : CString();
}

void CStegoDlg::RememberFolder(const CString& strPath)
{
    const int nSlash = strPath.ReverseFind('\\');
    if (CWinApp* pApp = AfxGetApp(); pApp && nSlash > 0)
        pApp->WriteProfileString(kFolders, kLastFolder, strPath.Left(nSlash));
}

void CStegoDlg::ShowCapacity()
{
    if (!m_pSkin)
        return;
    CString strText;
    if (CWnd* pEdit = GetDlgItem(IDC_MESSAGE_EDIT); pEdit && m_pCarrier && TextPageShown())
        pEdit->GetWindowText(strText);
    else
    {
        m_pSkin->SetCardNote(m_hWnd.value, u"", 0);
        return;
    }
    const std::int64_t nRecord = LongestRecord();
    if (nRecord < 0)
    {
        m_pSkin->SetCardNote(m_hWnd.value, u"", 0);
        return;
    }
    // Counted as Hide will hide it: as the password dialog's choice will start.
    const hiding::MessageKind kind = CPasswordDlg::KindChosenLast();
    const std::int64_t nLength = strText.GetLength();
    const std::int64_t nLongest =
        kind == hiding::MessageKind::Stealth ? LongestStealth() : hiding::LongestIn(kind, nRecord);
    std::string strNote = WithThousands(nLength) + " of " + WithThousands(nLongest) + " bytes";
    if (kind == hiding::MessageKind::Sealed)
        strNote += ", sealed";
    else if (kind == hiding::MessageKind::Stealth)
        strNote += " (stealth)";
    if (nLength > nLongest)
        strNote += ": too long by " + WithThousands(nLength - nLongest);
    const std::u16string note(strNote.begin(), strNote.end());
    m_pSkin->SetCardNote(m_hWnd.value, note.c_str(), nLength > nLongest ? 1 : 0);
}

std::int64_t CStegoDlg::LongestStealth()
{
    if (!m_nLongestStealth)
        m_nLongestStealth = hiding::CarrierPlan(m_pCarrier.get(), m_nCarrierSize).StealthRoom();
    return *m_nLongestStealth;
}

void CStegoDlg::ForgetCarrierRoom()
{
    m_nLongestRecord.reset();
    m_nLongestStealth.reset();
}

std::int64_t CStegoDlg::LongestRecord()
{
    if (!m_nLongestRecord)
        m_nLongestRecord =
            hiding::CarrierPlan(m_pCarrier.get(), m_nCarrierSize).CarrierReach().longest;
    return *m_nLongestRecord;
}

void CStegoDlg::OnChangeMessage()
{
    ShowCapacity();
}

void CStegoDlg::OnDropFiles(HDROP hDropInfo)
{
    // The first file counts: a picture opens as Open image opens it, on either page; any other
    // file loads as Load text loads it, when the text page is in front.
    CString strPath;
    if (const UINT nLength = DragQueryFileA(hDropInfo, 0, nullptr, 0); nLength > 0)
    {
        DragQueryFileA(hDropInfo, 0, strPath.GetBuffer(int(nLength) + 1), nLength + 1);
        strPath.ReleaseBuffer();
    }
    DragFinish(hDropInfo);
    if (strPath.IsEmpty())
        return;
    if (IsPictureName(strPath))
        OpenImage(strPath);
    else if (TextPageShown())
        LoadText(strPath);
}

void CStegoDlg::OnOpenImage()
{
    char szFilter[] = "Pictures (*.bmp;*.png)|*.bmp;*.png|Bitmap Files (*.bmp)|*.bmp||";
    CFileDialog dlgFile(TRUE, ".bmp", m_strImagePath, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                        szFilter);
    const CString strFolder = LastFolder();
    dlgFile.m_ofn.lpstrInitialDir = strFolder;
    if (dlgFile.DoModal() != IDOK)
        return;
    OpenImage(dlgFile.GetPathName());
}

void CStegoDlg::OpenImage(const CString& strPath)
{
    m_strImagePath = strPath;

    // The previous carrier goes before the new picture is decoded, so that two large files
    // are never held at once; nothing can be seen in between.
    m_pCarrier.reset();
    m_nCarrierSize = 0;
    m_bCarrierConverted = false;
    ForgetCarrierRoom();

    HBITMAP hBitmap =
        handle_cast<HBITMAP>(LoadImageA(AfxGetInstanceHandle(), m_strImagePath, IMAGE_BITMAP, 330,
                                        218, LR_CREATEDIBSECTION | LR_LOADFROMFILE));
    if (!hBitmap)
        hBitmap = LoadPngPreview(m_strImagePath, 330, 218);
    const HBITMAP hOld = HandleFromParam<HBITMAP>(static_cast<std::uintptr_t>(
        GetDlgItem(IDC_PICTURE)->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, hBitmap.value)));
    if (hOld)
        DeleteObject(handle_cast<HGDIOBJ>(hOld));
    m_picture.SetWindowText(hBitmap ? "Picture: " + FileNameOf(m_strImagePath)
                                    : CString("No picture"));
    m_strCarrierPath = m_strImagePath;

    m_pictureStamp.reset();
    CFile file;
    if (!file.Open(m_strCarrierPath, CFile::modeReadWrite | CFile::typeBinary | CFile::shareCompat))
        return;
    // Taken before the bytes are read: a change made while they are read is seen at Hide.
    const std::optional<DiskStamp> stamp = StampOf(m_strCarrierPath);
    try
    {
        const ULONGLONG nLength = file.GetLength();
        if (RefuseLargeFile(nLength))
            return;
        auto pCarrier = std::make_unique_for_overwrite<BYTE[]>(nLength);
        file.SeekToBegin();
        // A file cut short while it was read is not a carrier: half a file would be saved.
        if (file.Read(pCarrier.get(), UINT(nLength)) != nLength)
            throw CFileException("Could not read " + layer::NativePath(m_strCarrierPath.str()) +
                                     ": the file ended before its length.",
                                 0);
        file.Close();
        m_pCarrier = std::move(pCarrier);
        m_nCarrierSize = static_cast<std::int32_t>(nLength);
        m_pictureStamp = stamp;
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_OK, 0);
        return;
    }
    catch (const std::bad_alloc&)
    {
        ShowNoMemory(m_strCarrierPath);
        return;
    }

    GetDlgItem(IDC_UNHIDE)->EnableWindow(TRUE);
    GetDlgItem(IDC_HIDE)->EnableWindow(TRUE);
    // A picture dropped on the text page waits behind the message for the image page.
    if (!TextPageShown())
        GetDlgItem(IDC_PICTURE)->ShowWindow(SW_SHOW);
    RememberFolder(m_strImagePath);
    ShowCapacity();
}

void CStegoDlg::OnLoadText()
{
    CFileDialog dlgFile(TRUE, "txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                        "text (*.txt)|*.txt|");
    const CString strFolder = LastFolder();
    dlgFile.m_ofn.lpstrInitialDir = strFolder;
    if (dlgFile.DoModal() != IDOK)
        return;
    LoadText(dlgFile.GetPathName());
}

void CStegoDlg::LoadText(const CString& strPath)
{
    CFile file;
    if (!file.Open(strPath, CFile::modeRead | CFile::typeBinary | CFile::shareCompat))
        return;
    try
    {
        const ULONGLONG nLength = file.GetLength();
        if (RefuseLargeFile(nLength))
            return;
        // Checked before the file is read: a text no picture can take is never held.
        if (const std::int64_t nLongest = LongestTextToLoad(); nLength > ULONGLONG(nLongest))
        {
            const std::string text =
                FileNameOf(strPath).str() + " is " + WithThousands(std::int64_t(nLength)) +
                " bytes long; " +
                (m_pCarrier ? "the open picture takes at most " : "a message can be at most ") +
                WithThousands(nLongest) + " bytes.";
            AfxMessageBox(text.c_str(), MB_OK, 0);
            return;
        }
        std::string strText(nLength, '\0');
        strText.resize(file.Read(strText.data(), UINT(nLength)));
        // The message ends at the file's first zero byte.
        m_strMessage = strText.c_str();
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_OK, 0);
        return;
    }
    catch (const std::bad_alloc&)
    {
        ShowNoMemory(strPath);
        return;
    }
    UpdateData(FALSE);
    RememberFolder(strPath);
    ShowCapacity();
}

void CStegoDlg::OnHide()
{
    UpdateData(TRUE);
    if (hiding::ReadsBackEmpty(m_strMessage.str()))
    {
        AfxMessageBox(hiding::NO_TEXT, MB_OK, 0);
        return;
    }
    if (!PictureUnchanged())
        return;

    // A carrier no layout can take (a file that is no picture) is refused before anything is
    // asked; the conversion question waits until the layout is chosen.
    const hiding::CarrierPlan plan(m_pCarrier.get(), m_nCarrierSize);
    if (const hiding::Decision decision = plan.Check(
            hiding::MessageKind::Plain, m_strMessage.GetLength(), hiding::FrontEnd::Window);
        decision.plan == HidingPlan::Refuse)
    {
        AfxMessageBox(decision.sentence.c_str(), MB_OK, 0);
        return;
    }

    CPasswordDlg dlgPassword;
    dlgPassword.m_bSetMode = 1;
    dlgPassword.m_pPlan = &plan;
    dlgPassword.m_nMessageLength = m_strMessage.GetLength();
    if (dlgPassword.DoModal() == IDCANCEL)
        return;
    const hiding::MessageKind kind = dlgPassword.m_kind;
    // The line counts against the layout just chosen, which the plan has judged already.
    if (kind == hiding::MessageKind::Stealth)
        m_nLongestStealth = plan.LongestStealth();
    ShowCapacity();
    const bool bPng = plan.Inspection().format == CarrierFormat::Png;
    // A stealth message in a PNG saved under a bitmap's name is hidden again in the PNG's
    // conversion: the values run in another order there, so the PNG's message would be lost.
    std::vector<BYTE> original;
    if (kind == hiding::MessageKind::Stealth && bPng)
        original.assign(m_pCarrier.get(), m_pCarrier.get() + m_nCarrierSize);
    const BOOL bHidden = kind == hiding::MessageKind::Stealth ? HideStealth(plan, dlgPassword)
                                                              : HideInRecords(kind, dlgPassword);
    if (!bHidden)
        return;

    const bool bStayPng = bPng && !m_bCarrierConverted;
    char szBitmapFilter[] = "Bitmap Files (*.bmp)|*.bmp||";
    char szPngFilter[] = "PNG Files (*.png)|*.png|Bitmap Files (*.bmp)|*.bmp||";
    const CString strProposed = m_bCarrierConverted ? BitmapName(m_strImagePath) : m_strImagePath;
    CFileDialog dlgFile(FALSE, bStayPng ? ".png" : ".bmp", strProposed,
                        OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                        bStayPng ? szPngFilter : szBitmapFilter);
    const CString strFolder = LastFolder();
    dlgFile.m_ofn.lpstrInitialDir = strFolder;
    if (dlgFile.DoModal() != IDOK)
        return;
    m_strCarrierPath = dlgFile.GetPathName();
    if (bStayPng && !original.empty() && HasBitmapExtension(m_strCarrierPath))
    {
        auto pOriginal = std::make_unique_for_overwrite<BYTE[]>(original.size());
        std::memcpy(pOriginal.get(), original.data(), original.size());
        m_pCarrier = std::move(pOriginal);
        m_nCarrierSize = static_cast<std::int32_t>(original.size());
        if (!ConvertCarrier() ||
            !HideStealth(hiding::CarrierPlan(m_pCarrier.get(), m_nCarrierSize), dlgPassword))
            return;
    }
    dlgPassword.WipePasswords();
    if (!SaveCarrier(m_strCarrierPath))
        return;
    m_strKeptMessage = m_strMessage;
    RememberFolder(m_strCarrierPath);
}

BOOL CStegoDlg::HideInRecords(hiding::MessageKind kind, CPasswordDlg& dlgPassword)
{
    bool bConvert = false;
    if (!CheckCarrier(kind, &bConvert))
        return FALSE;
    const hiding::HiddenText hidden = [&]
    {
        std::optional<CWaitCursor> wait;
        if (kind == hiding::MessageKind::Sealed)
            wait.emplace();
        return hiding::MakeHiddenText(kind, m_strMessage.str(), dlgPassword.m_strPassword.str());
    }();
    dlgPassword.WipePasswords();
    if (!hidden.failure.empty())
    {
        AfxMessageBox(hidden.failure.c_str(), MB_OK, 0);
        return FALSE;
    }
    if (bConvert && !ConvertCarrier())
        return FALSE;
    if (!hiding::EmbedRecords(m_pCarrier.get(), m_nCarrierSize, dlgPassword.m_strRecord.str(),
                              hidden.text, ShowCodecMessage))
    {
        AfxMessageBox(hiding::ABORTED, MB_OK, 0);
        return FALSE;
    }
    return TRUE;
}

BOOL CStegoDlg::HideStealth(const hiding::CarrierPlan& plan, CPasswordDlg& dlgPassword)
{
    // The dialog has judged the picture already; the plan kept what it read.
    const hiding::Decision decision =
        plan.CheckStealth(m_strMessage.GetLength(), STEALTH_SAFE_BPC, hiding::FrontEnd::Window);
    if (decision.plan == HidingPlan::Refuse)
    {
        AfxMessageBox(decision.sentence.c_str(), MB_OK, 0);
        return FALSE;
    }
    if (decision.plan == HidingPlan::Convert &&
        AfxMessageBox(decision.sentence.c_str(), MB_YESNO, 0) != IDYES)
        return FALSE;
    const std::string strMessage = m_strMessage.str();
    hiding::StealthFile file;
    {
        CWaitCursor wait;
        file = plan.HideStealthMessage(
            {reinterpret_cast<const std::uint8_t*>(strMessage.data()), strMessage.size()},
            dlgPassword.m_strPassword.str(), {STEALTH_SAFE_BPC, m_stealthKdf, SystemRandom()});
    }
    if (file.failure.empty() && file.bytes.size() > std::size_t(INT32_MAX))
        file.failure = hiding::ABORTED;
    if (!file.failure.empty())
    {
        AfxMessageBox(file.failure.c_str(), MB_OK, 0);
        return FALSE;
    }
    const bool bConverted = plan.Stealth().converted;
    // The plan reads the old carrier: nothing of it is used once the new file replaces it.
    auto pCarrier = std::make_unique_for_overwrite<BYTE[]>(file.bytes.size());
    std::memcpy(pCarrier.get(), file.bytes.data(), file.bytes.size());
    m_pCarrier = std::move(pCarrier);
    m_nCarrierSize = static_cast<std::int32_t>(file.bytes.size());
    m_bCarrierConverted = m_bCarrierConverted || bConverted;
    ForgetCarrierRoom();
    return TRUE;
}

BOOL CStegoDlg::SaveCarrier(const CString& strPath)
{
    const std::optional<DiskStamp> target = StampOf(strPath);
    const std::optional<DiskStamp> picture = StampOf(m_strImagePath);
    const bool bOverPicture =
        target && picture && target->device == picture->device && target->inode == picture->inode;
    CFile file;
    CFileException error;
    if (!file.Open(strPath,
                   CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary |
                       CFile::shareCompat,
                   &error))
    {
        ShowSaveFailure(strPath, error, target ? SaveLeft::AsItWas : SaveLeft::NoFile);
        return FALSE;
    }
    try
    {
        file.SeekToBegin();
        file.Write(m_pCarrier.get(), UINT(m_nCarrierSize));
        file.Close();
    }
    catch (const CFileException& e)
    {
        ShowSaveFailure(strPath, e,
                        !file.Replaces() ? SaveLeft::MaybePart
                        : target         ? SaveLeft::AsItWas
                                         : SaveLeft::NoFile);
        return FALSE;
    }
    // The picture on disk now holds the carrier's bytes: they are no longer stale.
    if (bOverPicture)
        m_pictureStamp = StampOf(m_strImagePath);
    return TRUE;
}

BOOL CStegoDlg::PictureUnchanged()
{
    if (!m_pictureStamp || StampOf(m_strImagePath) == m_pictureStamp)
        return TRUE;
    const std::string question = layer::NativePath(m_strImagePath.str()) +
                                 " has changed since it was opened.\nOpen it again and hide the "
                                 "message in the picture as it is now?";
    if (AfxMessageBox(question.c_str(), MB_YESNO, 0) != IDYES)
        return FALSE;
    OpenImage(m_strImagePath);
    if (m_pCarrier)
        return TRUE;
    const std::string text =
        "Could not open " + layer::NativePath(m_strImagePath.str()) + " again. Nothing was hidden.";
    AfxMessageBox(text.c_str(), MB_OK, 0);
    return FALSE;
}

std::int64_t CStegoDlg::LongestTextToLoad()
{
    const std::int64_t nRecord = m_pCarrier ? LongestRecord() : -1;
    return nRecord >= 0 ? hiding::LongestIn(hiding::MessageKind::Plain, nRecord)
                        : hiding::LongestInCarrier(hiding::MessageKind::Plain, INT32_MAX);
}

BOOL CStegoDlg::CheckCarrier(hiding::MessageKind kind, bool* pbConvert)
{
    const hiding::Decision decision =
        hiding::CarrierPlan(m_pCarrier.get(), m_nCarrierSize)
            .Check(kind, m_strMessage.GetLength(), hiding::FrontEnd::Window);
    *pbConvert = decision.plan == HidingPlan::Convert;
    if (decision.plan == HidingPlan::Refuse)
    {
        AfxMessageBox(decision.sentence.c_str(), MB_OK, 0);
        return FALSE;
    }
    return !*pbConvert || AfxMessageBox(decision.sentence.c_str(), MB_YESNO, 0) == IDYES;
}

BOOL CStegoDlg::ConvertCarrier()
{
    hiding::Conversion converted = hiding::CarrierPlan(m_pCarrier.get(), m_nCarrierSize).Convert();
    if (!converted.failure.empty())
    {
        AfxMessageBox(converted.failure.c_str(), MB_OK, 0);
        return FALSE;
    }
    m_pCarrier = std::move(converted.bitmap.bytes);
    m_nCarrierSize = static_cast<std::int32_t>(converted.bitmap.size);
    m_bCarrierConverted = true;
    ForgetCarrierRoom();
    return TRUE;
}

void CStegoDlg::OnUnhide()
{
    hiding::Reveal reveal(
        [this](std::int32_t nSlot, const ShowMessageFn& show)
        { return ExtractText(m_pCarrier.get(), m_nCarrierSize, nSlot, show); },
        ShowCodecMessage,
        hiding::StealthSource{MemoryReader(m_pCarrier.get(), std::size_t(m_nCarrierSize)),
                              m_nCarrierSize, m_stealthKdf});
    if (reveal.Found() == hiding::RevealStep::Damaged)
        AfxMessageBox(hiding::SEAL_DAMAGED, MB_OK, 0);
    if (reveal.Found() != hiding::RevealStep::AskPassword)
        return;
    // The dialog tries each password itself: a wrong one is asked again.
    CPasswordDlg dlgPassword;
    dlgPassword.m_bSetMode = 0;
    dlgPassword.m_strRecord = reveal.Record().c_str();
    dlgPassword.m_pSealed = reveal.Sealed();
    dlgPassword.m_pStealth = reveal.Stealth() ? &reveal : nullptr;
    if (dlgPassword.DoModal() == IDCANCEL)
        return;
    bool bFound = true;
    // A stealth message may hold any bytes: the window shows it up to its first zero byte.
    if (reveal.Stealth())
        m_strMessage = reveal.Message().c_str();
    else if (reveal.Sealed())
        m_strMessage = dlgPassword.m_strUnsealed;
    else
    {
        // A record the codec refuses leaves an empty message, its reason shown.
        bFound = reveal.ReadPlainMessage() == hiding::RevealStep::Message;
        m_strMessage = reveal.Message().c_str();
    }
    UpdateData(FALSE);
    m_strKeptMessage = m_strMessage;
    if (bFound)
        ShowRevealedMessage();
    ShowCapacity();
}

// What Reveal found is put in front, read from its start: left behind the image page, a
// found message would look like a failed Reveal.
void CStegoDlg::ShowRevealedMessage()
{
    ShowTextPage();
    CWnd* pEdit = GetDlgItem(IDC_MESSAGE_EDIT);
    pEdit->SendMessage(EM_SETSEL, 0, 0);
    pEdit->SetFocus();
}

void CStegoDlg::OnAbout()
{
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
}

BOOL CStegoDlg::OnHelpInfo(HELPINFO*)
{
    OnHelpButton();
    return FALSE;
}

// The shell reports its own failures, if any; a missing help file changes nothing here.
void CStegoDlg::OnHelpButton()
{
    const CString strHelpFile = ProgramFolder() + "\\res\\Help.chm";
    ShellExecuteA(HWND(), "open", strHelpFile, nullptr, nullptr, SW_SHOWNORMAL);
}
