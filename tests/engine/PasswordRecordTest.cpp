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
}

TEST(PasswordRecord, UnicodeTextInTheWindowsCodePage)
{
    EXPECT_EQ(Utf8ToCp1252("plain ascii"), "plain ascii");
    EXPECT_EQ(Utf8ToCp1252("p\xC3\xA4ss"), "p\xE4ss"); // ä, Latin-1 range
    EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC\xC5\x93\xE2\x80\x94"), "\x80\x9C\x97"); // € œ —
    EXPECT_EQ(Utf8ToCp1252("\xC2\x81"), std::nullopt) << "a byte the code page leaves unused";
    EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), std::nullopt) << "a character it lacks";
    EXPECT_EQ(Utf8ToCp1252("\xE4ss"), std::nullopt) << "not UTF-8";
    EXPECT_EQ(Utf8ToCp1252("\xC3"), std::nullopt) << "cut short";
    EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), std::nullopt) << "overlong";
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), std::nullopt) << "a surrogate";
}

TEST(PasswordRecord, ATypedPasswordOpensRecordsMadeHereAndOnWindows)
{
    const std::string typed = "p\xC3\xA4sswort!"; // pässwort! as typed here, in UTF-8
    EXPECT_TRUE(PasswordOpensRecord(typed, MakePasswordRecord(typed)));
    // The same password chosen on a Windows machine: one byte a character.
    const std::string windowsRecord = MakePasswordRecord("p\xE4sswort!");
    EXPECT_EQ(windowsRecord, "p\xE4sswort58203746");
    EXPECT_TRUE(PasswordOpensRecord(typed, windowsRecord));
    EXPECT_FALSE(PasswordOpensRecord("p\xC3\xB6sswort!", windowsRecord)); // pösswort!
    EXPECT_FALSE(PasswordOpensRecord("passwort", windowsRecord));
    EXPECT_TRUE(PasswordOpensRecord("passwort", MakePasswordRecord("passwort")));
}
