// SPDX-License-Identifier: GPL-3.0-or-later
// The kernel half of the Win32 vocabulary: module file name, named mutex, last error.
#pragma once

#include "platform/kernel/WinTypes.h"

#include <string>

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

constexpr DWORD MAX_PATH = 260;
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// The running executable's path, Windows-style (backslashes). Always zero-terminated; when the
// buffer is too small the path is cut, nSize is returned and the last error says so.
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
namespace layer
{
// The same path whole, however long.
std::string ModuleFileName();
} // namespace layer

// A named mutex lives as long as a handle to it is open and disappears with the process.
// A second create of an existing name still succeeds, with ERROR_ALREADY_EXISTS.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES lpAttributes, BOOL bInitialOwner, LPCSTR lpName);
BOOL CloseHandle(HANDLE hObject);

namespace layer
{
// Lets a test pretend the executable lives elsewhere (null restores the real path).
void SetModuleFileNameForTesting(LPCSTR lpPath);
} // namespace layer
