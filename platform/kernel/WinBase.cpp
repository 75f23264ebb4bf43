// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kernel/WinBase.h"

#include "common/FileDescriptor.h"
#include "platform/kernel/HandleTable.h"
#include "platform/kernel/Text.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
thread_local DWORD t_lastError = ERROR_SUCCESS;
std::optional<std::string> g_modulePathForTesting;

// A named mutex is an abstract-namespace socket bound to the name: the kernel frees the name
// when the last descriptor closes, at the latest when the process ends.
class CMutexObject : public CHandleObject
{
public:
    carvalet::FileDescriptor m_socket;
};

std::string ExecutablePath()
{
    if (g_modulePathForTesting)
        return *g_modulePathForTesting;
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0)
        return {};
    path.resize(static_cast<std::size_t>(n));
    // An executable replaced while it runs (a rebuild, an upgrade) keeps its name.
    constexpr std::string_view deleted = " (deleted)";
    if (path.ends_with(deleted) && ::access(path.c_str(), F_OK) != 0)
        path.resize(path.size() - deleted.size());
    return layer::WindowsPath(path);
}

// Binds `fd` to the abstract name; false when another holder has it.
bool BindName(int fd, const std::string& name)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // Per user, as named objects live in the user's session.
    const std::string key = "carvalet-mutex/" + std::to_string(::getuid()) + "/" + name;
    const std::size_t length = std::min(key.size(), sizeof(address.sun_path) - 1);
    std::memcpy(address.sun_path + 1, key.data(), length);
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0;
}
} // namespace

DWORD GetLastError()
{
    return t_lastError;
}

void SetLastError(DWORD dwErrCode)
{
    t_lastError = dwErrCode;
}

void layer::SetModuleFileNameForTesting(LPCSTR lpPath)
{
    if (lpPath)
        g_modulePathForTesting = lpPath;
    else
        g_modulePathForTesting.reset();
}

DWORD GetModuleFileNameA(HMODULE, LPSTR lpFilename, DWORD nSize)
{
    if (!lpFilename || nSize == 0)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::string path = ExecutablePath();
    if (path.size() >= nSize)
    {
        std::memcpy(lpFilename, path.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, path.c_str(), path.size() + 1);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

std::string layer::ModuleFileName()
{
    return ExecutablePath();
}

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR lpName)
{
    auto mutex = std::make_unique<CMutexObject>();
    DWORD error = ERROR_SUCCESS;
    if (lpName && *lpName)
    {
        mutex->m_socket.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!mutex->m_socket)
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return HANDLE();
        }
        if (!BindName(mutex->m_socket.Get(), lpName))
        {
            // Someone holds the name already: this handle refers to the existing mutex.
            mutex->m_socket.Reset();
            error = ERROR_ALREADY_EXISTS;
        }
    }
    const HANDLE handle(CHandleTable::Instance().Add(std::move(mutex)));
    SetLastError(error);
    return handle;
}

BOOL CloseHandle(HANDLE hObject)
{
    if (!CHandleTable::Instance().Find<CMutexObject>(hObject))
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    CHandleTable::Instance().Remove(hObject.value);
    return TRUE;
}
