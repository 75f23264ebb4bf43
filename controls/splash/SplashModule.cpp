// SPDX-License-Identifier: GPL-3.0-or-later
// The plugin's entry: the class object of the splash control.
#include "controls/common/ClassFactory.h"
#include "controls/splash/SplashControl.h"
#include "skin/ControlIds.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid,
                                                                            REFIID riid, void** ppv)
{
    static CClassFactory<CSplashControl> factory;
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (clsid != CLSID_SplashControl)
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
}
