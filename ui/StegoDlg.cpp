#include "StegoDlg.h"

#include "Resource.h"
#include "skin/ISkinControl.h"

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
END_MESSAGE_MAP()

CStegoDlg::CStegoDlg(CWnd* pParent)
    : CDialog(IDD_MAIN, pParent), m_nCarrierSize(0), m_pSkin(nullptr), m_strMessage("")
{
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

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
}

BOOL CStegoDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    GetDlgItem(IDC_IMAGE_PAGE)->SetFocus();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    GetDlgItem(IDC_UNHIDE)->EnableWindow(FALSE);
    GetDlgItem(IDC_HIDE)->EnableWindow(FALSE);
    return TRUE;
}

void CStegoDlg::OnOK()
{
    // The window closes only through the cancel command.
}

void CStegoDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
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

void CStegoDlg::OnImagePage()
{
    ShowImagePage(false);
}

void CStegoDlg::OnTextPage()
{
    ShowTextPage();
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
    *pResult = 0;
}

void CStegoDlg::OnOpenImage() {}

void CStegoDlg::OnLoadText() {}

void CStegoDlg::OnHide() {}

void CStegoDlg::OnUnhide() {}

void CStegoDlg::OnAbout() {}

BOOL CStegoDlg::OnHelpInfo(HELPINFO*)
{
    return FALSE;
}

void CStegoDlg::OnHelpButton() {}
