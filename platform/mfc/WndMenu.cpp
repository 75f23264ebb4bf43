// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/Menu.h"
#include "platform/mfc/Wnd.h"

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}
