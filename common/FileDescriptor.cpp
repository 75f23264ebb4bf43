// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/FileDescriptor.h"

#include <unistd.h>

namespace carvalet
{

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other)
    {
        Reset(other.Release());
    }
    return *this;
}

int FileDescriptor::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void FileDescriptor::Reset(int fd)
{
    if (m_fd >= 0)
    {
        ::close(m_fd);
    }
    m_fd = fd;
}

int FileDescriptor::Close()
{
    const int fd = Release();
    if (fd < 0 || ::close(fd) == 0 || errno == EINTR)
    {
        return 0;
    }
    return errno;
}

} // namespace carvalet
