// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/FileDescriptor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <utility>

using carvalet::FileDescriptor;

TEST(FileDescriptor, ClosesWhatItHoldsOnceAndRetriesOnlyInterruptedCalls)
{
    const auto open = [](int fd) { return ::fcntl(fd, F_GETFD) >= 0; };
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    {
        FileDescriptor reader(ends[0]);
        FileDescriptor held(ends[1]);
        held = std::move(reader); // the writer closes, the reader moves in
        EXPECT_FALSE(open(ends[1]));
        EXPECT_EQ(held.Get(), ends[0]);
        EXPECT_EQ(held.Close(), 0);
        EXPECT_FALSE(open(ends[0]));
        EXPECT_EQ(held.Close(), 0) << "closing nothing is no error";
    }
    ASSERT_EQ(::pipe(ends), 0);
    FileDescriptor(ends[0]).Release();
    EXPECT_TRUE(open(ends[0])) << "released, not closed";
    ::close(ends[0]);
    ::close(ends[1]);

    int calls = 0;
    const auto interruptedTwice = [&]
    {
        errno = ++calls < 3 ? EINTR : EBADF;
        return -1;
    };
    EXPECT_EQ(carvalet::RetryOnInterrupt(interruptedTwice), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(calls, 3);
}
