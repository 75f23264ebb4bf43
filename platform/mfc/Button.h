// CButton: a push button; its click reaches the parent as WM_COMMAND / BN_CLICKED.
#pragma once

#include "platform/mfc/Wnd.h"

class CButton : public CWnd
{
    DECLARE_DYNAMIC(CButton)

public:
    // Presses the button as a click would, when it is enabled.
    void Click();
};
