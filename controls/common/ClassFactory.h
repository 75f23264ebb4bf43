// SPDX-License-Identifier: GPL-3.0-or-later
// The class object a plugin hands out for each of its classes. One static instance per class:
// it is never deleted, so its reference count is only kept for the form.
#pragma once

#include "platform/com/ComPtr.h"

template <class T> class CClassFactory final : public IClassFactory
{
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (outer != nullptr)
            return static_cast<HRESULT>(0x80040110u); // CLASS_E_NOAGGREGATION
        auto object = T::Create();
        return object->QueryInterface(riid, ppv);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};
