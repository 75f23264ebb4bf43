// SPDX-License-Identifier: GPL-3.0-or-later
// The control classes of dialog templates, one file each: how the widget is made, the class's
// window procedure, and the notifications it sends its parent.
#pragma once

#include "platform/user/Resources.h"
#include "platform/user/WindowRecord.h"

#include <span>

namespace layer
{
struct ControlClass
{
    const char* name;
    QWidget* (*make)(const DialogItem& item, QWidget* parent);
    CLASSPROC proc;
    // Wires the widget's signals to the notifications the parent expects; may be null.
    void (*connect)(CWindowRecord& record);
};

extern const ControlClass kButtonClass;
extern const ControlClass kStaticClass;
extern const ControlClass kEditClass;
extern const ControlClass kTabControlClass;

// Sends the parent of a control WM_COMMAND with the control's ID and a notification code.
void SendCommand(HWND hCtl, WORD code);

// Creates the child control of a template item at `pixels` inside the dialog. Returns a null
// handle when the item cannot be created.
HWND CreateDialogControl(const DialogItem& item, const RECT& pixels, HWND hDlg,
                         std::span<const unsigned char> persisted);
} // namespace layer
