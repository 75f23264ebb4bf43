#include "common/Cp1252.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace carvalet
{
namespace
{

// The characters of bytes 0x80 to 0x9F; the rest of the code page is Latin-1.
constexpr std::array<char32_t, 32> HIGH = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The next character of UTF-8 text, or none for a malformed, overlong or surrogate sequence.
std::optional<char32_t> NextCharacter(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<std::uint8_t>(text[at++]);
    if (lead < 0x80)
    {
        return lead;
    }
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || lead > 0xF4 || at + static_cast<std::size_t>(extra) > text.size())
    {
        return std::nullopt;
    }
    char32_t c = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i)
    {
        const auto next = static_cast<std::uint8_t>(text[at++]);
        if ((next & 0xC0) != 0x80)
        {
            return std::nullopt;
        }
        c = (c << 6) | (next & 0x3F);
    }
    constexpr std::array<char32_t, 4> smallest = {0, 0x80, 0x800, 0x10000};
    if (c < smallest[static_cast<std::size_t>(extra)] || c > 0x10FFFF ||
        (c >= 0xD800 && c <= 0xDFFF))
    {
        return std::nullopt;
    }
    return c;
}

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

bool IsValidUtf8(std::string_view bytes)
{
    for (std::size_t at = 0; at < bytes.size();)
    {
        if (!NextCharacter(bytes, at))
        {
            return false;
        }
    }
    return true;
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
    for (std::size_t at = 0; at < utf8.size();)
    {
        const std::optional<char32_t> c = NextCharacter(utf8, at);
        const std::optional<unsigned char> byte = c ? Cp1252Byte(*c) : std::nullopt;
        if (!byte)
        {
            return std::nullopt;
        }
        out += static_cast<char>(*byte);
    }
    return out;
}

} // namespace carvalet
