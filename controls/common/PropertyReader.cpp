// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/common/PropertyReader.h"

bool CPropertyReader::Take(std::size_t count, const BYTE*& at)
{
    if (count > Remaining())
        return false;
    at = m_data + m_pos;
    m_pos += count;
    return true;
}

bool CPropertyReader::ReadInt(std::int32_t& value)
{
    const BYTE* p = nullptr;
    if (!Take(4, p))
        return false;
    const std::uint32_t u =
        static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
        (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    value = static_cast<std::int32_t>(u);
    return true;
}

bool CPropertyReader::ReadString(std::u16string& value)
{
    const std::size_t start = m_pos;
    std::int32_t length = 0;
    if (!ReadInt(length))
        return false;
    const auto bytes = static_cast<std::uint32_t>(length);
    const BYTE* p = nullptr;
    if (bytes % 2 != 0 || bytes > kMaxStringBytes || !Take(bytes, p))
    {
        m_pos = start;
        return false;
    }
    std::u16string text(bytes / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    value = std::move(text);
    return true;
}

bool CPropertyReader::ReadColor(DWORD& rgb)
{
    const BYTE* p = nullptr;
    if (!Take(3, p))
        return false;
    rgb = static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
          (static_cast<DWORD>(p[2]) << 16);
    return true;
}

bool CPropertyReader::ReadBool(bool& value)
{
    const BYTE* p = nullptr;
    if (!Take(2, p))
        return false;
    value = (p[0] | p[1]) != 0;
    return true;
}
