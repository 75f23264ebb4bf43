// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/Skin.h"

#include "skin/ControlIds.h"

IMPLEMENT_DYNCREATE(CSkin, CWnd)

BOOL CSkin::Create(LPCSTR, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                   UINT nID, void*)
{
    return CreateControl(CLSID_SkinControl, lpszWindowName, dwStyle, rect, pParentWnd, nID);
}
