// SPDX-License-Identifier: GPL-3.0-or-later
// The contract between the dialog's control container and an outside control plugin.
//
// A plugin exports `extern "C" HRESULT DllGetClassObject(REFCLSID, REFIID, void**)`. The
// container asks it for the IClassFactory of a class ID, creates an instance, and asks that
// instance for IQtControl. Then, in this order and once each:
//   1. Load: the control's persisted stream, the bytes of its dialog-init record (possibly
//      none). The bytes are only valid during the call.
//   2. CreateWidget: the control's window, a child of `parent`. Qt's parent owns the widget;
//      the container places it, sets its visibility and registers it as a window.
// The widget holds a reference to its control, so a control lives at least as long as its
// window; the container's own reference is released when it no longer needs the control.
// Code of a plugin may stay attached to host windows (event filters, painters), so the
// container never unloads a plugin library.
#pragma once

#include "platform/com/Com.h"

class QWidget;

// {D4A36862-47FB-4639-AE59-01EF9333B7D0}
inline constexpr IID IID_IQtControl = {
    0xD4A36862, 0x47FB, 0x4639, {0xAE, 0x59, 0x01, 0xEF, 0x93, 0x33, 0xB7, 0xD0}};

struct IQtControl : IUnknown
{
    // Entry 3. A negative result means the stream is unusable; the container then gives up
    // on the control.
    virtual HRESULT Load(const BYTE* data, ULONG size) = 0;
    // Entry 4. On success *widget is a new child of parent (never null).
    virtual HRESULT CreateWidget(QWidget* parent, QWidget** widget) = 0;

protected:
    ~IQtControl() = default;
};
