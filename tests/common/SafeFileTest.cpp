// SPDX-License-Identifier: GPL-3.0-or-later
// The safe-file rules on real files, links, devices and pipes made in a scratch folder.
#include "common/SafeFile.h"
#include "tests/support/FileFlags.h"

#include <gtest/gtest.h>

#include <iostream>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using carvalet::FileError;
using carvalet::FileReplacement;
using fileflags::IsRoot;
using fileflags::SetImmutable;

namespace
{

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

void Write(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

FileError Save(const fs::path& path, const std::string& bytes,
               const FileReplacement::Options& options = {})
{
    FileReplacement file;
    if (FileError error = file.Open(path.string(), options))
    {
        return error;
    }
    if (FileError error = carvalet::WriteAll(file.Descriptor(), bytes.data(), bytes.size()))
    {
        return error;
    }
    return file.Commit();
}

// Each test runs twice: with unnamed new files, and with the short hidden names used where the
// file system has none.
class SafeFile : public testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        carvalet::SetUnnamedFilesForTesting(GetParam());
        std::string name = (fs::temp_directory_path() / "carvalet-safe-XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        dir = name;
    }
    void TearDown() override
    {
        carvalet::SetUnnamedFilesForTesting(true);
        for (const auto& entry : fs::recursive_directory_iterator(dir))
        {
            SetImmutable(entry.path(), false);
        }
        SetImmutable(dir, false);
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }

    std::vector<std::string> Listing(const fs::path& folder) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
        {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> Listing() const { return Listing(dir); }

    fs::path dir;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(Ways, SafeFile, testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Unnamed" : "Named"; });

TEST_P(SafeFile, AReplacementAppearsWholeOnlyOnCommitWithTheOldModeAndOwner)
{
    const fs::path target = dir / "picture.bmp";
    Write(target, "old contents");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    const bool root = IsRoot();
    if (root)
    {
        ASSERT_EQ(::chown(target.c_str(), 1234, 5678), 0);
    }
    {
        FileReplacement file;
        ASSERT_FALSE(file.Open(target.string()));
        EXPECT_TRUE(file.Replaces());
        ASSERT_FALSE(carvalet::WriteAll(file.Descriptor(), "new", 3));
        EXPECT_EQ(Read(target), "old contents");
        ASSERT_FALSE(file.Commit());
    }
    EXPECT_EQ(Read(target), "new");
    struct stat st
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root)
    {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }
    else
    {
        std::cout << "[ SKIPPED  ] keeping another user's ownership needs root\n";
    }
    EXPECT_EQ(Listing(), std::vector<std::string>{"picture.bmp"});

    // Abandoned, by Abort or by going away, it leaves the old file alone.
    for (const bool abort : {true, false})
    {
        FileReplacement file;
        ASSERT_FALSE(file.Open(target.string()));
        ASSERT_FALSE(carvalet::WriteAll(file.Descriptor(), "newer", 5));
        if (abort)
        {
            file.Abort();
        }
    }
    EXPECT_EQ(Read(target), "new");
    EXPECT_EQ(Listing(), std::vector<std::string>{"picture.bmp"});
}

TEST_P(SafeFile, ANewFileDoesNotExistUntilItIsComplete)
{
    const fs::path target = dir / "new.bmp";
    {
        FileReplacement file;
        ASSERT_FALSE(file.Open(target.string()));
        ASSERT_FALSE(carvalet::WriteAll(file.Descriptor(), "data", 4));
        EXPECT_FALSE(fs::exists(target)) << "an empty target made before the data";
        ASSERT_FALSE(file.Commit());
    }
    EXPECT_EQ(Read(target), "data");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask);

    {
        FileReplacement file;
        ASSERT_FALSE(file.Open((dir / "dropped.bmp").string()));
    }
    // Someone else makes the target while it is written: it is replaced like any other.
    {
        FileReplacement file;
        ASSERT_FALSE(file.Open((dir / "raced.bmp").string()));
        Write(dir / "raced.bmp", "theirs");
        ASSERT_FALSE(carvalet::WriteAll(file.Descriptor(), "ours", 4));
        ASSERT_FALSE(file.Commit());
    }
    EXPECT_EQ(Read(dir / "raced.bmp"), "ours");
    EXPECT_EQ(Listing(), (std::vector<std::string>{"new.bmp", "raced.bmp"}));
}

TEST_P(SafeFile, LinksStayLinksAndTheirTargetsAreWritten)
{
    fs::create_directory(dir / "real");
    Write(dir / "real" / "picture.bmp", "old");
    fs::create_symlink("real/picture.bmp", dir / "link.bmp");
    fs::create_symlink(dir / "link.bmp", dir / "chain.bmp");
    fs::create_symlink("real/later.bmp", dir / "dangling.bmp");
    fs::create_symlink("loop-b", dir / "loop-a");
    fs::create_symlink("loop-a", dir / "loop-b");

    ASSERT_FALSE(Save(dir / "chain.bmp", "through two links"));
    EXPECT_EQ(Read(dir / "real" / "picture.bmp"), "through two links");
    ASSERT_FALSE(Save(dir / "dangling.bmp", "made at the link's target"));
    EXPECT_EQ(Read(dir / "real" / "later.bmp"), "made at the link's target");
    for (const char* link : {"link.bmp", "chain.bmp", "dangling.bmp"})
    {
        EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
    }
    EXPECT_EQ(Save(dir / "loop-a", "x").code, ELOOP);
    EXPECT_EQ(Listing(dir / "real"), (std::vector<std::string>{"later.bmp", "picture.bmp"}));
}

TEST_P(SafeFile, DevicesPipesAndSocketsAreWrittenIntoNeverReplaced)
{
    // A pipe with a reader takes the bytes; without one the window's option fails at once.
    const fs::path pipe = dir / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(Save(pipe, "x", {true}).code, ENXIO);
    std::string received;
    std::thread reader([&] { received = Read(pipe); });
    EXPECT_FALSE(Save(pipe, "through the pipe"));
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(pipe));

    // One of the process's own descriptors, named through a link as /dev/stdout names it.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    fs::create_symlink("/proc/self/fd/" + std::to_string(ends[1]), dir / "mine");
    EXPECT_FALSE(Save(dir / "mine", "own"));
    ::close(ends[1]);
    char own[8] = {};
    EXPECT_EQ(::read(ends[0], own, sizeof own), 3);
    EXPECT_STREQ(own, "own");
    ::close(ends[0]);
    EXPECT_TRUE(fs::is_symlink(dir / "mine"));

    // A socket cannot be opened as a file; it is refused and stays a socket.
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "socket").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Save(dir / "socket", "x").code, ENXIO);
    EXPECT_TRUE(fs::is_socket(dir / "socket"));
    ::close(sock);

    if (!IsRoot())
    {
        std::cout << "[ SKIPPED  ] device nodes in a scratch folder need root\n";
        return;
    }
    // The null and full devices, made here: the machine's own /dev is never touched.
    ASSERT_EQ(::mknod((dir / "null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
    ASSERT_EQ(::mknod((dir / "full").c_str(), S_IFCHR | 0666, ::makedev(1, 7)), 0);
    fs::create_symlink("null", dir / "to-null");
    EXPECT_FALSE(Save(dir / "null", "gone"));
    EXPECT_FALSE(Save(dir / "to-null", "gone"));
    EXPECT_EQ(Save(dir / "full", "no room").code, ENOSPC);
    EXPECT_TRUE(fs::is_character_file(dir / "null"));
    EXPECT_TRUE(fs::is_symlink(dir / "to-null"));
    EXPECT_TRUE(fs::is_character_file(dir / "full"));
}

TEST_P(SafeFile, AFolderThatTakesNoNewFileRefusesTheSaveInsteadOfWritingInPlace)
{
    const fs::path folder = dir / "locked";
    fs::create_directory(folder);
    Write(folder / "picture.bmp", "old contents");
    // Root writes anywhere, except into an immutable folder.
    if (IsRoot())
    {
        ASSERT_TRUE(SetImmutable(folder, true)) << "this file system has no immutable flag";
    }
    else
    {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const FileError error = Save(folder / "picture.bmp", "new contents");
    EXPECT_TRUE(error.folderRefused);
    EXPECT_NE(error.reason.find("no new file can be made in the folder " + folder.string()),
              std::string::npos)
        << error.reason;
    // A new name there is refused too, but is not a file the user would lose.
    EXPECT_FALSE(Save(folder / "other.bmp", "x").folderRefused);
    SetImmutable(folder, false);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(Read(folder / "picture.bmp"), "old contents");
    EXPECT_EQ(Listing(folder), std::vector<std::string>{"picture.bmp"});

    EXPECT_EQ(Save(dir / "missing" / "x.bmp", "x").reason, std::strerror(ENOENT));
    EXPECT_EQ(Save(dir, "x").code, EISDIR);
}

TEST_P(SafeFile, AnExistingFileItsUserCannotWriteIsRefused)
{
    const fs::path target = dir / "kept.bmp";
    Write(target, "kept");
    if (IsRoot())
    {
        ASSERT_TRUE(SetImmutable(target, true));
        EXPECT_EQ(Save(target, "x").code, EPERM);
        SetImmutable(target, false);
    }
    else
    {
        fs::permissions(target, fs::perms::owner_read);
        EXPECT_EQ(Save(target, "x").code, EACCES);
    }
    EXPECT_EQ(Read(target), "kept");
    EXPECT_EQ(Listing(), std::vector<std::string>{"kept.bmp"});
}

TEST_P(SafeFile, NamesOfUpTo255BytesCanBeSavedAndReplaced)
{
    const fs::path target = dir / (std::string(250, 'n') + ".bmp");
    ASSERT_FALSE(Save(target, "first"));
    ASSERT_FALSE(Save(target, "second"));
    EXPECT_EQ(Read(target), "second");
    EXPECT_EQ(Listing().size(), 1u);
}

TEST_P(SafeFile, SignalsThatEndTheProcessLeaveNoFileBehind)
{
    const fs::path target = dir / "picture.bmp";
    Write(target, "old contents");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        const pid_t child = ::fork();
        if (child == 0)
        {
            FileReplacement file;
            if (file.Open(target.string()) || carvalet::WriteAll(file.Descriptor(), "half", 4))
            {
                ::_exit(3);
            }
            ::raise(signal);
            ::_exit(4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(Listing(), std::vector<std::string>{"picture.bmp"}) << strsignal(signal);
        EXPECT_EQ(Read(target), "old contents");
    }
}

TEST_P(SafeFile, AKillAtAnyStepOfASaveLeavesTheOldFileOrTheNewOne)
{
    const fs::path target = dir / "picture.bmp";
    constexpr int PARTS = 16;
    const std::size_t part = 1 << 18;
    const std::string fresh(PARTS * part, 'n');
    // The child stops after each step of a save until told to go on: step 0 before opening,
    // step k after the k-th part is written. The parent kills it at step `at`; past the last
    // step, just after letting it commit. Whether the child ended as it should is returned.
    const auto save = [&](int at)
    {
        Write(target, "old contents");
        int report[2];
        int go[2];
        EXPECT_TRUE(::pipe(report) == 0 && ::pipe(go) == 0);
        const pid_t child = ::fork();
        if (child == 0)
        {
            const auto step = [&]
            {
                char c = 0;
                return ::write(report[1], "s", 1) == 1 && ::read(go[0], &c, 1) == 1;
            };
            FileReplacement file;
            if (!step() || file.Open(target.string()))
            {
                ::_exit(3);
            }
            for (int k = 0; k < PARTS; ++k)
            {
                if (carvalet::WriteAll(file.Descriptor(), fresh.data() + k * part, part) || !step())
                {
                    ::_exit(4);
                }
            }
            ::_exit(file.Commit() ? 5 : 0);
        }
        ::close(report[1]);
        ::close(go[0]);
        char c = 0;
        bool killed = false;
        for (int taken = 0; !killed && ::read(report[0], &c, 1) == 1; ++taken)
        {
            if (taken != at)
            {
                EXPECT_EQ(::write(go[1], "g", 1), 1);
            }
            killed = taken == at || (taken == PARTS && at > PARTS);
            if (killed)
            {
                ::kill(child, SIGKILL);
            }
        }
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
        ::close(report[0]);
        ::close(go[1]);
        const bool done = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        return at < 0 ? done : at > PARTS || WIFSIGNALED(status);
    };
    for (int at = 0; at <= PARTS; ++at)
    {
        EXPECT_TRUE(save(at)) << "not killed at step " << at;
        EXPECT_EQ(Read(target), "old contents") << "killed at step " << at;
    }
    for (int again = 0; again < 5; ++again)
    {
        EXPECT_TRUE(save(PARTS + 1));
        const std::string now = Read(target);
        EXPECT_TRUE(now == "old contents" || now == fresh) << "killed while committing";
    }
    ASSERT_TRUE(save(-1));
    EXPECT_TRUE(Read(target) == fresh);
    // A kill cannot be caught, so a named new file outlives it, under a name made from the
    // target's; the next save to the target removes it, and no other target's.
    EXPECT_EQ(Listing(), std::vector<std::string>{"picture.bmp"});
}

TEST_P(SafeFile, LeftoversOfAKilledSaveAreRemovedByTheNextSaveToTheirTargetOnly)
{
    const fs::path target = dir / "picture.bmp";
    const std::vector<std::string> others = {".other.bmp.carvalet-abcdef",
                                             ".picture.bmp.carvalet-abcdefg", "picture.bmp.txt"};
    Write(dir / ".picture.bmp.carvalet-Zx81aQ", "a copy a kill left");
    for (const std::string& name : others)
    {
        Write(dir / name, "not ours to remove");
    }
    fs::create_directory(dir / ".picture.bmp.carvalet-folder");
    ASSERT_FALSE(Save(target, "new"));
    std::vector<std::string> expected = others;
    expected.push_back(".picture.bmp.carvalet-folder");
    expected.push_back("picture.bmp");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(), expected);
}

// Replacing a file of another user would give it to the saver: refused unless the owner can be
// kept (as root it can).
TEST_P(SafeFile, AFileThatWouldChangeOwnerIsRefused)
{
    if (!IsRoot())
    {
        std::cout << "[ SKIPPED  ] another user's file needs root to make\n";
        return;
    }
    const fs::path target = dir / "theirs.bmp";
    Write(target, "root's file");
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
    const pid_t child = ::fork();
    if (child == 0)
    {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        const FileError error = dropped ? Save(target, "nobody's copy") : FileError{};
        ::_exit(!dropped ? 3 : error.code == EPERM ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    struct stat st
    {
    };
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(Read(target), "root's file");
    EXPECT_EQ(Listing(), std::vector<std::string>{"theirs.bmp"});
    ASSERT_FALSE(Save(target, "root's own copy")) << "root keeps the owner";
}

TEST(ReadFile, WholeFilesUpToALimit)
{
    const fs::path dir = fs::temp_directory_path();
    const fs::path path = dir / ("carvalet-read-" + std::to_string(::getpid()));
    Write(path, std::string(1000, 'r'));
    std::string bytes;
    EXPECT_FALSE(carvalet::ReadWholeFile(path.string(), 1000, bytes));
    EXPECT_EQ(bytes.size(), 1000u);
    EXPECT_EQ(carvalet::ReadWholeFile(path.string(), 999, bytes).code, EFBIG);
    EXPECT_EQ(carvalet::ReadWholeFile(dir.string(), 999, bytes).code, EISDIR);
    EXPECT_EQ(carvalet::ReadWholeFile(path.string() + "-missing", 999, bytes).code, ENOENT);
    fs::remove(path);

    // An endless stream stops at the limit, and says there was more.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::thread writer(
        [&]
        {
            const std::string chunk(70000, 'z');
            carvalet::WriteAll(ends[1], chunk.data(), chunk.size());
            ::close(ends[1]);
        });
    bool more = false;
    EXPECT_FALSE(carvalet::ReadUpTo(ends[0], 65537, bytes, more));
    EXPECT_TRUE(more);
    EXPECT_EQ(bytes.size(), 65537u);
    EXPECT_FALSE(carvalet::ReadUpTo(ends[0], 70000, bytes, more)) << "the rest, for the writer";
    writer.join();
    ::close(ends[0]);
}
