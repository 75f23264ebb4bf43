#pragma once

#include "Arguments.h"

#include <string>

// Asks on the controlling terminal with echo off; throws CliError when there is no terminal.
std::string ReadPasswordFromTerminal(const std::string& prompt);

// The first line of standard input, without its line end.
std::string ReadPasswordFromStdin();

// The password the command's options name: standard input with --password-stdin, else the
// terminal, asked twice for a new password (whose length is checked before the second ask).
std::string AskPassword(const Arguments& args, bool newPassword);
