// Turns a dialog template into a live window: the top-level widget, its font and the
// controls at their places, in template order (which is also the tab order).
#pragma once

#include "Resources.h"

#include <QFont>

// The dialog is created hidden and centred over its owner (or the screen). A null handle
// when a control cannot be created.
HWND AfxCreateDialogWindow(const DialogTemplate& dialog, HWND hWndOwner);

// The font present that comes closest to the template's, at its point size.
QFont AfxDialogFont(const DialogTemplate& dialog);
// Average character width and character height of a font, measured as Windows does.
SIZE AfxFontBaseUnits(const QFont& font);
