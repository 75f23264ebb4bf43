// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PasswordRecord.h"

#include "common/Cp1252.h"

#include <optional>

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
    if (password.find('\0') < PASSWORD_RECORD_KEPT)
    {
        return "password must not hold a zero byte in its first 8 chars";
    }
    if (password != confirmation)
    {
        return "Password & Confirm Pw not match";
    }
    return {};
}

bool IsPasswordRecord(const std::string& record)
{
    return record.size() == PASSWORD_RECORD_LENGTH &&
           record.compare(PASSWORD_RECORD_KEPT, std::string::npos, PASSWORD_RECORD_SUFFIX) == 0;
}

bool PasswordOpensRecord(const std::string& typed, const std::string& record)
{
    if (MakePasswordRecord(typed) == record)
    {
        return true;
    }
    // Typed as UTF-8 (the command line): its Windows-1252 form; typed in Windows-1252 (the
    // window): its UTF-8 form, as records made here before were.
    const std::optional<std::string> other =
        carvalet::IsValidUtf8(typed) ? carvalet::EncodeCp1252(typed)
                                     : std::optional<std::string>(carvalet::DecodeText(typed));
    return other && *other != typed && MakePasswordRecord(*other) == record;
}
