// SPDX-License-Identifier: GPL-3.0-or-later
// CDialog: a window built from a dialog template and run modally by DoModal.
#pragma once

#include "platform/mfc/Wnd.h"

class CModalLoop;

class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)

public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the window, initialises it and runs it until EndDialog; -1 when the window
    // cannot be created.
    virtual INT_PTR DoModal();
    // Creates the window without a modal loop (tests, and windows that stay open).
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    using CWnd::Create;
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    void NextDlgCtrl() const;
    void PrevDlgCtrl() const;
    void GotoDlgCtrl(CWnd* pWndCtrl);

    UINT m_nIDHelp = 0;

protected:
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

    DECLARE_MESSAGE_MAP()

private:
    BOOL CreateDialogWindow(HWND hWndOwner);
    HWND OwnerForModal() const;

    CModalLoop* m_pModalLoop = nullptr;
    bool m_bEnded = false;
    int m_nModalResult = -1;
};
