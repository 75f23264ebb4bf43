#include "engine/PasswordRecord.h"

#include <array>
#include <cstdint>

namespace
{
// The characters of Windows-1252's bytes 0x80 to 0x9F; zero marks the five it leaves unused.
constexpr std::array<char32_t, 32> CP1252_HIGH = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

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
} // namespace

std::string MakePasswordRecord(const std::string& password)
{
    return password.substr(0, PASSWORD_RECORD_KEPT) + PASSWORD_RECORD_SUFFIX;
}

std::string CheckNewPassword(const std::string& password, const std::string& confirmation)
{
    if (password.size() < PASSWORD_MIN_LENGTH)
    {
        return "password  must be at least 8 chars";
    }
    if (password.size() > PASSWORD_MAX_LENGTH)
    {
        return "password is to long it must at most 16 chars";
    }
    if (password != confirmation)
    {
        return "Password & Confirm Pw not match";
    }
    return {};
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();)
    {
        const std::optional<char32_t> c = NextCharacter(utf8, at);
        if (!c)
        {
            return std::nullopt;
        }
        if (*c < 0x80 || (*c >= 0xA0 && *c <= 0xFF))
        {
            out += static_cast<char>(*c);
            continue;
        }
        std::size_t i = 0;
        while (i < CP1252_HIGH.size() && (CP1252_HIGH[i] != *c || *c == 0))
        {
            ++i;
        }
        if (i == CP1252_HIGH.size())
        {
            return std::nullopt;
        }
        out += static_cast<char>(0x80 + i);
    }
    return out;
}

bool PasswordOpensRecord(const std::string& typed, const std::string& record)
{
    if (MakePasswordRecord(typed) == record)
    {
        return true;
    }
    const std::optional<std::string> windowsForm = Utf8ToCp1252(typed);
    return windowsForm && *windowsForm != typed && MakePasswordRecord(*windowsForm) == record;
}

bool IsValidUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();)
    {
        if (!NextCharacter(text, at))
        {
            return false;
        }
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view cp1252)
{
    std::string out;
    out.reserve(cp1252.size() * 2);
    for (const char byte : cp1252)
    {
        const auto b = static_cast<std::uint8_t>(byte);
        char32_t c = b;
        if (b >= 0x80 && b < 0xA0 && CP1252_HIGH[b - 0x80] != 0)
        {
            c = CP1252_HIGH[b - 0x80];
        }
        if (c < 0x80)
        {
            out += static_cast<char>(c);
        }
        else if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
