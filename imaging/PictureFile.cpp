// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/PictureFile.h"

#include "imaging/PngDecoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PictureFile::PictureFile(const std::string& nativePath)
{
    const int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    struct stat st
    {
    };
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = st.st_size;
    m_read = [fd](std::int64_t offset, std::size_t size, std::uint8_t* out)
    {
        std::size_t done = 0;
        while (done < size)
        {
            const ssize_t n = ::pread(fd, out + done, size - done, offset + std::int64_t(done));
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    };
}

PictureFile::~PictureFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<std::vector<Argb>> ReadPngPreview(const std::string& nativePath, int cx, int cy)
{
    const PictureFile file(nativePath);
    if (!file.IsOpen())
        return std::nullopt;
    return SamplePng(file.Reader(), file.Size(), cx, cy);
}
