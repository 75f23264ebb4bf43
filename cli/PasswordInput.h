// SPDX-License-Identifier: GPL-3.0-or-later
// The password, from the terminal (without echo), standard input or a file: never from the
// command line, where other users could read it.
#pragma once

#include "cli/Arguments.h"

#include <cstddef>
#include <string>

// A password line longer than this is refused, so an endless input cannot fill the memory.
inline constexpr std::size_t PASSWORD_LINE_LIMIT = 1024;

// The rules a new password must pass: the message for the first one broken, or "".
using PasswordRules = std::string (*)(const std::string& password, const std::string& confirmation);

// A password held only as long as it is needed, then wiped.
struct Password
{
    std::string text;
    Password() = default;
    Password(const Password&) = delete;
    Password& operator=(const Password&) = delete;
    ~Password();
};

// The password the options name: the first line of standard input (--password-stdin or
// --password-file -) or of a file (--password-file FILE), else asked on the terminal. A new
// password (rules given) is asked twice on the terminal, its rules checked before the second
// ask; whatever its source, a password that breaks them ends the command.
void AskPassword(const Arguments& args, PasswordRules rules, Password& password);
