// SPDX-License-Identifier: GPL-3.0-or-later
// The shell's "open": hands a file to the desktop's handler for its type. Compiled HTML help
// opens in the built-in viewer (carvalet-help, beside the program) where the desktop has no
// handler for it, so help works on any Linux desktop.
#pragma once

#include "platform/kernel/WinTypes.h"

#include <functional>
#include <string>
#include <vector>

// Results at or below 32 are failures, as the Win32 shell reports them.
constexpr UINT SE_ERR_FNF = 2;
constexpr UINT SE_ERR_PNF = 3;
constexpr UINT SE_ERR_ACCESSDENIED = 5;
constexpr UINT SE_ERR_NOASSOC = 31;
// The value returned on success; any value above 32 means success.
constexpr UINT SE_OPEN_SUCCEEDED = 42;

// lpFile (and lpDirectory, against which a relative lpFile is taken) are Windows-style paths.
// lpVerb must be "open" or null. lpParameters, nShowCmd and hwnd are accepted and not used: a
// document's handler decides how to show it. Nothing is started for a file that is missing.
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpVerb, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT nShowCmd);

// A program started detached, to run on its own outside ours.
struct ShellCommand
{
    std::string program;
    std::vector<std::string> arguments;
    friend bool operator==(const ShellCommand&, const ShellCommand&) = default;
};

// Starts a command; false when it could not be started.
using ShellLauncher = std::function<bool(const ShellCommand&)>;
// Whether the desktop has a handler for a MIME type ("application/vnd.ms-htmlhelp").
using ShellHandlerQuery = std::function<bool(const std::string& mimeType)>;

namespace layer
{
// Test seams: replace how commands start and how handlers are looked up, so tests record
// calls instead of starting processes. An empty function restores the real behaviour. Each
// returns the function it replaced.
ShellLauncher SetShellLauncher(ShellLauncher launcher);
ShellHandlerQuery SetShellHandlerQuery(ShellHandlerQuery query);

// The built-in viewer for .chm files: carvalet-help in the running executable's folder.
std::string HelpViewerPath();
} // namespace layer
