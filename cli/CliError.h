// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

// Exit codes a script can tell apart.
inline constexpr int EXIT_DONE = 0;
// Input, output or the carrier refused.
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_WRONG_PASSWORD = 3;
inline constexpr int EXIT_NO_MESSAGE = 4;

// A failure the user is told about on standard error; the tool then exits with its code.
class CliError : public std::runtime_error
{
public:
    explicit CliError(const std::string& text, int exitCode = EXIT_FAILED)
        : std::runtime_error(text), m_exitCode(exitCode)
    {
    }
    int ExitCode() const { return m_exitCode; }

private:
    int m_exitCode;
};
