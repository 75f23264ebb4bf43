// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/Button.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

void CButton::Click()
{
    SendMessage(BM_CLICK);
}

int CButton::GetCheck() const
{
    return static_cast<int>(SendMessage(BM_GETCHECK));
}

void CButton::SetCheck(int nCheck)
{
    SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck));
}
