// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Utf8.h"

#include <array>
#include <cstdint>

namespace carvalet
{

std::optional<Utf8Character> FirstUtf8Character(std::string_view bytes)
{
    if (bytes.empty())
    {
        return std::nullopt;
    }
    const auto lead = static_cast<std::uint8_t>(bytes[0]);
    if (lead < 0x80)
    {
        return Utf8Character{lead, 1};
    }
    const std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (extra == 0 || lead > 0xF4 || bytes.size() <= extra)
    {
        return std::nullopt;
    }
    char32_t c = lead & (0x3F >> extra);
    for (std::size_t i = 1; i <= extra; ++i)
    {
        const auto next = static_cast<std::uint8_t>(bytes[i]);
        if ((next & 0xC0) != 0x80)
        {
            return std::nullopt;
        }
        c = (c << 6) | (next & 0x3F);
    }
    constexpr std::array<char32_t, 4> smallest = {0, 0x80, 0x800, 0x10000};
    if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
    {
        return std::nullopt;
    }
    return Utf8Character{c, extra + 1};
}

bool IsValidUtf8(std::string_view bytes)
{
    while (!bytes.empty())
    {
        const std::optional<Utf8Character> c = FirstUtf8Character(bytes);
        if (!c)
        {
            return false;
        }
        bytes.remove_prefix(c->length);
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80)
    {
        out += static_cast<char>(c);
        return;
    }
    const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    constexpr std::array<unsigned, 4> lead = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(lead[static_cast<std::size_t>(extra)] | (c >> (6 * extra)));
    for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6)
    {
        out += static_cast<char>(0x80 | ((c >> shift) & 0x3F));
    }
}

} // namespace carvalet
