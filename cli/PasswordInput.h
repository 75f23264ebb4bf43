// The password, from the terminal (without echo), standard input or a file: never from the
// command line, where other users could read it.
#pragma once

#include "cli/Arguments.h"

#include <cstddef>
#include <string>

// A password line longer than this is refused, so an endless input cannot fill the memory.
inline constexpr std::size_t PASSWORD_LINE_LIMIT = 1024;

// The password the options name: the first line of standard input (--password-stdin or
// --password-file -) or of a file (--password-file FILE), else asked on the terminal, twice for
// a new password (whose length is checked before the second ask).
std::string AskPassword(const Arguments& args, bool newPassword);
