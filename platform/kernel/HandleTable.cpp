// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kernel/HandleTable.h"

#include <stdexcept>

CHandleTable& CHandleTable::Instance()
{
    static CHandleTable table;
    return table;
}

std::uint32_t CHandleTable::Add(std::unique_ptr<CHandleObject> object)
{
    std::uint32_t index;
    if (!m_free.empty())
    {
        index = m_free.back();
        m_free.pop_back();
    }
    else
    {
        // Slot 0 is never used, so no handle is ever 0.
        if (m_slots.empty())
            m_slots.emplace_back();
        if (m_slots.size() > kIndexMask)
            throw std::runtime_error("handle table full");
        index = static_cast<std::uint32_t>(m_slots.size());
        m_slots.emplace_back();
    }
    Slot& slot = m_slots[index];
    slot.object = std::move(object);
    const std::uint32_t value = (slot.generation << kIndexBits) | index;
    slot.object->m_handle = value;
    ++m_live;
    return value;
}

const CHandleTable::Slot* CHandleTable::SlotOf(std::uint32_t value) const
{
    const std::uint32_t index = value & kIndexMask;
    const std::uint32_t generation = value >> kIndexBits;
    if (index == 0 || index >= m_slots.size())
        return nullptr;
    const Slot& slot = m_slots[index];
    if (slot.generation != generation || !slot.object)
        return nullptr;
    return &slot;
}

CHandleObject* CHandleTable::Lookup(std::uint32_t value) const
{
    const Slot* slot = SlotOf(value);
    return slot ? slot->object.get() : nullptr;
}

std::unique_ptr<CHandleObject> CHandleTable::Remove(std::uint32_t value)
{
    if (!SlotOf(value))
        return nullptr;
    const std::uint32_t index = value & kIndexMask;
    Slot& slot = m_slots[index];
    std::unique_ptr<CHandleObject> object = std::move(slot.object);
    slot.generation = (slot.generation % kGenerationMask) + 1;
    m_free.push_back(index);
    --m_live;
    return object;
}
