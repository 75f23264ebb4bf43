// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin/Splash.h"

#include "skin/ControlIds.h"

IMPLEMENT_DYNCREATE(CSplash, CWnd)

BOOL CSplash::Create(LPCSTR, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                     CWnd* pParentWnd, UINT nID, void*)
{
    return CreateControl(CLSID_SplashControl, lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

void CSplash::LoadSplashFile(LPCSTR lpszPath)
{
    static const BYTE parms[] = VTS_BSTR;
    InvokeHelper(DISPID_SPLASH_LOADFILE, DISPATCH_METHOD, VT_EMPTY, nullptr, parms, lpszPath);
}

void CSplash::ShowSplash(LONG nArgument)
{
    static const BYTE parms[] = VTS_I4;
    InvokeHelper(DISPID_SPLASH_SHOW, DISPATCH_METHOD, VT_EMPTY, nullptr, parms, nArgument);
}
