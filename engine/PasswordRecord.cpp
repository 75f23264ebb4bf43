#include "PasswordRecord.h"

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
