// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Output.h"

#include "common/SafeFile.h"

#include <unistd.h>

namespace
{
bool g_failed = false;

void Print(int fd, std::string_view text)
{
    if (carvalet::WriteAll(fd, text.data(), text.size()))
    {
        g_failed = true;
    }
}
} // namespace

void PrintOut(std::string_view text)
{
    Print(STDOUT_FILENO, text);
}

void PrintError(std::string_view text)
{
    Print(STDERR_FILENO, text);
}

bool OutputFailed()
{
    return g_failed;
}
