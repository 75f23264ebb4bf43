// SPDX-License-Identifier: GPL-3.0-or-later
// The window's command line as far as it can be answered without a window, and so without a
// display: --help and --version. Everything else goes on to Qt and then to the window.
#pragma once

#include <optional>
#include <ostream>

// Prints the help or the version to out and gives the exit status; nothing for a command line
// that asks for the window. A "--" ends the options: what follows is a file name.
std::optional<int> AnswerWithoutWindow(int argc, const char* const argv[], std::ostream& out);
