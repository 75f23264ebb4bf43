#include "cli/FileIo.h"

#include "cli/CliError.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr std::int64_t MAX_CARRIER = std::numeric_limits<std::int32_t>::max();

std::string Reason()
{
    return std::strerror(errno);
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (m_fd >= 0)
        {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }
    int Release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

FileDescriptor OpenForReading(const std::string& path)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
    {
        throw CliError("cannot open " + path + ": " + Reason());
    }
    struct stat info
    {
    };
    if (::fstat(file.Get(), &info) == 0 && S_ISDIR(info.st_mode))
    {
        throw CliError("cannot read " + path + ": it is a directory");
    }
    return FileDescriptor(file.Release());
}

// Appends up to max bytes; returns false at end of file.
bool ReadSome(int fd, const std::string& path, std::vector<std::uint8_t>& into, std::size_t max)
{
    const std::size_t start = into.size();
    into.resize(start + max);
    ssize_t got;
    do
    {
        got = ::read(fd, into.data() + start, max);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
    {
        throw CliError("cannot read " + path + ": " + Reason());
    }
    into.resize(start + static_cast<std::size_t>(got));
    return got > 0;
}

std::string TooLarge(const std::string& path)
{
    return path + " is too large: a carrier can have at most " + std::to_string(MAX_CARRIER) +
           " bytes";
}

std::string ParentFolder(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
    {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

mode_t NewFileMode(const std::string& path)
{
    struct stat existing
    {
    };
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
    {
        return existing.st_mode & 07777;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::vector<std::uint8_t> ReadCarrier(const std::string& path)
{
    const FileDescriptor file = OpenForReading(path);
    struct stat info
    {
    };
    if (::fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > MAX_CARRIER)
    {
        throw CliError(TooLarge(path));
    }
    std::vector<std::uint8_t> bytes;
    if (S_ISREG(info.st_mode))
    {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    while (ReadSome(file.Get(), path, bytes, 1 << 20))
    {
        if (static_cast<std::int64_t>(bytes.size()) > MAX_CARRIER)
        {
            throw CliError(TooLarge(path));
        }
    }
    return bytes;
}

std::string ReadMessageFile(const std::string& path, std::size_t limit)
{
    const FileDescriptor file = OpenForReading(path);
    std::vector<std::uint8_t> bytes;
    std::size_t scanned = 0;
    while (bytes.size() < limit && ReadSome(file.Get(), path, bytes, 1 << 16))
    {
        const auto* zero = std::memchr(bytes.data() + scanned, 0, bytes.size() - scanned);
        if (zero != nullptr)
        {
            bytes.resize(
                static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - bytes.data()));
            break;
        }
        scanned = bytes.size();
    }
    return std::string(bytes.begin(), bytes.end());
}

void WriteFileSafely(const std::string& path, const void* data, std::size_t size)
{
    const std::string base = path.substr(path.find_last_of('/') + 1);
    const std::string folder = ParentFolder(path);
    std::string temporary = folder + "/." + base + ".XXXXXX";
    const auto fail = [&](const std::string& why)
    { throw CliError("cannot write " + path + ": " + why); };

    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0)
    {
        fail(Reason());
    }
    // Until the rename succeeds the temporary file is ours to remove.
    struct Remover
    {
        const std::string& name;
        bool armed = true;
        ~Remover()
        {
            if (armed)
            {
                ::unlink(name.c_str());
            }
        }
    } remover{temporary};

    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t written = 0; written < size;)
    {
        const ssize_t put = ::write(file.Get(), bytes + written, size - written);
        if (put < 0 && errno == EINTR)
        {
            continue;
        }
        if (put <= 0)
        {
            fail(put < 0 ? Reason() : "nothing written");
        }
        written += static_cast<std::size_t>(put);
    }
    if (::fchmod(file.Get(), NewFileMode(path)) != 0 || ::fsync(file.Get()) != 0 ||
        ::close(file.Release()) != 0)
    {
        fail(Reason());
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0)
    {
        fail(Reason());
    }
    remover.armed = false;

    // Make the rename itself durable; the data is already safe if this fails.
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() >= 0)
    {
        ::fsync(directory.Get());
    }
}
