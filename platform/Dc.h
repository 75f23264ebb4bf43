// CDC: a device context, the painter a window draws with while it paints.
#pragma once

#include "WinUser.h"

class QPainter;

class CDC
{
public:
    CDC() = default;
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    BOOL DrawIcon(int x, int y, HICON hIcon);
};

// A window's widget registers its painter for the length of a paint event, so that the
// WM_PAINT handler's device context draws with it.
void AfxPushPaintContext(HWND hWnd, QPainter* painter);
void AfxPopPaintContext(HWND hWnd);
// A DC handle for the window's active painter; without one the DC draws nothing.
HDC AfxBeginPaint(HWND hWnd);
void AfxEndPaint(HDC hDC);
// The painter behind a DC, or null.
QPainter* AfxPainterFromHdc(HDC hDC);
