// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/SafeFile.h"

#include "common/SignalGuard.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace carvalet
{
namespace
{

std::atomic<bool> g_unnamedAllowed{true};

constexpr int MAX_LINKS = 40;
// A new file's temporary name is the target's, hidden and marked: ".NAME.carvalet-XXXXXX", so a
// copy left by a kill is seen for what it is and the next save to NAME removes it.
constexpr std::string_view TEMPORARY_MARK = ".carvalet-";
constexpr std::size_t RANDOM_LETTERS = 6;
constexpr std::size_t NAME_LIMIT = 255;

std::string BaseOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The temporary names' common start for this target; a long name is cut to leave room.
std::string TemporaryPrefix(const std::string& target)
{
    const std::size_t room = NAME_LIMIT - 1 - TEMPORARY_MARK.size() - RANDOM_LETTERS;
    // Appended in place: GCC 12 at -O3 takes "." + std::string&& for an overlapping copy.
    std::string prefix(1, '.');
    prefix.append(BaseOf(target), 0, room).append(TEMPORARY_MARK);
    return prefix;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
    {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

FileError FolderError(int code, const std::string& folder, bool targetExists)
{
    FileError error = ErrorFromCode(code);
    // A missing folder speaks for itself.
    if (code == ENOENT || code == ENOTDIR)
    {
        return error;
    }
    error.folderRefused = targetExists;
    error.reason =
        "no new file can be made in the folder " + folder + " (" + std::strerror(code) + ")";
    return error;
}

mode_t CurrentUmask()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("Umask:", 0) == 0)
        {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// Makes the folder's new entry durable; the data already is when this fails.
void SyncFolder(const std::string& folder)
{
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
    {
        ::fsync(fd.Get());
    }
}

// Pipes, terminals and character devices cannot be flushed, and need not be.
bool FlushFailed(int fd)
{
    return ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP;
}

void RemoveNamed(void* path)
{
    ::unlink(static_cast<const char*>(path));
}

std::string RandomName(const std::string& folder, const std::string& target)
{
    std::string name = folder + "/" + TemporaryPrefix(target) + "XXXXXX";
    static constexpr char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::array<unsigned char, 6> random{};
    std::ifstream("/dev/urandom", std::ios::binary)
        .read(reinterpret_cast<char*>(random.data()), random.size());
    static unsigned counter = 0;
    ++counter;
    for (std::size_t i = 0; i < random.size(); ++i)
    {
        const unsigned value = random[i] + counter * 7 + static_cast<unsigned>(::getpid()) * i;
        name[name.size() - random.size() + i] = letters[value % (sizeof letters - 1)];
    }
    return name;
}

// Removes what an earlier save to this target left under a temporary name when it was killed:
// only regular files of this user whose name is exactly one of the target's temporary names.
void RemoveLeftovers(const std::string& folder, const std::string& target)
{
    const std::string prefix = TemporaryPrefix(target);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
    {
        return;
    }
    while (const dirent* entry = ::readdir(dir.get()))
    {
        const std::string_view name = entry->d_name;
        struct stat st
        {
        };
        if (name.size() == prefix.size() + RANDOM_LETTERS && name.starts_with(prefix) &&
            ::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
        {
            ::unlinkat(::dirfd(dir.get()), entry->d_name, 0);
        }
    }
}

// Until the named file is renamed or removed, the signals that end a process remove it.
std::unique_ptr<SignalGuard> GuardNamed(std::string& path)
{
    return std::make_unique<SignalGuard>(std::initializer_list<int>{SIGINT, SIGTERM, SIGHUP},
                                         RemoveNamed, path.data());
}

// Gives an unnamed file a name: 0 or the error number.
int LinkUnnamed(int fd, const std::string& name)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
    {
        return 0;
    }
    const int code = errno;
    // Without /proc, only a process that may read any file can link a descriptor.
    if (code == ENOENT && ::access("/proc/self/fd", F_OK) != 0)
    {
        return ::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
    }
    return code;
}

// Follows the symbolic links from `path` one at a time until `stop` accepts a path on the way
// (`path` itself first) or a path is not a link; `last` is where it stopped.
template <typename Stop> FileError WalkLinks(const std::string& path, std::string& last, Stop stop)
{
    std::string current = path;
    for (int hop = 0; hop <= MAX_LINKS; ++hop)
    {
        struct stat st
        {
        };
        if (stop(current) || ::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        {
            last = current;
            return {};
        }
        std::string next(PATH_MAX, '\0');
        const ssize_t length = ::readlink(current.c_str(), next.data(), next.size());
        if (length <= 0)
        {
            return ErrorFromCode(length < 0 ? errno : ENOENT);
        }
        if (static_cast<std::size_t>(length) >= next.size())
        {
            return ErrorFromCode(ENAMETOOLONG);
        }
        next.resize(static_cast<std::size_t>(length));
        current = next.front() == '/' ? next : FolderOf(current) + "/" + next;
    }
    return ErrorFromCode(ELOOP);
}

// One of this process's own open descriptors, when path names it through links such as
// /dev/stdout -> /proc/self/fd/1; else -1. Writing to the descriptor itself keeps where its
// owner pointed it (a pipe, a file opened for appending).
int OwnDescriptor(const std::string& path)
{
    const std::string prefixes[] = {"/proc/self/fd/", "/dev/fd/",
                                    "/proc/" + std::to_string(::getpid()) + "/fd/"};
    int fd = -1;
    const auto names = [&](const std::string& current)
    {
        for (const std::string& prefix : prefixes)
        {
            const std::string number =
                current.rfind(prefix, 0) == 0 ? current.substr(prefix.size()) : std::string();
            if (!number.empty() && number.size() < 9 &&
                number.find_first_not_of("0123456789") == std::string::npos)
            {
                fd = std::stoi(number);
                return true;
            }
        }
        return false;
    };
    std::string last;
    if (WalkLinks(path, last, names) || fd < 0)
    {
        return -1;
    }
    return ::fcntl(fd, F_GETFD) >= 0 ? fd : -1;
}

} // namespace

FileError ErrorFromCode(int code)
{
    FileError error;
    error.code = code;
    error.reason = std::strerror(code);
    return error;
}

FileError ReadUpTo(int fd, std::size_t limit, std::string& bytes, bool& more)
{
    bytes.clear();
    more = false;
    constexpr std::size_t CHUNK = 1 << 16;
    for (;;)
    {
        // One byte past the limit tells whether the file goes on.
        const std::size_t want = std::min(CHUNK, limit + 1 - bytes.size());
        const std::size_t start = bytes.size();
        bytes.resize(start + want);
        const ssize_t got =
            RetryOnInterrupt([&] { return ::read(fd, bytes.data() + start, want); });
        if (got < 0)
        {
            const int code = errno;
            bytes.resize(start);
            return ErrorFromCode(code);
        }
        bytes.resize(start + static_cast<std::size_t>(got));
        if (got == 0)
        {
            return {};
        }
        if (bytes.size() > limit)
        {
            bytes.resize(limit);
            more = true;
            return {};
        }
    }
}

FileError ReadWholeFile(const std::string& path, std::size_t limit, std::string& bytes)
{
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd)
    {
        return ErrorFromCode(errno);
    }
    struct stat st
    {
    };
    FileError error = ::fstat(fd.Get(), &st) != 0 ? ErrorFromCode(errno)
                      : S_ISDIR(st.st_mode)       ? ErrorFromCode(EISDIR)
                                                  : FileError{};
    bool more = false;
    if (!error)
    {
        error = ReadUpTo(fd.Get(), limit, bytes, more);
    }
    if (!error && more)
    {
        error = ErrorFromCode(EFBIG);
    }
    return error;
}

FileError WriteAll(int fd, const void* bytes, std::size_t size)
{
    const auto* from = static_cast<const char*>(bytes);
    while (size > 0)
    {
        const ssize_t put = RetryOnInterrupt([&] { return ::write(fd, from, size); });
        if (put <= 0)
        {
            return ErrorFromCode(put < 0 ? errno : EIO);
        }
        from += put;
        size -= static_cast<std::size_t>(put);
    }
    return {};
}

FileError FollowLinks(const std::string& path, std::string& target)
{
    return WalkLinks(path, target, [](const std::string&) { return false; });
}

void SetUnnamedFilesForTesting(bool allowed)
{
    g_unnamedAllowed = allowed;
}

FileReplacement::FileReplacement() = default;

FileReplacement::~FileReplacement()
{
    Abort();
}

FileError FileReplacement::Open(const std::string& path, const Options& options)
{
    Abort();
    if (path.empty())
    {
        return ErrorFromCode(ENOENT);
    }
    if (const int own = OwnDescriptor(path); own >= 0)
    {
        m_target = path;
        m_fd.Reset(::fcntl(own, F_DUPFD_CLOEXEC, 0));
        m_replaces = false;
        return m_fd ? FileError{} : ErrorFromCode(errno);
    }
    struct stat st
    {
    };
    // stat follows every link, the kernel's own included.
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    {
        if (S_ISDIR(st.st_mode))
        {
            return ErrorFromCode(EISDIR);
        }
        m_target = path;
        return OpenInto(O_WRONLY | O_NOCTTY | O_CLOEXEC |
                        (options.noWaitForReader ? O_NONBLOCK : 0));
    }
    if (FileError error = FollowLinks(path, m_target))
    {
        return error;
    }
    struct stat target
    {
    };
    if (::stat(m_target.c_str(), &target) == 0)
    {
        // A link the kernel follows to a file that has no name to replace (a deleted file).
        if (!S_ISREG(target.st_mode) || target.st_dev != st.st_dev || target.st_ino != st.st_ino)
        {
            return ErrorFromCode(ENOENT);
        }
        if (::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0)
        {
            return ErrorFromCode(errno);
        }
        m_existing = true;
        m_mode = target.st_mode & 07777;
        m_uid = target.st_uid;
        m_gid = target.st_gid;
    }
    else if (errno != ENOENT)
    {
        return ErrorFromCode(errno);
    }
    m_folder = FolderOf(m_target);
    return MakeNewFile();
}

FileError FileReplacement::OpenInto(int flags)
{
    FileDescriptor fd(::open(m_target.c_str(), flags));
    if (!fd)
    {
        return ErrorFromCode(errno);
    }
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    m_fd = std::move(fd);
    m_replaces = false;
    return {};
}

FileError FileReplacement::MakeNewFile()
{
    m_replaces = true;
    if (g_unnamedAllowed)
    {
        m_fd.Reset(::open(m_folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
        if (m_fd)
        {
            m_unnamed = true;
            return {};
        }
        // File systems without unnamed files say so in one of these ways.
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        {
            return FolderError(errno, m_folder, m_existing);
        }
    }
    std::string name = m_folder + "/" + TemporaryPrefix(m_target) + "XXXXXX";
    m_fd.Reset(::mkostemp(name.data(), O_CLOEXEC));
    if (!m_fd)
    {
        return FolderError(errno, m_folder, m_existing);
    }
    m_temporary = std::move(name);
    m_guard = GuardNamed(m_temporary);
    return {};
}

FileError FileReplacement::Commit()
{
    if (!m_fd)
    {
        return ErrorFromCode(EBADF);
    }
    if (!m_replaces)
    {
        const FileError error = FlushFailed(m_fd.Get()) ? ErrorFromCode(errno) : FileError{};
        const int closing = m_fd.Close();
        Reset();
        return error || closing == 0 ? error : ErrorFromCode(closing);
    }
    if (FileError error = Publish())
    {
        Abort();
        return error;
    }
    Reset();
    RemoveLeftovers(m_folder, m_target);
    SyncFolder(m_folder);
    return {};
}

FileError FileReplacement::Publish()
{
    if (m_existing)
    {
        // Only root may give a file away, and only to a group one is in otherwise. A file that
        // would change hands is refused: its owner would lose it without a word.
        if (::fchown(m_fd.Get(), m_uid, m_gid) != 0)
        {
            FileError error = ErrorFromCode(EPERM);
            error.reason = ::geteuid() != m_uid
                               ? "it belongs to another user, and a new copy would be yours"
                               : "it belongs to a group you are not in, and a new copy would not";
            return error;
        }
        // After chown, which clears set-user-ID and set-group-ID bits.
        if (::fchmod(m_fd.Get(), m_mode) != 0)
        {
            // Some file systems keep no modes; what they give must not open the file wider.
            struct stat st
            {
            };
            if (::fstat(m_fd.Get(), &st) != 0 || (st.st_mode & 07777 & ~m_mode) != 0)
            {
                return ErrorFromCode(errno == 0 ? EPERM : errno);
            }
        }
    }
    else if (!m_unnamed)
    {
        ::fchmod(m_fd.Get(), 0666 & ~CurrentUmask());
    }
    // The data reaches the disk before the new file takes the target's name.
    if (::fsync(m_fd.Get()) != 0)
    {
        return ErrorFromCode(errno);
    }
    if (m_unnamed)
    {
        if (!m_existing)
        {
            // A new target gets its name in one step, so it never exists half-written.
            const int code = LinkUnnamed(m_fd.Get(), m_target);
            if (code != EEXIST)
            {
                return code == 0 ? FileError{} : ErrorFromCode(code);
            }
            // Made by someone else meanwhile: replaced like any other.
        }
        // rename replaces a file in one step, but needs a name to move: the new file has one
        // of its own for that moment only.
        for (int attempt = 0;; ++attempt)
        {
            std::string name = RandomName(m_folder, m_target);
            const int code = LinkUnnamed(m_fd.Get(), name);
            if (code == 0)
            {
                m_temporary = std::move(name);
                m_guard = GuardNamed(m_temporary);
                break;
            }
            if (code != EEXIST || attempt == 100)
            {
                return FolderError(code, m_folder, true);
            }
        }
    }
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
    {
        return ErrorFromCode(errno);
    }
    m_guard.reset();
    m_temporary.clear();
    return {};
}

void FileReplacement::Reset()
{
    m_fd.Reset();
    m_guard.reset();
    m_temporary.clear();
    m_replaces = m_existing = m_unnamed = false;
}

void FileReplacement::Abort()
{
    if (!m_temporary.empty())
    {
        ::unlink(m_temporary.c_str());
    }
    Reset();
}

} // namespace carvalet
