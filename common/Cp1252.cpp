// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Cp1252.h"

#include <array>
#include <cstddef>

namespace carvalet
{
namespace
{

// The characters of bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr std::array<char32_t, 32> HIGH = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<unsigned char> Cp1252Byte(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
    {
        return static_cast<unsigned char>(c);
    }
    for (std::size_t i = 0; i < HIGH.size(); ++i)
    {
        if (HIGH[i] == c)
        {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    return std::nullopt;
}

} // namespace

char32_t Cp1252Character(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? HIGH[byte - 0x80u] : char32_t{byte};
}

std::string DecodeText(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
    {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char byte : bytes)
    {
        AppendUtf8(out, Cp1252Character(static_cast<unsigned char>(byte)));
    }
    return out;
}

std::optional<std::string> EncodeCp1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty())
    {
        const std::optional<Utf8Character> c = FirstUtf8Character(utf8);
        const std::optional<unsigned char> byte = c ? Cp1252Byte(c->code) : std::nullopt;
        if (!byte)
        {
            return std::nullopt;
        }
        out += static_cast<char>(*byte);
        utf8.remove_prefix(c->length);
    }
    return out;
}

} // namespace carvalet
