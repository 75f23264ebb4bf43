#include "ui/PasswordDlg.h"

#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"
#include "res/Resource.h"

namespace
{
constexpr const char* SEAL_SECTION = "Password";
constexpr const char* SEAL_ENTRY = "Seal";
// Verify mode shows the dialog only down to its buttons and across to its edit.
constexpr int VERIFY_WIDTH = 145;
constexpr int VERIFY_HEIGHT = 65;

void Wipe(CString& text)
{
    if (const int length = text.GetLength())
    {
        WipeBytes(text.GetBuffer(length), static_cast<std::size_t>(length));
        text.ReleaseBuffer(0);
    }
}
} // namespace

// clang-format off
BEGIN_MESSAGE_MAP(CPasswordDlg, CDialog)
ON_BN_CLICKED<&CPasswordDlg::OnCancel>(IDC_CANCEL_BUTTON),
END_MESSAGE_MAP()

CPasswordDlg::CPasswordDlg(CWnd* pParent)
    : CDialog(IDD_PASSWORD, pParent), m_strPassword(""), m_strConfirm("")
{
}
// clang-format on

CPasswordDlg::~CPasswordDlg()
{
    WipePasswords();
    Wipe(m_strUnsealed);
}

void CPasswordDlg::WipePasswords()
{
    Wipe(m_strPassword);
    Wipe(m_strConfirm);
}

void CPasswordDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnOK);
    DDX_Text(pDX, IDC_PASSWORD, m_strPassword);
    DDX_Text(pDX, IDC_CONFIRM, m_strConfirm);
    DDX_Check(pDX, IDC_SEAL, m_bSeal);
}

BOOL CPasswordDlg::SealChosenLast()
{
    return AfxGetApp()->GetProfileInt(SEAL_SECTION, SEAL_ENTRY, FALSE) ? TRUE : FALSE;
}

BOOL CPasswordDlg::OnInitDialog()
{
    if (m_bSetMode == 1)
        m_bSeal = SealChosenLast();
    CDialog::OnInitDialog();

    const int nShow = m_bSetMode == 1 ? SW_SHOW : SW_HIDE;
    GetDlgItem(IDC_CONFIRM)->ShowWindow(nShow);
    GetDlgItem(IDC_CONFIRM_LABEL)->ShowWindow(nShow);
    GetDlgItem(IDC_SEAL)->ShowWindow(nShow);
    GetDlgItem(IDC_SEAL_HINT)->ShowWindow(nShow);
    if (m_bSetMode != 1)
        FitVerifyMode();
    GetDlgItem(IDC_PASSWORD)->SetFocus();
    // The focus is placed.
    return FALSE;
}

// Cuts the window back to the part verify mode uses, keeping its centre where it was.
void CPasswordDlg::FitVerifyMode()
{
    CRect rcKeep(RECT{0, 0, VERIFY_WIDTH, VERIFY_HEIGHT});
    MapDialogRect(m_hWnd, &rcKeep);
    CRect rcClient;
    GetClientRect(&rcClient);
    CRect rcWindow;
    GetWindowRect(&rcWindow);
    const int nNarrower = rcClient.Width() - rcKeep.Width();
    const int nLower = rcClient.Height() - rcKeep.Height();
    MoveWindow(rcWindow.left + nNarrower / 2, rcWindow.top + nLower / 2,
               rcWindow.Width() - nNarrower, rcWindow.Height() - nLower);
}

void CPasswordDlg::OnOK()
{
    UpdateData(TRUE);

    if (m_bSetMode == 1)
    {
        OnSetModeOK();
        return;
    }
    if (m_pSealed)
    {
        OnUnsealOK();
        return;
    }
    if (PasswordOpensRecord(m_strPassword.str(), m_strRecord.str()))
    {
        CDialog::OnOK();
        return;
    }
    RefusePassword();
}

void CPasswordDlg::OnSetModeOK()
{
    const std::string strBroken =
        m_bSeal ? CheckNewSealPassword(m_strPassword.str(), m_strConfirm.str())
                : CheckNewPassword(m_strPassword.str(), m_strConfirm.str());
    if (!strBroken.empty())
    {
        AfxMessageBox(strBroken.c_str(), MB_OK, 0);
        return;
    }
    // A sealed carrier's record tells nothing about the password.
    m_strRecord = m_bSeal ? SEAL_MARKER_RECORD : MakePasswordRecord(m_strPassword.str()).c_str();
    AfxGetApp()->WriteProfileInt(SEAL_SECTION, SEAL_ENTRY, m_bSeal ? TRUE : FALSE);
    CDialog::OnOK();
}

void CPasswordDlg::OnUnsealOK()
{
    UnsealResult result;
    {
        CWaitCursor wait;
        result = OpenSealed(*m_pSealed, m_strPassword.str());
    }
    switch (result.status)
    {
    case UnsealStatus::Opened:
        // The window shows text up to its first zero byte, as for any message.
        m_strUnsealed = result.message.c_str();
        WipeString(result.message);
        CDialog::OnOK();
        return;
    case UnsealStatus::WrongPassword:
        RefusePassword();
        return;
    case UnsealStatus::Damaged:
        AfxMessageBox(SEAL_DAMAGED, MB_OK, 0);
        break;
    case UnsealStatus::NoMemory:
        AfxMessageBox(SEAL_NO_MEMORY, MB_OK, 0);
        break;
    }
    // Another password would not help: the command ends as if cancelled.
    CDialog::OnCancel();
}

void CPasswordDlg::RefusePassword()
{
    AfxMessageBox(WRONG_PASSWORD, MB_OK, 0);
    Wipe(m_strPassword);
    UpdateData(FALSE);
}

void CPasswordDlg::OnCancel()
{
    CDialog::OnCancel();
}
