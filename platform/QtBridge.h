// Where the Win32 model meets Qt: from a window handle to the widget behind it and back.
// Outside controls use this to reach the window they are asked to draw.
#pragma once

#include "WinTypes.h"

class QWidget;

// The widget of a live window, or null for a stale or unknown handle.
QWidget* WidgetFromHwnd(HWND hwnd);
// The handle of a widget that is a window of the layer, or a null handle.
HWND HwndFromWidget(const QWidget* widget);
