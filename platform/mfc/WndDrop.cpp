// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/Wnd.h"
#include "platform/shell/DragDrop.h"

void CWnd::DragAcceptFiles(BOOL bAccept)
{
    ::DragAcceptFiles(m_hWnd, bAccept);
}
