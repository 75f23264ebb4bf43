// SPDX-License-Identifier: GPL-3.0-or-later
// Outside (ActiveX) control items of dialog templates. The control container installs the
// factory that creates a control from its template item and persisted stream; without one,
// the item gets an empty placeholder at its place.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/user/WindowRecord.h"

#include <functional>

// A created control: its window (a child of the parent, owned by it) and the container's
// reference to the control, which the window record keeps for GetControlUnknown.
struct OleControlSite
{
    QWidget* widget = nullptr;
    ComPtr<IUnknown> unknown;
};

// Returns the control's site; a null widget when the control cannot be created.
using OleControlFactory =
    std::function<OleControlSite(const OleControlItem& item, QWidget* parent)>;

namespace layer
{
// Until the container is enabled, a dialog with outside controls cannot be created, as with
// the framework.
void EnableOleControls();
bool OleControlsEnabled();
// Replaces the factory and returns the previous one; an empty factory gives placeholders.
OleControlFactory SetOleControlFactory(OleControlFactory factory);
OleControlSite CreateOleControl(const OleControlItem& item, QWidget* parent);
// The template item a control window was created from, or null for other windows.
const OleControlItem* GetOleControlItem(HWND hWnd);
} // namespace layer
