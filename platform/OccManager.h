// Hosting of outside (ActiveX) controls in dialogs. The control host (ControlHost.cpp) registers
// a factory that creates a control from its template item and persisted stream; without one,
// the item gets an empty placeholder at its place.
#pragma once

#include "ComPtr.h"
#include "WindowRecord.h"

#include <functional>
#include <string>

class COccManager;

// Must be called before a dialog with outside controls is created; until then such a dialog
// cannot be created, as with the framework.
void AfxEnableControlContainer(COccManager* pOccManager = nullptr);
bool AfxIsControlContainerEnabled();

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
// Replaces the factory and returns the previous one; an empty factory gives placeholders.
OleControlFactory AfxSetOleControlFactory(OleControlFactory factory);
OleControlSite AfxCreateOleControl(const OleControlItem& item, QWidget* parent);

// A control that cannot be created at all is the container's to report: the message goes to
// standard error and, when there is a display, into a message box. From then on the program's
// exit status is non-zero (AfxWinMain).
void AfxReportOleControlFailure(const std::string& message);
bool AfxOleControlFailed();

// The template item a control window was created from, or null for other windows.
const OleControlItem* AfxGetOleControlItem(HWND hWnd);
