// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PasswordRecord.h"

#include <gtest/gtest.h>

TEST(PasswordRecord, KeepsTheFirstEightBytes)
{
    EXPECT_EQ(MakePasswordRecord("correct horse"), "correct 58203746");
    EXPECT_EQ(MakePasswordRecord("12345678"), MakePasswordRecord("12345678 and more"));
    EXPECT_EQ(MakePasswordRecord("short"), "short58203746");
    EXPECT_EQ(MakePasswordRecord(""), "58203746");
    EXPECT_NE(MakePasswordRecord("Password"), MakePasswordRecord("password"));
}

TEST(PasswordRecord, NewPasswordRulesInOrder)
{
    const std::string tooShort = "password  must be at least 8 chars";
    const std::string tooLong = "password is to long it must at most 16 chars";
    const std::string mismatch = "Password & Confirm Pw not match";
    EXPECT_EQ(CheckNewPassword("1234567", "1234567"), tooShort);
    EXPECT_EQ(CheckNewPassword("1234567", "other"), tooShort);
    EXPECT_EQ(CheckNewPassword(std::string(17, 'a'), "other"), tooLong);
    EXPECT_EQ(CheckNewPassword("Abcdefgh", "abcdefgh"), mismatch);
    EXPECT_EQ(CheckNewPassword("12345678", "12345678"), "");
    EXPECT_EQ(CheckNewPassword(std::string(16, 'a'), std::string(16, 'a')), "");
    EXPECT_EQ(CheckNewPassword("  four  ", "  four  "), "");

    // Extraction would end the record at the zero byte, so it could never be matched.
    const std::string zero = "password must not hold a zero byte in its first 8 chars";
    const std::string early("pass\0word", 9);
    EXPECT_EQ(CheckNewPassword(early, early), zero);
    EXPECT_EQ(CheckNewPassword(early, "other"), zero);
    const std::string late("password\0", 9);
    EXPECT_EQ(CheckNewPassword(late, late), "") << "bytes past the 8th do not count";
}

TEST(PasswordRecord, TellsARecordByItsShape)
{
    EXPECT_TRUE(IsPasswordRecord(MakePasswordRecord("anything long")));
    EXPECT_TRUE(IsPasswordRecord(MakePasswordRecord("p\xE4sswort")));
    EXPECT_FALSE(IsPasswordRecord(MakePasswordRecord("short")));
    EXPECT_FALSE(IsPasswordRecord("password58203747"));
    EXPECT_FALSE(IsPasswordRecord("password58203746 "));
    EXPECT_FALSE(IsPasswordRecord(""));
}

TEST(PasswordRecord, ATypedPasswordOpensRecordsMadeHereAndOnWindows)
{
    const std::string typed = "p\xC3\xA4sswort!"; // pässwort! as typed here, in UTF-8
    EXPECT_TRUE(PasswordOpensRecord(typed, MakePasswordRecord(typed)));
    // The same password chosen on a Windows machine: one byte a character.
    const std::string windowsRecord = MakePasswordRecord("p\xE4sswort!");
    EXPECT_EQ(windowsRecord, "p\xE4sswort58203746");
    EXPECT_TRUE(PasswordOpensRecord(typed, windowsRecord));
    // Typed in the window (Windows-1252) against a record carvalet-cli made from UTF-8.
    EXPECT_TRUE(PasswordOpensRecord("p\xE4sswort!", MakePasswordRecord(typed)));
    EXPECT_FALSE(PasswordOpensRecord("p\xC3\xB6sswort!", windowsRecord)); // pösswort!
    EXPECT_FALSE(PasswordOpensRecord("passwort", windowsRecord));
    EXPECT_TRUE(PasswordOpensRecord("passwort", MakePasswordRecord("passwort")));
}
