// Hosting of outside (ActiveX) controls in dialogs. The control host registers a factory that
// creates a control's widget from its template item and persisted stream; without one, the
// item gets an empty placeholder at its place.
#pragma once

#include "WindowRecord.h"

#include <functional>

class COccManager;

// Must be called before a dialog with outside controls is created; until then such a dialog
// cannot be created, as with the framework.
void AfxEnableControlContainer(COccManager* pOccManager = nullptr);
bool AfxIsControlContainerEnabled();

// Returns the control's widget (parented to `parent`), or null when it cannot be created.
using OleControlFactory = std::function<QWidget*(const OleControlItem& item, QWidget* parent)>;
void AfxSetOleControlFactory(OleControlFactory factory);
QWidget* AfxCreateOleControlWidget(const OleControlItem& item, QWidget* parent);

// The template item a control window was created from, or null for other windows.
const OleControlItem* AfxGetOleControlItem(HWND hWnd);
