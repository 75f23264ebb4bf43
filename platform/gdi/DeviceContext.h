// SPDX-License-Identifier: GPL-3.0-or-later
// Device contexts: an HDC names the painter a window draws with while it paints.
#pragma once

#include "platform/kernel/WinTypes.h"

class QPainter;

namespace layer
{
// A window's widget registers its painter for the length of a paint event, so that the
// WM_PAINT handler's device context draws with it.
void PushPaintContext(HWND hWnd, QPainter* painter);
void PopPaintContext(HWND hWnd);
// A DC handle for the window's active painter; without one the DC draws nothing.
HDC BeginPaint(HWND hWnd);
void EndPaint(HDC hDC);
// The painter behind a DC, or null.
QPainter* PainterFromHdc(HDC hDC);
} // namespace layer
