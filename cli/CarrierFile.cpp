#include "cli/CarrierFile.h"

#include "cli/CliError.h"
#include "cli/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr std::int64_t MAX_CARRIER = std::numeric_limits<std::int32_t>::max();
// The most a command holds of a carrier at once.
constexpr std::int64_t PART = 1 << 20;

// The kernel's copy calls say they cannot serve this pair of files in one of these ways.
bool CannotServe(int code)
{
    return code == EXDEV || code == EINVAL || code == ENOSYS || code == EOPNOTSUPP || code == EBADF;
}

} // namespace

CarrierFile::CarrierFile(const std::string& path) : m_path(path)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0)
    {
        throw CliError("cannot open " + path + ": " + std::strerror(errno));
    }
    struct stat info
    {
    };
    if (::fstat(m_fd, &info) != 0)
    {
        Fail(errno);
    }
    if (S_ISDIR(info.st_mode))
    {
        throw CliError("cannot read " + path + ": it is a directory");
    }
    m_device = info.st_dev;
    m_inode = info.st_ino;
    if (!S_ISREG(info.st_mode))
    {
        Spool();
        return;
    }
    if (info.st_size > MAX_CARRIER)
    {
        throw CliError(path + " is too large: a carrier can have at most " +
                       std::to_string(MAX_CARRIER) + " bytes");
    }
    m_length = static_cast<std::int32_t>(info.st_size);
}

CarrierFile::~CarrierFile()
{
    if (m_fd >= 0)
    {
        ::close(m_fd);
    }
}

// A stream can be read only once and in order, so it is kept whole, outside the process's
// own memory.
void CarrierFile::Spool()
{
    const int copy = ::memfd_create("carvalet-carrier", MFD_CLOEXEC);
    if (copy < 0)
    {
        Fail(errno);
    }
    std::vector<std::uint8_t> buffer(PART);
    std::int64_t length = 0;
    for (;;)
    {
        const ssize_t got = ::read(m_fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got < 0)
        {
            const int code = errno;
            ::close(copy);
            Fail(code);
        }
        if (got == 0)
        {
            break;
        }
        length += got;
        if (length > MAX_CARRIER)
        {
            ::close(copy);
            throw CliError(m_path + " is too large: a carrier can have at most " +
                           std::to_string(MAX_CARRIER) + " bytes");
        }
        if (const carvalet::FileError error =
                carvalet::WriteAll(copy, buffer.data(), static_cast<std::size_t>(got)))
        {
            ::close(copy);
            Fail(error.code);
        }
    }
    ::close(m_fd);
    m_fd = copy;
    m_length = static_cast<std::int32_t>(length);
}

bool CarrierFile::IsFile(const std::string& path) const
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && info.st_dev == m_device && info.st_ino == m_inode;
}

void CarrierFile::Fail(int code) const
{
    throw CliError("cannot read " + m_path + ": " + std::strerror(code));
}

void CarrierFile::Read(std::int64_t offset, std::uint8_t* into, std::size_t size) const
{
    while (size > 0)
    {
        const ssize_t got = ::pread(m_fd, into, size, offset);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got < 0)
        {
            Fail(errno);
        }
        if (got == 0)
        {
            throw CliError("cannot read " + m_path + ": the file became shorter while it was read");
        }
        into += got;
        offset += got;
        size -= static_cast<std::size_t>(got);
    }
}

std::string CarrierFile::Extract(std::int32_t slotStart, const ShowMessageFn& showMessage) const
{
    return ExtractTextFrom([this](std::int64_t offset, std::uint8_t* into, std::size_t size)
                           { Read(offset, into, size); },
                           m_length, slotStart, showMessage);
}

void CarrierFile::WriteHidden(OutputFile& out, const std::vector<HiddenRecord>& records) const
{
    std::int64_t first = m_length;
    std::int64_t end = 0;
    for (const HiddenRecord& record : records)
    {
        first = std::min(first, record.First());
        end = std::max(end, record.End());
    }
    const bool newFile = out.IsNewFile();
    if (newFile)
    {
        Copy(out, 0, m_length);
    }
    else
    {
        Send(out, 0, first);
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(end - first, PART)));
    for (std::int64_t offset = first; offset < end; offset += PART)
    {
        const auto size = static_cast<std::size_t>(std::min(end - offset, PART));
        Read(offset, buffer.data(), size);
        for (const HiddenRecord& record : records)
        {
            WriteRecordPart(record, CarrierPart{buffer.data(), offset, size});
        }
        if (!newFile)
        {
            out.Write(buffer.data(), size);
            continue;
        }
        for (std::size_t done = 0; done < size;)
        {
            const ssize_t put = ::pwrite(out.Descriptor(), buffer.data() + done, size - done,
                                         offset + static_cast<std::int64_t>(done));
            if (put < 0 && errno == EINTR)
            {
                continue;
            }
            if (put <= 0)
            {
                out.Fail(put < 0 ? errno : EIO);
            }
            done += static_cast<std::size_t>(put);
        }
    }
    if (!newFile)
    {
        Send(out, end, m_length);
    }
}

// Into a new file, by the kernel: a reflink where the file system has them.
void CarrierFile::Copy(OutputFile& out, std::int64_t from, std::int64_t to) const
{
    loff_t in = from;
    loff_t at = from;
    while (in < to)
    {
        const ssize_t copied = ::copy_file_range(m_fd, &in, out.Descriptor(), &at,
                                                 static_cast<std::size_t>(to - in), 0);
        if (copied < 0 && errno == EINTR)
        {
            continue;
        }
        if (copied < 0 && CannotServe(errno))
        {
            break;
        }
        if (copied < 0)
        {
            out.Fail(errno);
        }
        if (copied == 0)
        {
            throw CliError("cannot read " + m_path + ": the file became shorter while it was read");
        }
    }
    // Where the kernel cannot copy, the bytes pass through here a part at a time.
    std::vector<std::uint8_t> buffer;
    for (; in < to; in += static_cast<std::int64_t>(buffer.size()))
    {
        buffer.resize(static_cast<std::size_t>(std::min(to - in, PART)));
        Read(in, buffer.data(), buffer.size());
        if (::lseek(out.Descriptor(), in, SEEK_SET) != in)
        {
            out.Fail(errno);
        }
        out.Write(buffer.data(), buffer.size());
    }
}

// Into a stream (standard output, a device, a pipe), in order.
void CarrierFile::Send(OutputFile& out, std::int64_t from, std::int64_t to) const
{
    off_t in = from;
    while (in < to)
    {
        const ssize_t sent =
            ::sendfile(out.Descriptor(), m_fd, &in, static_cast<std::size_t>(to - in));
        if (sent < 0 && errno == EINTR)
        {
            continue;
        }
        if (sent < 0 && CannotServe(errno))
        {
            break;
        }
        if (sent < 0)
        {
            out.Fail(errno);
        }
        if (sent == 0)
        {
            throw CliError("cannot read " + m_path + ": the file became shorter while it was read");
        }
    }
    std::vector<std::uint8_t> buffer;
    for (; in < to; in += static_cast<off_t>(buffer.size()))
    {
        buffer.resize(static_cast<std::size_t>(std::min<std::int64_t>(to - in, PART)));
        Read(in, buffer.data(), buffer.size());
        out.Write(buffer.data(), buffer.size());
    }
}
