// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PasswordDlg.h"

#include "hiding/CarrierPlan.h"
#include "hiding/Reveal.h"
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
        hiding::Wipe(text.GetBuffer(length), static_cast<std::size_t>(length));
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
    // The message a sealed carrier opens to; a plain one is read by the opener.
    std::string strMessage;
    hiding::RevealStep step;
    {
        std::optional<CWaitCursor> wait;
        if (m_pSealed || m_pStealth)
            wait.emplace();
        step = m_pStealth ? m_pStealth->Open(m_strPassword.str())
                          : hiding::TryPassword(m_strRecord.str(), m_pSealed, m_strPassword.str(),
                                                strMessage);
    }
    switch (step)
    {
    case hiding::RevealStep::Message:
        m_strUnsealed = strMessage.c_str();
        hiding::Wipe(strMessage);
        CDialog::OnOK();
        return;
    case hiding::RevealStep::WrongPassword:
        RefusePassword();
        return;
    default:
        AfxMessageBox(hiding::RevealSentence(step), MB_OK, 0);
        // Another password would not help: the command ends as if cancelled.
        CDialog::OnCancel();
        return;
    }
}

void CPasswordDlg::OnSetModeOK()
{
    const hiding::MessageKind kind =
        m_bSeal ? hiding::MessageKind::Sealed : hiding::MessageKind::Plain;
    const std::string strBroken =
        hiding::CheckNewPassword(kind, m_strPassword.str(), m_strConfirm.str());
    if (!strBroken.empty())
    {
        AfxMessageBox(strBroken.c_str(), MB_OK, 0);
        SelectPassword();
        return;
    }
    m_strRecord = hiding::PasswordRecordFor(kind, m_strPassword.str()).c_str();
    AfxGetApp()->WriteProfileInt(SEAL_SECTION, SEAL_ENTRY, m_bSeal ? TRUE : FALSE);
    CDialog::OnOK();
}

void CPasswordDlg::RefusePassword()
{
    AfxMessageBox(hiding::WRONG_PASSWORD, MB_OK, 0);
    Wipe(m_strPassword);
    UpdateData(FALSE);
    SelectPassword();
}

// After a refusal the next try starts in the password field, and typing replaces what it holds.
void CPasswordDlg::SelectPassword()
{
    CWnd* pEdit = GetDlgItem(IDC_PASSWORD);
    pEdit->SetFocus();
    pEdit->SendMessage(EM_SETSEL, 0, -1);
}

void CPasswordDlg::OnCancel()
{
    CDialog::OnCancel();
}
