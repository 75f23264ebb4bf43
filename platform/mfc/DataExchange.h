// SPDX-License-Identifier: GPL-3.0-or-later
// Dialog data exchange: DDX functions move values between members and controls, in the
// direction UpdateData asks for.
#pragma once

#include "platform/mfc/String.h"
#include "platform/user/WinUser.h"

class CWnd;

class CDataExchange
{
public:
    // Thrown by Fail; UpdateData then returns FALSE.
    struct Failure
    {
    };

    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl;

    // The dialog's control with this ID; a missing control fails the exchange.
    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    [[noreturn]] void Fail();
};

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// A check box's state as BST_CHECKED or BST_UNCHECKED.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Binds `rControl` to the dialog's control, once: the object then receives its messages.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
