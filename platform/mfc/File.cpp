#include "platform/mfc/File.h"

#include "platform/kernel/Text.h"
#include "platform/kernel/WinBase.h"
#include "platform/mfc/AfxMessageBox.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
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

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a name stands for: a symbolic link's final target, else the name itself.
std::string ResolvedLink(const std::string& path)
{
    struct stat st
    {
    };
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
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

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags)
{
    if (m_fd >= 0 || !lpszFileName || !*lpszFileName)
    {
        SetLastError(EINVAL);
        return FALSE;
    }
    m_strFileName = lpszFileName;
    m_strNative = layer::NativePath(lpszFileName);
    m_bFailed = false;
    const int access = AccessFlags(nOpenFlags);
    if ((nOpenFlags & modeCreate) && !(nOpenFlags & modeNoTruncate) && access != O_RDONLY)
    {
        m_strReplaced = ResolvedLink(m_strNative);
        return OpenReplacement(m_strReplaced, access);
    }

    // Without O_NONBLOCK a named pipe would hold the window until something opens its other end.
    int flags = access | O_CLOEXEC | O_NONBLOCK;
    if (nOpenFlags & modeCreate)
        flags |= O_CREAT;
    const int fd = ::open(m_strNative.c_str(), flags, 0666);
    if (fd < 0)
    {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    struct stat st
    {
    };
    const int refused = fstat(fd, &st) != 0                            ? errno
                        : S_ISDIR(st.st_mode)                          ? EISDIR
                        : S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ? ENXIO
                                                                       : 0;
    if (refused != 0)
    {
        ::close(fd);
        SetLastError(static_cast<DWORD>(refused));
        return FALSE;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    return TRUE;
}

BOOL CFile::OpenReplacement(const std::string& target, int access)
{
    // Open the target itself first, without emptying it: whatever cannot be opened for
    // writing (a read-only file, a folder, a missing folder) fails here as it always did.
    // A named pipe with no reader fails at once (ENXIO) instead of holding the window.
    int probe = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    bool created = false;
    if (probe < 0 && errno == ENOENT)
    {
        probe = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK, 0666);
        created = probe >= 0;
    }
    if (probe < 0)
    {
        SetLastError(static_cast<DWORD>(errno));
        return FALSE;
    }
    struct stat st
    {
    };
    if (fstat(probe, &st) != 0 || S_ISDIR(st.st_mode))
    {
        ::close(probe);
        SetLastError(EISDIR);
        return FALSE;
    }
    m_bCreatedTarget = created;

    // Devices and pipes are written in place; so is a file in a folder that takes no new
    // files, where a replacement cannot be made.
    std::string temp = FolderOf(target) + "/." + NameOf(target) + ".XXXXXX";
    const int fd = S_ISREG(st.st_mode) ? ::mkostemp(temp.data(), O_CLOEXEC) : -1;
    if (fd < 0)
    {
        ::close(probe);
        const int direct = ::open(target.c_str(), access | O_TRUNC | O_CLOEXEC);
        if (direct < 0)
        {
            SetLastError(static_cast<DWORD>(errno));
            return FALSE;
        }
        m_fd = direct;
        return TRUE;
    }
    ::close(probe);
    // The replacement keeps the target's permissions and, where allowed, its owner.
    ::fchmod(fd, st.st_mode & 07777);
    if (::fchown(fd, st.st_uid, st.st_gid) != 0)
    {
        // Only the owner's own group or root may hand a file over; keep ours.
    }
    m_fd = fd;
    m_strTempPath = temp;
    return TRUE;
}

void CFile::Fail(const char* what, int error) const
{
    m_bFailed = true;
    throw CFileException(std::string(what) + " " + m_strNative + ": " + std::strerror(error) + ".",
                         error);
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
        const ssize_t n = ::read(m_fd, out + done, nCount - done);
        if (n < 0 && errno == EINTR)
            continue;
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
    const auto* in = static_cast<const char*>(lpBuf);
    UINT done = 0;
    while (done < nCount)
    {
        const ssize_t n = ::write(m_fd, in + done, nCount - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail("Could not write", n < 0 ? errno : EIO);
        done += static_cast<UINT>(n);
    }
}

ULONGLONG CFile::SeekToBegin()
{
    if (m_fd < 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
        Fail("Could not read", m_fd < 0 ? EBADF : errno);
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
    // A replacement whose writing failed never takes the target's place.
    if (m_bFailed)
    {
        Abort();
        return;
    }
    if (m_strTempPath.empty())
    {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR)
            Fail("Could not write", errno);
        return;
    }
    // The replacement reaches the disk before it takes the target's name.
    if (::fsync(m_fd) != 0)
        Fail("Could not write", errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR)
    {
        DropReplacement();
        Fail("Could not write", errno);
    }
    if (::rename(m_strTempPath.c_str(), m_strReplaced.c_str()) != 0)
    {
        const int error = errno;
        DropReplacement();
        Fail("Could not write", error);
    }
    m_strTempPath.clear();
    m_bCreatedTarget = false;
    SyncFolder(FolderOf(m_strReplaced));
}

void CFile::DropReplacement()
{
    if (!m_strTempPath.empty())
        ::unlink(m_strTempPath.c_str());
    m_strTempPath.clear();
    // A target this file created holds nothing yet: it goes too.
    if (m_bCreatedTarget)
        ::unlink(m_strReplaced.c_str());
    m_bCreatedTarget = false;
}

void CFile::Abort()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    DropReplacement();
}
