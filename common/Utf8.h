// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-8, the one reader and writer of it that every room shares.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace carvalet
{

struct Utf8Character
{
    char32_t code = 0;
    // How many bytes it takes, 1 to 4.
    std::size_t length = 0;
};

// The character at the start of `bytes`; none when they are empty or begin with a stray,
// truncated, overlong, surrogate or out-of-range sequence.
std::optional<Utf8Character> FirstUtf8Character(std::string_view bytes);

bool IsValidUtf8(std::string_view bytes);

// Appends one character as UTF-8. A lone surrogate keeps its three-byte form, so text that
// holds one still comes back as it went in.
void AppendUtf8(std::string& out, char32_t c);

} // namespace carvalet
