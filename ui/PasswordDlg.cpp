// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PasswordDlg.h"

#include "hiding/CarrierPlan.h"
#include "hiding/Reveal.h"
#include "res/Resource.h"

namespace
{
constexpr const char* CHOICE_SECTION = "Password";
// 0 plain, 1 sealed, 2 stealth. Before there was a choice of three, "Seal" alone said 1 or 0;
// it is still written, for copies that read only it.
constexpr const char* KIND_ENTRY = "Kind";
constexpr const char* SEAL_ENTRY = "Seal";
constexpr int CHOICE_IDS[] = {IDC_PLAIN, IDC_SEAL, IDC_STEALTH};
constexpr int CHOICE_ROWS[] = {IDC_KIND_LABEL, IDC_PLAIN,   IDC_PLAIN_HINT,  IDC_SEAL,
                               IDC_SEAL_HINT,  IDC_STEALTH, IDC_STEALTH_HINT};
// Verify mode shows the dialog only down to its buttons and across to its edit.
constexpr int VERIFY_WIDTH = 145;
constexpr int VERIFY_HEIGHT = 65;

// The radio buttons' exchange: the kind whose button is checked.
void DDX_Kind(CDataExchange* pDX, hiding::MessageKind& kind)
{
    const int chosen = static_cast<int>(kind);
    for (int i = 0; i < 3; ++i)
    {
        const HWND hCtl = pDX->PrepareCtrl(CHOICE_IDS[i]);
        if (!pDX->m_bSaveAndValidate)
        {
            if (i == chosen)
                ::SendMessageA(hCtl, BM_SETCHECK, BST_CHECKED, 0);
        }
        else if (::SendMessageA(hCtl, BM_GETCHECK, 0, 0) == BST_CHECKED)
            kind = static_cast<hiding::MessageKind>(i);
    }
}

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
    DDX_Kind(pDX, m_kind);
}

hiding::MessageKind CPasswordDlg::KindChosenLast()
{
    CWinApp* pApp = AfxGetApp();
    const int nSeal = pApp->GetProfileInt(CHOICE_SECTION, SEAL_ENTRY, FALSE) ? 1 : 0;
    const int nKind = static_cast<int>(pApp->GetProfileInt(CHOICE_SECTION, KIND_ENTRY, nSeal));
    return nKind >= 0 && nKind <= 2 ? static_cast<hiding::MessageKind>(nKind)
                                    : hiding::MessageKind::Plain;
}

BOOL CPasswordDlg::OnInitDialog()
{
    if (m_bSetMode == 1)
        m_kind = KindChosenLast();
    CDialog::OnInitDialog();

    const int nShow = m_bSetMode == 1 ? SW_SHOW : SW_HIDE;
    GetDlgItem(IDC_CONFIRM)->ShowWindow(nShow);
    GetDlgItem(IDC_CONFIRM_LABEL)->ShowWindow(nShow);
    for (const int nID : CHOICE_ROWS)
        GetDlgItem(nID)->ShowWindow(nShow);
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
    if (!CarrierTakesKind())
        return;
    const std::string strBroken =
        hiding::CheckNewPassword(m_kind, m_strPassword.str(), m_strConfirm.str());
    if (!strBroken.empty())
    {
        AfxMessageBox(strBroken.c_str(), MB_OK, 0);
        SelectPassword();
        return;
    }
    m_strRecord = hiding::PasswordRecordFor(m_kind, m_strPassword.str()).c_str();
    CWinApp* pApp = AfxGetApp();
    pApp->WriteProfileInt(CHOICE_SECTION, KIND_ENTRY, static_cast<int>(m_kind));
    pApp->WriteProfileInt(CHOICE_SECTION, SEAL_ENTRY, m_kind == hiding::MessageKind::Sealed);
    CDialog::OnOK();
}

// Only the stealth layout has refusals of its own (a picture once saved as a JPEG, 16-bit
// values, too little room); the other two are checked by the opener as they always were.
BOOL CPasswordDlg::CarrierTakesKind()
{
    if (m_kind != hiding::MessageKind::Stealth || !m_pPlan)
        return TRUE;
    hiding::Decision decision;
    {
        // The picture is read whole and judged here; the opener's check then reuses it.
        CWaitCursor wait;
        decision =
            m_pPlan->CheckStealth(m_nMessageLength, STEALTH_SAFE_BPC, hiding::FrontEnd::Window);
    }
    if (decision.plan != HidingPlan::Refuse)
        return TRUE;
    AfxMessageBox(decision.sentence.c_str(), MB_OK, 0);
    GetDlgItem(IDC_STEALTH)->SetFocus();
    return FALSE;
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
