// SPDX-License-Identifier: GPL-3.0-or-later
// Reference counting for the controls' COM objects: the object deletes itself when its last
// reference goes. Objects come only from Create(), already wrapped in a ComPtr.
#pragma once

#include "platform/kernel/WinTypes.h"

template <class Derived> class CComObject
{
public:
    ULONG AddRefImpl() { return ++m_refs; }
    ULONG ReleaseImpl()
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

private:
    ULONG m_refs = 1;
};
