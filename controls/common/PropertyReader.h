// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a control's persisted stream. Every value is little-endian:
//   string   32-bit byte length, then that many bytes of UTF-16 (no terminator)
//   integer  32-bit, two's complement
//   colour   3 bytes: red, green, blue
//   boolean  16-bit, zero is false and anything else true
// A read past the end, or a string of odd or oversized length, fails and leaves the value.
#pragma once

#include "platform/kernel/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CPropertyReader
{
public:
    CPropertyReader(const BYTE* data, std::size_t size) : m_data(data), m_size(data ? size : 0) {}

    bool ReadString(std::u16string& value);
    bool ReadInt(std::int32_t& value);
    bool ReadColor(DWORD& rgb); // as 0x00BBGGRR
    bool ReadBool(bool& value);

    std::size_t Remaining() const { return m_size - m_pos; }

    static constexpr std::uint32_t kMaxStringBytes = 64 * 1024;

private:
    bool Take(std::size_t count, const BYTE*& at);

    const BYTE* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};
