// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Utf8.h"
#include "common/Hex.h"

#include <gtest/gtest.h>

using carvalet::FirstUtf8Character;

// Which bytes are UTF-8 at all is tested through the Windows-1252 crossings; here, the length.
TEST(Utf8, EachLengthOfCharacterReadsWithItsLength)
{
    for (const std::string text : {"a", "\xC2\x80", "\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF"})
    {
        const auto c = FirstUtf8Character(text + "\xC3");
        ASSERT_TRUE(c) << text;
        EXPECT_EQ(c->length, text.size());
        std::string written;
        carvalet::AppendUtf8(written, c->code);
        EXPECT_EQ(written, text);
    }
    EXPECT_FALSE(FirstUtf8Character(""));
    EXPECT_FALSE(FirstUtf8Character("\xF4\x8F\xBF"));
}

TEST(Hex, DigitsOfEitherCaseAndNothingElse)
{
    static_assert(carvalet::HexDigitValue('0') == 0 && carvalet::HexDigitValue('9') == 9);
    static_assert(carvalet::HexDigitValue('a') == 10 && carvalet::HexDigitValue('F') == 15);
    for (const char c : {'g', 'G', '/', ':', '@', '`', '\0'})
        EXPECT_EQ(carvalet::HexDigitValue(c), -1) << int(c);
}
