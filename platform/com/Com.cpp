// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/com/Com.h"

#include "common/Hex.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

namespace
{

// Reads `digits` hex digits at `pos`; false if any is not a hex digit.
bool ReadHex(std::string_view text, std::size_t pos, std::size_t digits, std::uint32_t& value)
{
    value = 0;
    for (std::size_t i = 0; i < digits; ++i)
    {
        const int d = carvalet::HexDigitValue(text[pos + i]);
        if (d < 0)
            return false;
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return true;
}

// The byte-length prefix lives just before the characters.
constexpr std::size_t kPrefix = sizeof(std::uint32_t);

std::byte* Block(BSTR text)
{
    return reinterpret_cast<std::byte*>(text) - kPrefix;
}

} // namespace

std::optional<GUID> GuidFromString(std::string_view text)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' ||
        text[14] != '-' || text[19] != '-' || text[24] != '-')
        return std::nullopt;
    GUID guid{};
    std::uint32_t v = 0;
    if (!ReadHex(text, 1, 8, v))
        return std::nullopt;
    guid.Data1 = v;
    if (!ReadHex(text, 10, 4, v))
        return std::nullopt;
    guid.Data2 = static_cast<std::uint16_t>(v);
    if (!ReadHex(text, 15, 4, v))
        return std::nullopt;
    guid.Data3 = static_cast<std::uint16_t>(v);
    static constexpr std::size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i)
    {
        if (!ReadHex(text, kBytePos[i], 2, v))
            return std::nullopt;
        guid.Data4[i] = static_cast<std::uint8_t>(v);
    }
    return guid;
}

std::string GuidToString(const GUID& g)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2),
                  static_cast<unsigned>(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buffer;
}

BSTR SysAllocString(LPCWSTR text)
{
    if (text == nullptr)
        return nullptr;
    UINT length = 0;
    while (text[length] != u'\0')
        ++length;
    return SysAllocStringLen(text, length);
}

BSTR SysAllocStringLen(LPCWSTR text, UINT length)
{
    constexpr UINT kMaxLength = (std::numeric_limits<std::uint32_t>::max() - 16) / 2;
    if (length > kMaxLength)
        return nullptr;
    const std::uint32_t bytes = length * static_cast<std::uint32_t>(sizeof(char16_t));
    // malloc is the BSTR allocator: blocks must outlive any C++ owner and be freed by
    // SysFreeString from either side of a plugin boundary.
    void* block = std::malloc(kPrefix + bytes + sizeof(char16_t));
    if (block == nullptr)
        return nullptr;
    auto* raw = static_cast<std::byte*>(block);
    std::memcpy(raw, &bytes, kPrefix);
    auto* chars = reinterpret_cast<char16_t*>(raw + kPrefix);
    if (text != nullptr)
        std::memcpy(chars, text, bytes);
    else
        std::memset(chars, 0, bytes);
    chars[length] = u'\0';
    return chars;
}

void SysFreeString(BSTR text)
{
    if (text != nullptr)
        std::free(Block(text));
}

UINT SysStringByteLen(BSTR text)
{
    if (text == nullptr)
        return 0;
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, Block(text), kPrefix);
    return bytes;
}

UINT SysStringLen(BSTR text)
{
    return SysStringByteLen(text) / sizeof(char16_t);
}
