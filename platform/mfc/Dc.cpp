// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/Dc.h"

#include "platform/user/WinUser.h"

BOOL CDC::DrawIcon(int x, int y, HICON hIcon)
{
    return ::DrawIcon(m_hDC, x, y, hIcon);
}
