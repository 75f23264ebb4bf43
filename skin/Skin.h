// SPDX-License-Identifier: GPL-3.0-or-later
// CSkin: the window of the skin control. The main window reaches the control through
// ISkinControl; this wrapper lets a window create the control by itself.
#pragma once

#include "platform/mfc/Afx.h"

class CSkin : public CWnd
{
    DECLARE_DYNCREATE(CSkin)

public:
    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, void* pContext = nullptr) override;
};
