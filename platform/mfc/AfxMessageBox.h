// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes: modal, with an OK button (OK and Cancel, or Yes and No, when asked for) and no
// icon, captioned with the application's title.
#pragma once

#include "platform/user/WinUser.h"

int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);

namespace layer
{
// The window a modal box of the program belongs on: hWndParent when it is a live window, else
// none while a modal window is in front (the box goes on that), else the program's main
// window while it is shown.
HWND SafeOwner(HWND hWndParent = HWND());
} // namespace layer
