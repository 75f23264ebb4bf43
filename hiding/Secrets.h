// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords and messages are overwritten once used, in a way the compiler keeps.
#pragma once

#include <cstddef>
#include <string>

namespace hiding
{
void Wipe(std::string& text);
void Wipe(void* data, std::size_t size);
} // namespace hiding
