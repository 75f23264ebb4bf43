#include "common/FileDescriptor.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <utility>

using carvalet::FileDescriptor;

namespace
{
bool IsOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) >= 0;
}
} // namespace

TEST(FileDescriptor, ClosesOnceWhateverHoldsItLast)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    {
        FileDescriptor reader(ends[0]);
        FileDescriptor writer(ends[1]);
        FileDescriptor moved(std::move(reader));
        EXPECT_FALSE(reader);
        EXPECT_EQ(moved.Get(), ends[0]);
        moved = std::move(writer); // the reader closes here, the writer moves in
        EXPECT_FALSE(IsOpen(ends[0]));
        EXPECT_EQ(moved.Get(), ends[1]);
        EXPECT_EQ(moved.Close(), 0);
        EXPECT_FALSE(moved);
        EXPECT_FALSE(IsOpen(ends[1]));
        EXPECT_EQ(moved.Close(), 0) << "closing nothing is no error";
    }
    ASSERT_EQ(::pipe(ends), 0);
    {
        FileDescriptor kept(ends[0]);
        EXPECT_EQ(kept.Release(), ends[0]);
        FileDescriptor other(ends[1]);
        other.Reset(ends[0]); // ends[1] closes, ends[0] is taken
        EXPECT_FALSE(IsOpen(ends[1]));
    }
    EXPECT_FALSE(IsOpen(ends[0]));
    EXPECT_EQ(FileDescriptor(-1).Close(), 0);
}

TEST(FileDescriptor, RetriesOnlyWhatASignalInterrupted)
{
    int calls = 0;
    const auto interruptedTwice = [&]
    {
        errno = ++calls < 3 ? EINTR : 0;
        return calls < 3 ? -1L : 7L;
    };
    EXPECT_EQ(carvalet::RetryOnInterrupt(interruptedTwice), 7L);
    EXPECT_EQ(calls, 3);

    calls = 0;
    const auto failed = [&]
    {
        ++calls;
        errno = EBADF;
        return -1;
    };
    EXPECT_EQ(carvalet::RetryOnInterrupt(failed), -1);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(calls, 1);
}
