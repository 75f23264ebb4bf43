// SPDX-License-Identifier: GPL-3.0-or-later
// The table behind every handle. A handle value packs a slot index (low 20 bits) with the
// slot's generation (high 12 bits, never 0), so a value whose object is gone, or whose slot has
// been reused, resolves to nothing.
#pragma once

#include "platform/kernel/WinTypes.h"

#include <memory>
#include <vector>

// Anything a handle can name derives from this: windows, icons, bitmaps, device contexts,
// menus and kernel objects.
class CHandleObject
{
public:
    virtual ~CHandleObject() = default;
    std::uint32_t m_handle = 0;
};

class CHandleTable
{
public:
    static CHandleTable& Instance();

    std::uint32_t Add(std::unique_ptr<CHandleObject> object);
    CHandleObject* Lookup(std::uint32_t value) const;
    // Takes the object out; the value goes stale at once.
    std::unique_ptr<CHandleObject> Remove(std::uint32_t value);
    std::size_t Count() const { return m_live; }

    template <class T> T* Find(std::uint32_t value) const
    {
        return dynamic_cast<T*>(Lookup(value));
    }
    template <class T, class Tag> T* Find(Handle<Tag> handle) const
    {
        return Find<T>(handle.value);
    }

private:
    struct Slot
    {
        std::unique_ptr<CHandleObject> object;
        std::uint32_t generation = 1;
    };
    static constexpr std::uint32_t kIndexBits = 20;
    static constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;
    static constexpr std::uint32_t kGenerationMask = 0xFFF;

    const Slot* SlotOf(std::uint32_t value) const;

    std::vector<Slot> m_slots;
    std::vector<std::uint32_t> m_free;
    std::size_t m_live = 0;
};
