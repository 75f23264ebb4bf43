// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CarrierFile.h"

#include "cli/CliError.h"
#include "cli/Output.h"
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
    m_fd.Reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!m_fd)
    {
        throw CliError("cannot open " + ShownName(path) + ": " + std::strerror(errno));
    }
    struct stat info
    {
    };
    if (::fstat(m_fd.Get(), &info) != 0)
    {
        Fail(errno);
    }
    if (S_ISDIR(info.st_mode))
    {
        throw CliError("cannot read " + ShownName(path) + ": it is a directory");
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
        throw CliError(ShownName(path) + " is too large: a carrier can have at most " +
                       std::to_string(MAX_CARRIER) + " bytes");
    }
    m_length = static_cast<std::int32_t>(info.st_size);
}

CarrierFile::~CarrierFile() = default;

// A stream can be read only once and in order, so it is kept whole, outside the process's
// own memory.
void CarrierFile::Spool()
{
    carvalet::FileDescriptor copy(::memfd_create("carvalet-carrier", MFD_CLOEXEC));
    if (!copy)
    {
        Fail(errno);
    }
    std::vector<std::uint8_t> buffer(PART);
    std::int64_t length = 0;
    for (;;)
    {
        const ssize_t got = carvalet::RetryOnInterrupt(
            [&] { return ::read(m_fd.Get(), buffer.data(), buffer.size()); });
        if (got < 0)
        {
            Fail(errno);
        }
        if (got == 0)
        {
            break;
        }
        length += got;
        if (length > MAX_CARRIER)
        {
            throw CliError(ShownName(m_path) + " is too large: a carrier can have at most " +
                           std::to_string(MAX_CARRIER) + " bytes");
        }
        if (const carvalet::FileError error =
                carvalet::WriteAll(copy.Get(), buffer.data(), static_cast<std::size_t>(got)))
        {
            Fail(error.code);
        }
    }
    m_fd = std::move(copy);
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
    throw CliError("cannot read " + ShownName(m_path) + ": " + std::strerror(code));
}

void CarrierFile::FailShorter() const
{
    throw CliError("cannot read " + ShownName(m_path) +
                   ": the file became shorter while it was read");
}

void CarrierFile::Read(std::int64_t offset, std::uint8_t* into, std::size_t size) const
{
    while (size > 0)
    {
        const ssize_t got =
            carvalet::RetryOnInterrupt([&] { return ::pread(m_fd.Get(), into, size, offset); });
        if (got < 0)
        {
            Fail(errno);
        }
        if (got == 0)
        {
            FailShorter();
        }
        into += got;
        offset += got;
        size -= static_cast<std::size_t>(got);
    }
}

ByteReader CarrierFile::Reader() const
{
    return [this](std::int64_t offset, std::size_t size, std::uint8_t* into)
    {
        if (offset < 0 || offset > m_length || size > static_cast<std::size_t>(m_length - offset))
        {
            return false;
        }
        try
        {
            Read(offset, into, size);
            return true;
        }
        catch (const CliError& e)
        {
            // The decoders read through C code (libpng) that an exception must not cross.
            m_readFailure = e.what();
            return false;
        }
    };
}

void CarrierFile::CheckReads() const
{
    if (!m_readFailure.empty())
    {
        throw CliError(m_readFailure);
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
            const ssize_t put = carvalet::RetryOnInterrupt(
                [&]
                {
                    return ::pwrite(out.Descriptor(), buffer.data() + done, size - done,
                                    offset + static_cast<std::int64_t>(done));
                });
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
    const auto copy = [&]
    {
        return ::copy_file_range(m_fd.Get(), &in, out.Descriptor(), &at,
                                 static_cast<std::size_t>(to - in), 0);
    };
    for (bool served = true; served && in < to;)
    {
        served = KernelMoved(out, carvalet::RetryOnInterrupt(copy));
    }
    PassThrough(out, in, to, true);
}

// Into a stream (standard output, a device, a pipe), in order.
void CarrierFile::Send(OutputFile& out, std::int64_t from, std::int64_t to) const
{
    off_t in = from;
    const auto send = [&]
    { return ::sendfile(out.Descriptor(), m_fd.Get(), &in, static_cast<std::size_t>(to - in)); };
    for (bool served = true; served && in < to;)
    {
        served = KernelMoved(out, carvalet::RetryOnInterrupt(send));
    }
    PassThrough(out, in, to, false);
}

bool CarrierFile::KernelMoved(OutputFile& out, ssize_t moved) const
{
    if (moved < 0 && CannotServe(errno))
    {
        return false;
    }
    if (moved < 0)
    {
        out.Fail(errno);
    }
    if (moved == 0)
    {
        FailShorter();
    }
    return true;
}

void CarrierFile::PassThrough(OutputFile& out, std::int64_t from, std::int64_t to,
                              bool positioned) const
{
    std::vector<std::uint8_t> buffer;
    for (std::int64_t in = from; in < to; in += static_cast<std::int64_t>(buffer.size()))
    {
        buffer.resize(static_cast<std::size_t>(std::min(to - in, PART)));
        Read(in, buffer.data(), buffer.size());
        if (positioned && ::lseek(out.Descriptor(), in, SEEK_SET) != in)
        {
            out.Fail(errno);
        }
        out.Write(buffer.data(), buffer.size());
    }
}
