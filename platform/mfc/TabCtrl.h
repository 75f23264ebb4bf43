// SPDX-License-Identifier: GPL-3.0-or-later
// CTabCtrl: a tab control; a selection made by the user arrives as WM_NOTIFY / TCN_SELCHANGE.
#pragma once

#include "platform/mfc/Wnd.h"

class CTabCtrl : public CWnd
{
    DECLARE_DYNAMIC(CTabCtrl)

public:
    int GetCurSel() const;
    // Selects without notifying, as the control does; returns the previous selection or -1.
    int SetCurSel(int nItem);
    int GetItemCount() const;
    int InsertItem(int nItem, LPCSTR lpszItem);
};
