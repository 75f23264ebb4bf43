// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>

// Only the first PASSWORD_RECORD_KEPT bytes of a password count: the record is those bytes
// followed by a fixed suffix, so passwords that share their first 8 bytes are interchangeable.
inline constexpr std::size_t PASSWORD_RECORD_KEPT = 8;
inline constexpr const char* PASSWORD_RECORD_SUFFIX = "58203746";
inline constexpr std::size_t PASSWORD_RECORD_LENGTH = 16;
inline constexpr std::size_t PASSWORD_MIN_LENGTH = 8;
inline constexpr std::size_t PASSWORD_MAX_LENGTH = 16;

std::string MakePasswordRecord(const std::string& password);

// Whether text extracted from the password slot has the shape MakePasswordRecord gives it.
bool IsPasswordRecord(const std::string& record);

// The rules for choosing a new password, in the order the user meets them: the message to
// show for the first rule broken, or an empty string when the password may be used. A zero
// byte among the kept bytes is refused: extraction ends the record there, so it could never
// be matched again.
std::string CheckNewPassword(const std::string& password, const std::string& confirmation);

// Whether a typed password opens a stored record. The window stores a typed password in
// Windows-1252 when it can and the command line keeps the bytes it is given, usually UTF-8,
// so a password is tried in both forms.
bool PasswordOpensRecord(const std::string& typed, const std::string& record);
