// SPDX-License-Identifier: GPL-3.0-or-later
// An open file descriptor that closes itself, and the retry every slow system call needs when
// a signal interrupts it.
#pragma once

#include <cerrno>

namespace carvalet
{

// Owns one descriptor (or none, -1); moving hands it on, destruction closes it.
class FileDescriptor
{
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.Release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    ~FileDescriptor() { Reset(); }

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    // Gives the descriptor up without closing it.
    int Release();
    // Closes the one held, if any, and takes `fd`.
    void Reset(int fd = -1);
    // Closes it and tells how that went: 0, or the error number. An interrupted close has
    // still closed the descriptor on Linux, so it counts as done.
    int Close();

private:
    int m_fd = -1;
};

// Calls `call` (a system call returning -1 and setting errno on failure) again for as long as
// a signal interrupts it, and returns what it returned at last.
template <typename Call> auto RetryOnInterrupt(Call call)
{
    for (;;)
    {
        const auto result = call();
        if (result != -1 || errno != EINTR)
        {
            return result;
        }
    }
}

} // namespace carvalet
