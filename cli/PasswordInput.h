#pragma once

#include <string>

// Asks on the controlling terminal with echo off; throws CliError when there is no terminal.
std::string ReadPasswordFromTerminal(const std::string& prompt);

// The first line of standard input, without its line end.
std::string ReadPasswordFromStdin();
