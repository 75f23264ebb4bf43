// SPDX-License-Identifier: GPL-3.0-or-later
// The plugin's entry: the class object of the skin control.
#include "controls/common/ClassFactory.h"
#include "controls/skin/SkinControl.h"
#include "skin/ControlIds.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid,
                                                                            REFIID riid, void** ppv)
{
    static CClassFactory<CSkinControl> factory;
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_SkinControl)
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
}
