// SPDX-License-Identifier: GPL-3.0-or-later
// CButton: a push button or a check box; its click reaches the parent as WM_COMMAND /
// BN_CLICKED.
#pragma once

#include "platform/mfc/Wnd.h"

class CButton : public CWnd
{
    DECLARE_DYNAMIC(CButton)

public:
    // Presses the button as a click would, when it is enabled.
    void Click();
    // BST_CHECKED or BST_UNCHECKED; a push button is never checked.
    int GetCheck() const;
    void SetCheck(int nCheck);
};
