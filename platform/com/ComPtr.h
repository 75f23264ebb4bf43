// SPDX-License-Identifier: GPL-3.0-or-later
// Holds one reference to a COM interface and releases it when it goes.
#pragma once

#include "platform/com/Com.h"

#include <utility>

template <class T> class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(const ComPtr& other) : m_p(other.m_p)
    {
        if (m_p != nullptr)
            m_p->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    // Takes over a reference the caller already holds (as QueryInterface hands out).
    static ComPtr Attach(T* p)
    {
        ComPtr result;
        result.m_p = p;
        return result;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }

    void Reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }

    // For out-parameters: drops the current reference first.
    void** PutVoid()
    {
        Reset();
        return reinterpret_cast<void**>(&m_p);
    }
    T** Put()
    {
        Reset();
        return &m_p;
    }

    template <class U> ComPtr<U> As(REFIID iid) const
    {
        ComPtr<U> result;
        if (m_p != nullptr)
            m_p->QueryInterface(iid, result.PutVoid());
        return result;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};
