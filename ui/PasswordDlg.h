// SPDX-License-Identifier: GPL-3.0-or-later
// CPasswordDlg: asks for a new password and its confirmation (set mode), or for the password
// that must match a stored password record or open a sealed message (verify mode).
#pragma once

#include "hiding/MessageKind.h"
#include "platform/mfc/Afx.h"

#include <cstdint>

struct SealedMessage;
namespace hiding
{
class CarrierPlan;
class Reveal;
} // namespace hiding

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
    // Set mode: how the message is to be hidden, chosen in the dialog and remembered from one
    // run to the next. For a sealed or stealth message the opener reads the password from
    // m_strPassword and wipes it.
    hiding::MessageKind m_kind = hiding::MessageKind::Plain;
    // Set mode: the carrier and the message's length, so that a picture the stealth layout
    // refuses is told while another choice can still be made. Optional.
    const hiding::CarrierPlan* m_pPlan = nullptr;
    std::int64_t m_nMessageLength = 0;
    // Verify mode: the sealed message the password must open, instead of a record to match.
    const SealedMessage* m_pSealed = nullptr;
    // Verify mode with m_pSealed: the message, once opened.
    CString m_strUnsealed;
    // Verify mode for a picture without a password record: the password is tried once, on the
    // stealth message this reveal looks for; the message stays in the reveal.
    hiding::Reveal* m_pStealth = nullptr;

    // Overwrites the typed passwords in the members, once the opener is done with them.
    void WipePasswords();
    // The choice set mode starts with: the one made last time.
    static hiding::MessageKind KindChosenLast();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()

private:
    void OnSetModeOK();
    // FALSE, once told why, when the chosen layout refuses the carrier.
    BOOL CarrierTakesKind();
    void RefusePassword();
    void SelectPassword();
    void FitVerifyMode();
};
