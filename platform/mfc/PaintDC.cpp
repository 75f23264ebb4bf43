// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/PaintDC.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/mfc/Wnd.h"

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : HWND())
{
    m_hDC = layer::BeginPaint(m_hWnd);
}

CPaintDC::~CPaintDC()
{
    layer::EndPaint(m_hDC);
}
