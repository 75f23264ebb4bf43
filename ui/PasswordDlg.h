// CPasswordDlg: asks for a new password and its confirmation (set mode), or for the password
// that must match a stored password record (verify mode).
#pragma once

#include "platform/mfc/Afx.h"

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

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    DECLARE_MESSAGE_MAP()
};
