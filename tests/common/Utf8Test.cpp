#include "common/Utf8.h"
#include "common/Hex.h"

#include <gtest/gtest.h>

#include <cstdint>

using carvalet::AppendUtf8;
using carvalet::FirstUtf8Character;

TEST(Utf8, EveryCharacterRoundTripsWithItsLength)
{
    for (const std::uint32_t value :
         {0x00, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFF, 0x10000, 0x10FFFF})
    {
        const auto c = static_cast<char32_t>(value);
        std::string bytes;
        AppendUtf8(bytes, c);
        const auto read = FirstUtf8Character(bytes + "tail");
        ASSERT_TRUE(read) << std::hex << value;
        EXPECT_EQ(read->code, c);
        EXPECT_EQ(read->length, bytes.size()) << std::hex << value;
        EXPECT_EQ(bytes.size(), c < 0x80 ? 1u : c < 0x800 ? 2u : c < 0x10000 ? 3u : 4u);
    }
    for (const char* bad : {"", "\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF4\x90\x80",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xE2\x28\xA1"})
        EXPECT_FALSE(FirstUtf8Character(bad)) << "starts with no character: " << bad;

    // A lone surrogate keeps the three-byte form that text holding one came in.
    std::string lone;
    AppendUtf8(lone, 0xDC80);
    EXPECT_EQ(lone, "\xED\xB2\x80");
}

TEST(Hex, DigitsOfEitherCaseAndNothingElse)
{
    static_assert(carvalet::HexDigitValue('0') == 0 && carvalet::HexDigitValue('9') == 9);
    static_assert(carvalet::HexDigitValue('a') == 10 && carvalet::HexDigitValue('F') == 15);
    for (const char c : {'g', 'G', '/', ':', '@', '`', ' ', '\0', '\xB0'})
        EXPECT_EQ(carvalet::HexDigitValue(c), -1) << int(c);
}
