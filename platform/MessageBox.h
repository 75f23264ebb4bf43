// Message boxes: modal, with an OK button (OK and Cancel, or Yes and No, when asked for) and no
// icon, captioned with the application's title.
#pragma once

#include "WinUser.h"

int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
