// SPDX-License-Identifier: GPL-3.0-or-later
// What the file tests of several rooms share: whether they run as root, and the immutable
// flag, which stops even root from writing a file or making files in a folder.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace fileflags
{
inline bool IsRoot()
{
    return ::geteuid() == 0;
}

// Sets or clears the immutable flag (only root may); false when that could not be done.
inline bool SetImmutable(const std::string& path, bool on)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return done;
}
} // namespace fileflags
