// SPDX-License-Identifier: GPL-3.0-or-later
// Turns a dialog template into a live window: the top-level widget, its font and the
// controls at their places, in template order (which is also the tab order).
#pragma once

#include "platform/user/Resources.h"

#include <QFont>

namespace layer
{
// The dialog is created hidden and centred over its owner (or the screen). A null handle
// when a control cannot be created.
HWND CreateDialogWindow(const DialogTemplate& dialog, HWND hWndOwner);

// The font present that comes closest to the template's, at its point size.
QFont DialogFont(const DialogTemplate& dialog);
// Average character width and character height of a font, measured as Windows does.
SIZE FontBaseUnits(const QFont& font);
} // namespace layer
