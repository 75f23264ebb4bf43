// SPDX-License-Identifier: GPL-3.0-or-later
// The objects FromHandle hands out: the permanent one a handle is attached to, else a
// temporary wrapper made on demand. Temporaries whose handle has gone stale are swept away
// whenever a new one is made, as MFC sweeps its temporary maps when idle.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

namespace layer
{
template <class T, class H, H T::*Handle> class CHandleMap
{
public:
    // `alive` tells whether a handle still names something.
    explicit CHandleMap(bool (*alive)(H)) : m_alive(alive) {}

    T* FromHandlePermanent(H h) const
    {
        const auto it = m_permanent.find(h.value);
        return it == m_permanent.end() ? nullptr : it->second;
    }
    // Null for a null or stale handle.
    T* FromHandle(H h)
    {
        if (!h || !m_alive(h))
            return nullptr;
        if (T* permanent = FromHandlePermanent(h))
            return permanent;
        if (const auto it = m_temporary.find(h.value); it != m_temporary.end())
            return it->second.get();
        std::erase_if(m_temporary, [this](const auto& entry) { return !m_alive(H(entry.first)); });
        auto wrapper = std::make_unique<T>();
        (*wrapper).*Handle = h;
        return (m_temporary[h.value] = std::move(wrapper)).get();
    }
    // False when another object holds the handle already.
    bool SetPermanent(H h, T* object)
    {
        T*& slot = m_permanent[h.value];
        if (slot && slot != object)
            return false;
        slot = object;
        return true;
    }
    void RemovePermanent(H h, const T* object)
    {
        if (const auto it = m_permanent.find(h.value);
            it != m_permanent.end() && it->second == object)
            m_permanent.erase(it);
    }

private:
    bool (*m_alive)(H);
    std::map<std::uint32_t, T*> m_permanent;
    std::map<std::uint32_t, std::unique_ptr<T>> m_temporary;
};
} // namespace layer
