// SPDX-License-Identifier: GPL-3.0-or-later
// CPasswordDlg: asks for a new password and its confirmation (set mode), or for the password
// that must match a stored password record or open a sealed message (verify mode).
#pragma once

#include "platform/mfc/Afx.h"

struct SealedMessage;
namespace hiding
{
class Reveal;
}

class CPasswordDlg : public CDialog
{
public:
    explicit CPasswordDlg(CWnd* pParent = nullptr);
    ~CPasswordDlg() override;

    // 1: set mode; any other value: verify mode. The opener always sets it.
    BYTE m_bSetMode = 0;
    // Set mode: the record made from an accepted password. Verify mode: the expected record.
    CString m_strRecord;
    CButton m_btnOK;
    CString m_strPassword;
    CString m_strConfirm;
    // Set mode: TRUE when the message is to be sealed with the password, which the opener then
    // reads from m_strPassword and wipes. Remembered from one run to the next.
    BOOL m_bSeal = FALSE;
    // Verify mode: the sealed message the password must open, instead of a record to match.
    const SealedMessage* m_pSealed = nullptr;
    // Verify mode with m_pSealed: the message, once opened.
    CString m_strUnsealed;
    // Verify mode for a picture without a password record: the password is tried once, on the
    // stealth message this reveal looks for; the message stays in the reveal.
    hiding::Reveal* m_pStealth = nullptr;

    // Overwrites the typed passwords in the members, once the opener is done with them.
    void WipePasswords();
    // Whether set mode will offer sealing: the choice made last time.
    static BOOL SealChosenLast();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()

private:
    void OnSetModeOK();
    void RefusePassword();
    void SelectPassword();
    void FitVerifyMode();
};
