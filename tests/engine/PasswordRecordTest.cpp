#include "PasswordRecord.h"

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
