#include "PaintDC.h"

#include "Wnd.h"

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : HWND())
{
    m_hDC = AfxBeginPaint(m_hWnd);
}

CPaintDC::~CPaintDC()
{
    AfxEndPaint(m_hDC);
}
