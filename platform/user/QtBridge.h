// SPDX-License-Identifier: GPL-3.0-or-later
// Where the Win32 model meets Qt: from a window handle to the widget behind it and back.
// Outside controls use this to reach the window they are asked to draw.
#pragma once

#include "platform/kernel/WinTypes.h"

class QWidget;

// The widget of a live window, or null for a stale or unknown handle.
QWidget* WidgetFromHwnd(HWND hwnd);
// The handle of a widget that is a window of the layer, or a null handle.
HWND HwndFromWidget(const QWidget* widget);
namespace layer
{
// A window property (int, pixels) by which whatever draws a window's caption strip tells the
// layer how tall it is; a right click on it opens the system menu. Without it the strip is
// layer::kCaptionBandDlu dialog units.
inline constexpr char kCaptionBandProperty[] = "carvalet_caption_band";

// The window a new modal box belongs on: the window of `hWndOwner` when it is live, else the
// modal window in front; null if none.
QWidget* OwnerWidget(HWND hWndOwner);
} // namespace layer
