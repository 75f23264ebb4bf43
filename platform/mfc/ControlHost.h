// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog's control container: creates outside controls by class ID from their plugins.
//
// A registry file maps class IDs to plugin libraries, one line each:
//     {BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E} = libcarvalet-skin.so
// Blank lines and lines starting with '#' or ';' are ignored; a relative library path is
// taken from the registry file's folder. The registry beside the program is controls.reg.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/IQtControl.h"
#include "platform/mfc/OccManager.h"

#include <optional>
#include <span>
#include <string>

class QWidget;

class CControlHost
{
public:
    // A control the container created: one reference of ours, and its window.
    struct Control
    {
        ComPtr<IUnknown> unknown;
        QWidget* widget = nullptr; // owned by its Qt parent; it keeps the control alive
    };

    // "<folder of the running executable>/controls.reg".
    static std::string DefaultRegistryPath();
    // The registry the container reads; tests point it at their own. Empty: the default.
    static void SetRegistryPath(std::string path);
    static std::string RegistryPath();

    // The library registered for `clsid`, resolved to a path; nullopt when not registered or
    // the registry cannot be read (then `error` says which).
    static std::optional<std::string> FindLibrary(REFCLSID clsid, std::string& error);

    // Creates an instance of `clsid` from its plugin. On failure returns a negative HRESULT and
    // sets `error` to one sentence naming the class ID and the reason.
    static HRESULT CreateObject(REFCLSID clsid, ComPtr<IUnknown>& object, std::string& error);

    // CreateObject, then hands the control its persisted stream and asks for its window as a
    // child of `parent`. Nothing is left behind on failure.
    static HRESULT CreateControl(REFCLSID clsid, std::span<const BYTE> stream, QWidget* parent,
                                 Control& control, std::string& error);

    // The dialog container's factory (registered with layer::SetOleControlFactory when the layer
    // loads): CreateControl for a template item; a failure is reported and gives no widget.
    static OleControlSite CreateSite(const OleControlItem& item, QWidget* parent);
};
