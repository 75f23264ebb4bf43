// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog's control container: enabled once at start-up; it reports controls that cannot be
// created. The container's factory lives in ControlHost.cpp.
#pragma once

#include "platform/user/OleControls.h"

#include <string>

class COccManager;

// Must be called before a dialog with outside controls is created.
void AfxEnableControlContainer(COccManager* pOccManager = nullptr);

namespace layer
{
// A control that cannot be created at all is the container's to report: the message goes to
// standard error and, when there is a display, into a message box. From then on the program's
// exit status is non-zero (AfxWinMain).
void ReportOleControlFailure(const std::string& message);
bool OleControlFailed();
} // namespace layer
