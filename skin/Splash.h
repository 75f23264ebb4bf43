// SPDX-License-Identifier: GPL-3.0-or-later
// CSplash: the window of the splash control and its two methods.
#pragma once

#include "platform/mfc/Afx.h"

class CSplash : public CWnd
{
    DECLARE_DYNCREATE(CSplash)

public:
    BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, void* pContext = nullptr) override;

    // The control judges the file; whatever it makes of it, the call gives nothing back.
    void LoadSplashFile(LPCSTR lpszPath);
    void ShowSplash(LONG nArgument);
};
