// SPDX-License-Identifier: GPL-3.0-or-later
// Windows-1252, the code page in which Windows machines store typed text: its table, and the
// two crossings between it and UTF-8. All 256 bytes have a character and back, so bytes that
// pass through text unchanged come out as they went in.
#pragma once

#include "common/Utf8.h"

#include <optional>
#include <string>
#include <string_view>

namespace carvalet
{

// The character of one Windows-1252 byte. The five bytes the code page leaves unused (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same number, as on Windows.
char32_t Cp1252Character(unsigned char byte);

// Text read from a file or a carrier, as UTF-8: bytes that are valid UTF-8 are taken as they
// are; anything else is read as Windows-1252, where every byte is a character.
std::string DecodeText(std::string_view bytes);

// UTF-8 text in Windows-1252; none when it is not valid UTF-8 or holds a character that code
// page lacks.
std::optional<std::string> EncodeCp1252(std::string_view utf8);

} // namespace carvalet
