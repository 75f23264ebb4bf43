// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/File.h"

#include "common/FileDescriptor.h"
#include "common/SafeFile.h"
#include "platform/kernel/Text.h"
#include "platform/kernel/WinBase.h"
#include "platform/mfc/AfxMessageBox.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
int AccessFlags(UINT nOpenFlags)
{
    switch (nOpenFlags & 3)
    {
    case CFile::modeWrite:
        return O_WRONLY;
    case CFile::modeReadWrite:
        return O_RDWR;
    default:
        return O_RDONLY;
    }
}

int CauseOf(const carvalet::FileError& error)
{
    if (error.folderRefused)
        return CFileException::directoryFull;
    switch (error.code)
    {
    case ENOENT:
        return CFileException::fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return CFileException::badPath;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return CFileException::accessDenied;
    case EMFILE:
    case ENFILE:
        return CFileException::tooManyOpenFiles;
    case ENOSPC:
    case EDQUOT:
        return CFileException::diskFull;
    default:
        return CFileException::genericException;
    }
}
} // namespace

CFile::CFile() = default;

CFile::~CFile()
{
    if (m_fd < 0)
        return;
    if (m_bFailed)
    {
        Abort();
        return;
    }
    try
    {
        Close();
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_OK, 0);
    }
}

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    const auto refuse = [pError](int error, const std::string& text, int cause)
    {
        SetLastError(static_cast<DWORD>(error));
        if (pError)
        {
            *pError = CFileException(text, error, cause);
            pError->m_strReason = std::strerror(error);
        }
        return FALSE;
    };
    if (m_fd >= 0 || !lpszFileName || !*lpszFileName)
        return refuse(EINVAL, "No file name.", CFileException::badPath);
    m_strFileName = lpszFileName;
    m_strNative = layer::NativePath(lpszFileName);
    m_bFailed = false;
    m_bReplaces = false;
    const int access = AccessFlags(nOpenFlags);
    if ((nOpenFlags & modeCreate) && !(nOpenFlags & modeNoTruncate) && access != O_RDONLY)
        return OpenReplacement(pError);

    // Without O_NONBLOCK a named pipe would hold the window until something opens its other end.
    int flags = access | O_CLOEXEC | O_NONBLOCK;
    if (nOpenFlags & modeCreate)
        flags |= O_CREAT;
    carvalet::FileDescriptor fd(::open(m_strNative.c_str(), flags, 0666));
    const auto failed = [&](int error)
    {
        const carvalet::FileError why = carvalet::ErrorFromCode(error);
        return refuse(error, "Could not open " + m_strNative + ": " + why.reason + ".",
                      CauseOf(why));
    };
    if (!fd)
        return failed(errno);
    struct stat st
    {
    };
    const int refused = fstat(fd.Get(), &st) != 0                      ? errno
                        : S_ISDIR(st.st_mode)                          ? EISDIR
                        : S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ? ENXIO
                                                                       : 0;
    if (refused != 0)
        return failed(refused);
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    m_fd = fd.Get();
    m_file = std::move(fd);
    return TRUE;
}

BOOL CFile::OpenReplacement(CFileException* pError)
{
    auto replacement = std::make_unique<carvalet::FileReplacement>();
    // A named pipe with no reader fails at once instead of holding the window.
    const carvalet::FileError error = replacement->Open(m_strNative, {.noWaitForReader = true});
    if (error)
    {
        SetLastError(static_cast<DWORD>(error.code));
        if (pError)
        {
            *pError = CFileException("Could not save " + m_strNative + ": " + error.reason +
                                         ". The file is as it was.",
                                     error.code, CauseOf(error));
            pError->m_strReason = error.reason;
        }
        return FALSE;
    }
    m_bReplaces = replacement->Replaces();
    m_fd = replacement->Descriptor();
    m_pReplacement = std::move(replacement);
    return TRUE;
}

void CFile::Fail(const char* what, int error) const
{
    m_bFailed = true;
    CFileException e(std::string(what) + " " + m_strNative + ": " + std::strerror(error) + ".",
                     error);
    e.m_strReason = std::strerror(error);
    throw e;
}

ULONGLONG CFile::GetLength() const
{
    struct stat st
    {
    };
    if (m_fd < 0 || fstat(m_fd, &st) != 0)
        Fail("Could not read", m_fd < 0 ? EBADF : errno);
    return st.st_size > 0 ? static_cast<ULONGLONG>(st.st_size) : 0;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (m_fd < 0)
        Fail("Could not read", EBADF);
    auto* out = static_cast<char*>(lpBuf);
    UINT done = 0;
    while (done < nCount)
    {
        const ssize_t n =
            carvalet::RetryOnInterrupt([&] { return ::read(m_fd, out + done, nCount - done); });
        if (n < 0)
            Fail("Could not read", errno);
        if (n == 0)
            break;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (m_fd < 0)
        Fail("Could not write", EBADF);
    if (const carvalet::FileError error = carvalet::WriteAll(m_fd, lpBuf, nCount))
        Fail("Could not write", error.code);
}

ULONGLONG CFile::SeekToBegin()
{
    if (m_fd < 0)
        Fail("Could not read", EBADF);
    // A pipe or terminal has no position: a save into one starts where it is.
    if (::lseek(m_fd, 0, SEEK_SET) != 0 && errno != ESPIPE)
        Fail("Could not read", errno);
    return 0;
}

void CFile::Flush()
{
    if (m_fd >= 0 && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS)
        Fail("Could not write", errno);
}

void CFile::Close()
{
    if (m_fd < 0)
        return;
    // A save whose writing failed never takes the target's place.
    if (m_bFailed)
    {
        Abort();
        return;
    }
    m_fd = -1;
    if (m_pReplacement)
    {
        const auto replacement = std::move(m_pReplacement);
        if (const carvalet::FileError error = replacement->Commit())
        {
            m_bFailed = true;
            CFileException e("Could not write " + m_strNative + ": " + error.reason + ".",
                             error.code, CauseOf(error));
            e.m_strReason = error.reason;
            throw e;
        }
        return;
    }
    if (const int error = m_file.Close())
        Fail("Could not write", error);
}

void CFile::Abort()
{
    if (m_pReplacement)
        m_pReplacement->Abort();
    m_file.Reset();
    m_pReplacement.reset();
    m_fd = -1;
}
