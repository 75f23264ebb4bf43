// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Cp1252.h"

#include <gtest/gtest.h>

using carvalet::Cp1252Character;
using carvalet::DecodeText;
using carvalet::EncodeCp1252;
using carvalet::IsValidUtf8;

TEST(Cp1252, EveryByteReadsAsACharacterAndWritesBackAsItself)
{
    // Text from a Windows machine survives being shown and stored again, unused bytes too.
    for (int b = 0; b < 256; ++b)
    {
        // A leading 0xFF makes the text invalid UTF-8, so it is read as Windows-1252.
        const std::string bytes{'\xFF', static_cast<char>(b)};
        const std::string text = DecodeText(bytes);
        ASSERT_TRUE(IsValidUtf8(text)) << b;
        EXPECT_EQ(EncodeCp1252(text), bytes) << "byte " << b;
    }
    EXPECT_EQ(Cp1252Character(0x80), U'\u20AC');
    EXPECT_EQ(Cp1252Character(0x9F), U'\u0178');
    EXPECT_EQ(Cp1252Character(0xE9), U'\u00E9');
    for (unsigned char unused : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
    {
        EXPECT_EQ(Cp1252Character(unused), char32_t{unused}) << "as Windows reads it";
    }
}

TEST(Cp1252, Utf8IsReadFirstAndAnythingElseAsWindows1252)
{
    EXPECT_EQ(DecodeText("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(DecodeText("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(DecodeText("\x80 \x93q\x94"), "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D");
    EXPECT_EQ(DecodeText(std::string("a\0b", 3)), std::string("a\0b", 3));
    // Each of these is not UTF-8, so the whole text is read byte by byte.
    EXPECT_EQ(DecodeText("\xC0\xAF"), "\xC3\x80\xC2\xAF") << "overlong";
    EXPECT_EQ(DecodeText("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC") << "a surrogate";
    EXPECT_EQ(DecodeText("\xC3"), "\xC3\x83") << "cut short";
    EXPECT_EQ(DecodeText("\xF4\x90\x80\x80").substr(0, 2), "\xC3\xB4") << "past U+10FFFF";
}

TEST(Cp1252, EncodesOnlyWhenEveryCharacterHasAForm)
{
    EXPECT_EQ(EncodeCp1252("plain ascii"), "plain ascii");
    EXPECT_EQ(EncodeCp1252("p\xC3\xA4ss"), "p\xE4ss");
    EXPECT_EQ(EncodeCp1252("\xE2\x82\xAC\xC5\x93\xE2\x80\x94"), "\x80\x9C\x97"); // € œ —
    EXPECT_EQ(EncodeCp1252("\xC2\x81"), "\x81") << "the control character of an unused byte";
    EXPECT_EQ(EncodeCp1252("\xE4\xB8\xAD"), std::nullopt) << "a character it lacks";
    EXPECT_EQ(EncodeCp1252("\xF0\x9F\x98\x80"), std::nullopt) << "beyond 16 bits";
    EXPECT_EQ(EncodeCp1252("\xE4ss"), std::nullopt) << "not UTF-8";
    EXPECT_EQ(EncodeCp1252("\xC3"), std::nullopt) << "cut short";
    EXPECT_EQ(EncodeCp1252("\xC0\xAF"), std::nullopt) << "overlong";
    EXPECT_EQ(EncodeCp1252("\xED\xA0\x80"), std::nullopt) << "a surrogate";
    EXPECT_EQ(EncodeCp1252(""), "");
}
