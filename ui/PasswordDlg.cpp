#include "ui/PasswordDlg.h"

#include "engine/PasswordRecord.h"
#include "res/Resource.h"

// clang-format off
BEGIN_MESSAGE_MAP(CPasswordDlg, CDialog)
ON_BN_CLICKED<&CPasswordDlg::OnCancel>(IDC_CANCEL_BUTTON),
END_MESSAGE_MAP()

CPasswordDlg::CPasswordDlg(CWnd* pParent)
    : CDialog(IDD_PASSWORD, pParent), m_strPassword(""), m_strConfirm("")
{
}
// clang-format on

CPasswordDlg::~CPasswordDlg() = default;

void CPasswordDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDOK, m_btnOK);
    DDX_Text(pDX, IDC_PASSWORD, m_strPassword);
    DDX_Text(pDX, IDC_CONFIRM, m_strConfirm);
}

BOOL CPasswordDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    const int nShow = m_bSetMode == 1 ? SW_SHOW : SW_HIDE;
    GetDlgItem(IDC_CONFIRM)->ShowWindow(nShow);
    GetDlgItem(IDC_CONFIRM_LABEL)->ShowWindow(nShow);
    GetDlgItem(IDC_PASSWORD)->SetFocus();
    // The focus is placed.
    return FALSE;
}

void CPasswordDlg::OnOK()
{
    UpdateData(TRUE);

    if (m_bSetMode == 1)
    {
        const std::string strBroken = CheckNewPassword(m_strPassword.str(), m_strConfirm.str());
        if (!strBroken.empty())
        {
            AfxMessageBox(strBroken.c_str(), MB_OK, 0);
            return;
        }
        m_strRecord = MakePasswordRecord(m_strPassword.str()).c_str();
        CDialog::OnOK();
        return;
    }

    if (PasswordOpensRecord(m_strPassword.str(), m_strRecord.str()))
    {
        CDialog::OnOK();
        return;
    }
    AfxMessageBox("Invalid password try again", MB_OK, 0);
    m_strPassword = "";
    UpdateData(FALSE);
}

void CPasswordDlg::OnCancel()
{
    CDialog::OnCancel();
}
