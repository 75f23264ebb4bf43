#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Only the first PASSWORD_RECORD_KEPT bytes of a password count: the record is those bytes
// followed by a fixed suffix, so passwords that share their first 8 bytes are interchangeable.
inline constexpr std::size_t PASSWORD_RECORD_KEPT = 8;
inline constexpr const char* PASSWORD_RECORD_SUFFIX = "58203746";
inline constexpr std::size_t PASSWORD_RECORD_LENGTH = 16;
inline constexpr std::size_t PASSWORD_MIN_LENGTH = 8;
inline constexpr std::size_t PASSWORD_MAX_LENGTH = 16;

std::string MakePasswordRecord(const std::string& password);

// The rules for choosing a new password, in the order the user meets them: the message to
// show for the first rule broken, or an empty string when the password may be used.
std::string CheckNewPassword(const std::string& password, const std::string& confirmation);

// Whether a typed password (UTF-8) opens a stored record. A record made on a Windows machine
// holds the password in the Windows-1252 code page, so that form is tried as well.
bool PasswordOpensRecord(const std::string& typed, const std::string& record);

// UTF-8 text in the Windows-1252 code page; none when it is not valid UTF-8 or holds a
// character that code page lacks.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// Windows-1252 text in UTF-8; the five bytes the code page leaves unused keep their C1 values,
// as Windows decodes them.
std::string Cp1252ToUtf8(std::string_view cp1252);
