// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/AfxMessageBox.h"

#include "platform/mfc/WinApp.h"
#include "platform/mfc/Wnd.h"

#include <QApplication>

HWND layer::SafeOwner(HWND hWndParent)
{
    if (IsWindow(hWndParent))
        return hWndParent;
    if (QApplication::activeModalWidget())
        return HWND();
    const CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd && IsWindowVisible(app->m_pMainWnd->m_hWnd))
        return app->m_pMainWnd->m_hWnd;
    return HWND();
}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT)
{
    return MessageBoxA(layer::SafeOwner(), lpszText, AfxGetAppName(), nType);
}
