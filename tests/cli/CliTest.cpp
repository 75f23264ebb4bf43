// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"
#include "tests/support/FileFlags.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pty.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;
using fileflags::IsRoot;
using fileflags::SetImmutable;

namespace
{

using Bytes = std::vector<std::uint8_t>;

struct Result
{
    int exit = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void SkipLoudly(const std::string& what)
{
    std::cout << "[ SKIPPED  ] " << what << " needs root\n";
}

// A classic 24-bit bitmap, one pixel and its padding a row, whose bytes all differ in their
// upper bits from their neighbours'.
std::string MakeCarrier(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
    {
        bytes[i] = static_cast<char>((i * 7 + i / 3 + i / 4099) & 0xFF);
    }
    const auto put = [&](std::size_t at, std::uint32_t value, int count)
    {
        for (int i = 0; i < count; ++i)
        {
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        }
    };
    const auto rows = static_cast<std::uint32_t>((size - 54) / 4);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, static_cast<std::uint32_t>(size), 4);
    put(6, 0, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 1, 4);    // width
    put(22, rows, 4); // height
    put(26, 1, 2);    // planes
    put(28, 24, 2);   // bits per pixel
    // No compression, the image size left to the reader, no palette.
    std::fill(bytes.begin() + 30, bytes.begin() + 54, '\0');
    return bytes;
}

// What a hide must write: the engine's records in the whole carrier, in memory.
std::string Hidden(const std::string& carrier, const std::string& password,
                   const std::string& message)
{
    Bytes bytes(carrier.begin(), carrier.end());
    const auto length = static_cast<std::int32_t>(bytes.size());
    EXPECT_EQ(EmbedText(bytes.data(), length, PASSWORD_SLOT, MakePasswordRecord(password), nullptr),
              1);
    EXPECT_EQ(EmbedText(bytes.data(), length, MESSAGE_SLOT, message, nullptr), 1);
    return std::string(bytes.begin(), bytes.end());
}

// Becomes the tool, run with `args`.
[[noreturn]] void Exec(const std::vector<std::string>& args)
{
    std::vector<char*> argv{const_cast<char*>(CARVALET_CLI)};
    for (const std::string& arg : args)
    {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(CARVALET_CLI, argv.data());
    ::_exit(127);
}

// A fresh folder per test, removed afterwards.
class CarvaletCli : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string name = (fs::temp_directory_path() / "carvalet-cli-XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        dir = name;
        sample = ReadFile(CARVALET_SAMPLE_BMP);
        ASSERT_EQ(sample.size(), 57654u);
        WriteFile(dir / "sample.bmp", sample);
    }
    void TearDown() override
    {
        for (const auto& entry : fs::recursive_directory_iterator(dir))
        {
            if (entry.is_symlink() || !(entry.is_regular_file() || entry.is_directory()))
            {
                continue;
            }
            if (IsRoot())
            {
                SetImmutable(entry.path(), false);
            }
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add);
        }
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }

    // Runs the real tool in its own session, so it has no terminal to prompt on. Its output
    // goes to files, or to outTo and errTo when given.
    Result Run(const std::vector<std::string>& args, const std::string& input = "",
               const fs::path& outTo = {}, const fs::path& errTo = {})
    {
        const fs::path outFile = outTo.empty() ? dir / ".stdout" : outTo;
        const fs::path errFile = errTo.empty() ? dir / ".stderr" : errTo;
        int in[2];
        EXPECT_EQ(::pipe(in), 0);
        const pid_t pid = ::fork();
        if (pid == 0)
        {
            ::setsid();
            ::dup2(in[0], 0);
            ::close(in[0]);
            ::close(in[1]);
            const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(err, 2);
            Exec(args);
        }
        ::close(in[0]);
        // The tool may exit without reading its input.
        ::signal(SIGPIPE, SIG_IGN);
        [[maybe_unused]] ssize_t written = ::write(in[1], input.data(), input.size());
        ::close(in[1]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        Result result;
        result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (outTo.empty())
        {
            result.out = ReadFile(outFile);
            fs::remove(outFile);
        }
        if (errTo.empty())
        {
            result.err = ReadFile(errFile);
            fs::remove(errFile);
        }
        return result;
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    std::vector<std::string> Listing() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
        {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
    std::string sample;
};

const std::string MESSAGE = "Meet me at dawn.\r\nBring the map \xE9\xFF.";

} // namespace

TEST_F(CarvaletCli, HideThenUnhideThroughARealBitmap)
{
    const Result hide =
        Run({"hide", Path("sample.bmp"), Path("out.bmp"), "--message", MESSAGE, "--password-stdin"},
            "lanterns & co\n");
    ASSERT_EQ(hide.exit, 0) << hide.err;
    EXPECT_EQ(ReadFile(Path("sample.bmp")), sample);

    const std::string hidden = ReadFile(Path("out.bmp"));
    ASSERT_EQ(hidden.size(), sample.size());
    for (std::size_t i = 0; i < hidden.size(); ++i)
    {
        ASSERT_EQ(hidden[i] & 0xFE, sample[i] & 0xFE) << "byte " << i;
    }

    // Only the first 8 characters of the password count.
    const Result unhide = Run({"unhide", Path("out.bmp"), "--password-stdin"}, "lanterns\n");
    EXPECT_EQ(unhide.exit, 0) << unhide.err;
    EXPECT_EQ(unhide.out, MESSAGE);

    const Result toFile =
        Run({"unhide", Path("out.bmp"), "--output", Path("message.txt"), "--password-stdin"},
            "lanternsXYZ\r\n");
    EXPECT_EQ(toFile.exit, 0) << toFile.err;
    EXPECT_EQ(ReadFile(Path("message.txt")), MESSAGE);

    const Result info = Run({"info", Path("out.bmp")});
    EXPECT_EQ(info.exit, 0);
    EXPECT_NE(info.out.find("Size: 57654 bytes"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Longest message: 7080 bytes"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Password record: yes"), std::string::npos) << info.out;
    EXPECT_NE(Run({"info", Path("sample.bmp")}).out.find("Password record: no"), std::string::npos);
}

TEST_F(CarvaletCli, SealedMessagesOpenOnlyWithTheWholePassword)
{
    const std::string passphrase = "sunflower field at the end of the lane, 1987";
    const Result hide = Run({"hide", Path("sample.bmp"), Path("sealed.bmp"), "--message", MESSAGE,
                             "--seal", "--password-stdin"},
                            passphrase + "\n");
    ASSERT_EQ(hide.exit, 0) << hide.err;
    const std::string hidden = ReadFile(Path("sealed.bmp"));
    ASSERT_EQ(hidden.size(), sample.size());
    for (std::size_t i = 0; i < hidden.size(); ++i)
    {
        ASSERT_EQ(hidden[i] & 0xFE, sample[i] & 0xFE) << "byte " << i;
    }

    // Nothing of the password or the message can be read out with the built-in key.
    Bytes carrier(hidden.begin(), hidden.end());
    const auto length = static_cast<std::int32_t>(carrier.size());
    EXPECT_EQ(ExtractText(carrier.data(), length, PASSWORD_SLOT, nullptr), SEAL_MARKER_RECORD);
    const std::string armour = ExtractText(carrier.data(), length, MESSAGE_SLOT, nullptr);
    EXPECT_TRUE(LooksSealed(armour)) << armour;
    EXPECT_EQ(armour.find("Meet"), std::string::npos);

    const Result unhide =
        Run({"unhide", Path("sealed.bmp"), "--password-stdin"}, passphrase + "\n");
    EXPECT_EQ(unhide.exit, 0) << unhide.err;
    EXPECT_EQ(unhide.out, MESSAGE);

    const Result info = Run({"info", Path("sealed.bmp")});
    EXPECT_NE(info.out.find("Longest sealed message: 5009 bytes"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Sealed message: yes"), std::string::npos) << info.out;
    EXPECT_NE(Run({"info", Path("sample.bmp")}).out.find("Sealed message: no"), std::string::npos);

    // A changed armour (still a valid one: a character of its ciphertext, on its third line,
    // changed) is told from a wrong password; both exit 3 and print nothing.
    std::string changed = armour;
    std::size_t at = 0;
    for (int line = 0; line < 3; ++line)
    {
        at = changed.find("\r\n", at) + 2;
    }
    at += 10;
    changed[at] = changed[at] == 'A' ? 'B' : 'A';
    ASSERT_EQ(EmbedText(carrier.data(), length, MESSAGE_SLOT, changed, nullptr), 1);
    WriteFile(Path("changed.bmp"), std::string(carrier.begin(), carrier.end()));
    // A bit of the hidden armour flipped garbles a whole enciphered block of it.
    std::string flipped = hidden;
    flipped[MESSAGE_SLOT + 8 * 50] ^= 1;
    WriteFile(Path("flipped.bmp"), flipped);

    struct Case
    {
        std::string image;
        std::string password;
        std::string error;
    };
    const Case cases[] = {
        {"sealed.bmp", passphrase.substr(0, 8), "Invalid password try again\n"},
        {"changed.bmp", passphrase, "The hidden message has been changed or damaged\n"},
        {"changed.bmp", "wrong password", "Invalid password try again\n"},
        {"flipped.bmp", passphrase, "The hidden message has been changed or damaged\n"},
    };
    for (const Case& c : cases)
    {
        const Result r = Run({"unhide", Path(c.image), "--password-stdin"}, c.password + "\n");
        EXPECT_EQ(r.exit, 3) << c.image << " " << c.password;
        EXPECT_EQ(r.err, c.error) << c.image << " " << c.password;
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CarvaletCli, SealingTakesPassphrasesOfEightToSixtyFourCharacters)
{
    struct Case
    {
        std::string password;
        int exit;
        std::string error;
    };
    const Case cases[] = {
        {"1234567", 1, "password  must be at least 8 chars\n"},
        {std::string(65, 'p'), 1, "password is to long it must at most 64 chars\n"},
        {std::string(64, 'p'), 0, ""},
    };
    for (const Case& c : cases)
    {
        const Result r = Run({"hide", Path("sample.bmp"), Path("out.bmp"), "--message", "hi",
                              "--seal", "--password-stdin"},
                             c.password + "\n");
        EXPECT_EQ(r.exit, c.exit) << c.password;
        EXPECT_EQ(r.err, c.error) << c.password;
        EXPECT_EQ(fs::exists(Path("out.bmp")), c.exit == 0);
        fs::remove(Path("out.bmp"));
    }
    EXPECT_EQ(Run({"unhide", Path("sample.bmp"), "--seal"}).exit, 2);
    EXPECT_EQ(Run({"info", Path("sample.bmp"), "--seal"}).exit, 2);

    // Too long once sealed, though the plain message would fit.
    const Result tooLong = Run({"hide", Path("sample.bmp"), Path("out.bmp"), "--message",
                                std::string(5010, 'm'), "--seal", "--password-stdin"},
                               "password\n");
    EXPECT_EQ(tooLong.exit, 1);
    EXPECT_EQ(tooLong.err, "Image is very small.\nOperation aborted ..     \n");
    EXPECT_EQ(Run({"hide", Path("sample.bmp"), Path("out.bmp"), "--message", std::string(5009, 'm'),
                   "--seal", "--password-stdin"},
                  "password\n")
                  .exit,
              0);
}

TEST_F(CarvaletCli, WritesWhatTheEngineWritesForTheWindow)
{
    WriteFile(Path("message.txt"), std::string("line one\nline two\0after the zero", 32));
    ASSERT_EQ(Run({"hide", Path("sample.bmp"), Path("out.bmp"), "--message-file",
                   Path("message.txt"), "--password-stdin"},
                  "password1\n")
                  .exit,
              0);

    Bytes expected(sample.begin(), sample.end());
    const auto length = static_cast<std::int32_t>(expected.size());
    ASSERT_EQ(
        EmbedText(expected.data(), length, PASSWORD_SLOT, MakePasswordRecord("password1"), nullptr),
        1);
    ASSERT_EQ(EmbedText(expected.data(), length, MESSAGE_SLOT, "line one\nline two", nullptr), 1);
    EXPECT_EQ(ReadFile(Path("out.bmp")), std::string(expected.begin(), expected.end()));
}

TEST_F(CarvaletCli, FailuresReportTheirMessageAndExitCode)
{
    WriteFile(Path("small.bmp"), sample.substr(0, 1127));
    WriteFile(Path("empty.txt"), "");
    WriteFile(Path("zero-first.txt"), std::string("\0text", 5));
    ASSERT_EQ(
        Run({"hide", Path("sample.bmp"), Path("hidden.bmp"), "--message", "hi", "--password-stdin"},
            "password\n")
            .exit,
        0);

    struct Case
    {
        std::vector<std::string> args;
        std::string input;
        int exit;
        std::string error;
    };
    const std::string hideTo = Path("out.bmp");
    const Case cases[] = {
        {{}, "", 2, "no command"},
        {{"conceal", Path("sample.bmp")}, "", 2, "unknown command"},
        {{"hide", Path("sample.bmp"), hideTo}, "", 2, "--message"},
        {{"hide", Path("sample.bmp"), hideTo, "--message", "a", "--message-file", "b"}, "", 2, ""},
        {{"hide", Path("sample.bmp"), hideTo, "--message"}, "", 2, "needs a value"},
        {{"unhide", Path("sample.bmp"), "--colour", "red"}, "", 2, "unknown option"},
        {{"info"}, "", 2, "IMAGE"},
        {{"hide", Path("missing.bmp"), hideTo, "--message", "hi", "--password-stdin"},
         "password\n",
         1,
         "missing.bmp"},
        {{"hide", Path("sample.bmp"), hideTo, "--message-file", Path("empty.txt"),
          "--password-stdin"},
         "password\n",
         1,
         "There is no text to curtain"},
        {{"hide", Path("sample.bmp"), hideTo, "--message-file", Path("zero-first.txt"),
          "--password-stdin"},
         "password\n",
         1,
         "There is no text to curtain"},
        {{"hide", Path("sample.bmp"), hideTo, "--message", "hi", "--password-stdin"},
         "1234567\n",
         1,
         "password  must be at least 8 chars"},
        {{"hide", Path("sample.bmp"), hideTo, "--message", "hi", "--password-stdin"},
         "12345678901234567\n",
         1,
         "password is to long it must at most 16 chars"},
        {{"hide", Path("small.bmp"), hideTo, "--message", "hi", "--password-stdin"},
         "password\n",
         1,
         "Image is very small.\nOperation aborted ..     \n"},
        {{"hide", Path("sample.bmp"), hideTo, "--message", std::string(7081, 'm'),
          "--password-stdin"},
         "password\n",
         1,
         "Image is very small.\nOperation aborted ..     \n"},
        {{"hide", Path("sample.bmp"), hideTo, "--message", "hi"}, "", 1, "--password-stdin"},
        // A picture without a record may hold a stealth message: none for this password.
        {{"unhide", Path("sample.bmp"), "--password-stdin"},
         "password\n",
         4,
         "No hidden message for this password.\n"},
        {{"unhide", Path("small.bmp"), "--password-stdin"},
         "password\n",
         4,
         "Image does not contain curtained data ..\n"},
        {{"unhide", Path("hidden.bmp"), "--password-stdin"},
         "Password\n",
         3,
         "Invalid password try again\n"},
        {{"unhide", Path("hidden.bmp"), "--password-stdin"},
         "",
         1,
         "no password given: standard input ended before a line"},
    };
    for (const Case& c : cases)
    {
        const Result r = Run(c.args, c.input);
        std::string command;
        for (const auto& arg : c.args)
        {
            command += arg.substr(0, 40) + " ";
        }
        EXPECT_EQ(r.exit, c.exit) << command << "\n" << r.err;
        EXPECT_NE(r.err.find(c.error), std::string::npos) << command << "\n" << r.err;
        EXPECT_EQ(r.out, "") << command;
        EXPECT_FALSE(fs::exists(hideTo)) << command;
    }
}

TEST_F(CarvaletCli, FailedWritesLeaveNoPartialOutput)
{
    // A refused hide leaves an existing OUTPUT as it was.
    WriteFile(Path("small.bmp"), sample.substr(0, 2000));
    WriteFile(Path("keep.bmp"), "previous contents");
    EXPECT_EQ(Run({"hide", Path("small.bmp"), Path("keep.bmp"), "--message", std::string(200, 'x'),
                   "--password-stdin"},
                  "password\n")
                  .exit,
              1);
    EXPECT_EQ(ReadFile(Path("keep.bmp")), "previous contents");

    const std::vector<std::string> before = Listing();
    fs::create_directory(dir / "taken");
    const std::vector<std::string> targets = {Path("no/such/folder/out.bmp"), Path("taken")};
    for (const std::string& target : targets)
    {
        const Result r =
            Run({"hide", Path("sample.bmp"), target, "--message", "hello", "--password-stdin"},
                "password\n");
        EXPECT_EQ(r.exit, 1) << target;
        EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_empty(dir / "taken"));
    fs::remove(dir / "taken");
    EXPECT_EQ(Listing(), before) << "a temporary file was left behind";

    if (::geteuid() != 0) // root writes anywhere
    {
        fs::create_directory(dir / "locked");
        fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(Run({"hide", Path("sample.bmp"), Path("locked/out.bmp"), "--message", "hello",
                       "--password-stdin"},
                      "password\n")
                      .exit,
                  1);
        EXPECT_TRUE(fs::is_empty(dir / "locked"));
    }
}

TEST_F(CarvaletCli, RefusesCarriersBeyondTheFormatsLength)
{
    {
        std::ofstream huge(Path("huge.bmp"), std::ios::binary);
    }
    fs::resize_file(Path("huge.bmp"), std::uintmax_t{1} << 31); // sparse: costs no disk
    const Result r = Run({"info", Path("huge.bmp")});
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("too large"), std::string::npos) << r.err;
}

TEST_F(CarvaletCli, HelpAndVersion)
{
    const Result help = Run({"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_NE(help.out.find("carvalet-cli hide IMAGE OUTPUT"), std::string::npos);
    const Result version = Run({"--version"});
    EXPECT_EQ(version.exit, 0);
    EXPECT_EQ(version.out, "carvalet-cli 1.0.0.5\n");
}

TEST_F(CarvaletCli, AsksOnTheTerminalWithoutEcho)
{
    if (::access("/dev/ptmx", R_OK | W_OK) != 0)
    {
        GTEST_SKIP() << "no pseudo-terminals on this machine";
    }
    // Talks to the tool through a pseudo-terminal, as a person at a keyboard would.
    const auto converse =
        [&](const std::vector<std::string>& args, const std::vector<std::string>& lines)
    {
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        if (pid < 0)
        {
            ADD_FAILURE() << "forkpty failed";
            return std::pair{-1, std::string()};
        }
        if (pid == 0)
        {
            Exec(args);
        }
        std::string screen;
        std::size_t answered = 0;
        for (;;)
        {
            pollfd ready{master, POLLIN, 0};
            if (::poll(&ready, 1, 10000) <= 0)
            {
                break;
            }
            char buffer[256];
            const ssize_t got = ::read(master, buffer, sizeof buffer);
            if (got <= 0)
            {
                break;
            }
            screen.append(buffer, static_cast<std::size_t>(got));
            if (answered < lines.size() && screen.size() >= 2 &&
                screen.compare(screen.size() - 2, 2, ": ") == 0)
            {
                const std::string line = lines[answered++] + "\n";
                EXPECT_EQ(::write(master, line.data(), line.size()),
                          static_cast<ssize_t>(line.size()));
            }
        }
        ::close(master);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return std::pair{WIFEXITED(status) ? WEXITSTATUS(status) : -1, screen};
    };

    const auto [hideExit, hideScreen] =
        converse({"hide", Path("sample.bmp"), Path("out.bmp"), "--message", "by terminal"},
                 {"terminal-pw", "terminal-pw"});
    EXPECT_EQ(hideExit, 0) << hideScreen;
    EXPECT_NE(hideScreen.find("Password : "), std::string::npos) << hideScreen;
    EXPECT_NE(hideScreen.find("Confirm Pw : "), std::string::npos) << hideScreen;
    EXPECT_EQ(hideScreen.find("terminal-pw"), std::string::npos) << "the password was echoed";

    const auto [mismatchExit, mismatchScreen] =
        converse({"hide", Path("sample.bmp"), Path("other.bmp"), "--message", "x"},
                 {"terminal-pw", "Terminal-pw"});
    EXPECT_EQ(mismatchExit, 1);
    EXPECT_NE(mismatchScreen.find("Password & Confirm Pw not match"), std::string::npos);

    const auto [unhideExit, unhideScreen] = converse({"unhide", Path("out.bmp")}, {"terminal"});
    EXPECT_EQ(unhideExit, 0) << unhideScreen;
    EXPECT_NE(unhideScreen.find("by terminal"), std::string::npos) << unhideScreen;
}

namespace
{
// Converts the sample with ImageMagick: "convert sample.bmp ARGS OUTPUT".
void Magick(const std::string& args)
{
    ASSERT_EQ(std::system(("convert " + args).c_str()), 0) << args;
}

std::string Pixels(const std::string& path)
{
    std::string out;
    FILE* pipe =
        ::popen(("convert '" + path + "' -depth 8 -type TrueColorAlpha RGBA:-").c_str(), "r");
    char buffer[65536];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    if (pipe)
        ::pclose(pipe);
    return out;
}

bool WithinBit0(const std::string& a, const std::string& b)
{
    if (a.size() != b.size() || a.empty())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((std::uint8_t(a[i]) ^ std::uint8_t(b[i])) > 1)
            return false;
    return true;
}
} // namespace

TEST_F(CarvaletCli, ClassicBitmapsAreWrittenIntoAsTheyAreWithOrWithoutConvert)
{
    Magick(Path("sample.bmp") + " -alpha set -channel A -fx 'i/w' -define bmp3:alpha=true BMP3:" +
           Path("classic32.bmp"));
    for (const std::string name : {"sample.bmp", "classic32.bmp"})
    {
        const std::string original = ReadFile(Path(name));
        Bytes expected(original.begin(), original.end());
        const auto length = static_cast<std::int32_t>(expected.size());
        ASSERT_EQ(EmbedText(expected.data(), length, PASSWORD_SLOT, MakePasswordRecord("password1"),
                            nullptr),
                  1);
        ASSERT_EQ(EmbedText(expected.data(), length, MESSAGE_SLOT, MESSAGE, nullptr), 1);
        for (const bool convert : {false, true})
        {
            std::vector<std::string> args = {"hide",      Path(name), Path("out.bmp"),
                                             "--message", MESSAGE,    "--password-stdin"};
            if (convert)
                args.push_back("--convert");
            const Result r = Run(args, "password1\n");
            ASSERT_EQ(r.exit, 0) << name << r.err;
            EXPECT_EQ(ReadFile(Path("out.bmp")), std::string(expected.begin(), expected.end()))
                << name << (convert ? " with --convert" : "");
        }
    }
}

TEST_F(CarvaletCli, APictureTheMessageWouldDamageIsRefusedUnlessConverted)
{
    Magick(Path("sample.bmp") + " " + Path("v5.bmp"));          // ImageMagick's default layout
    Magick(Path("sample.bmp") + " PNG24:" + Path("photo.png")); // a PNG, even named .bmp
    std::rename(Path("photo.png").c_str(), Path("photo-named.bmp").c_str());
    const struct
    {
        std::string image;
        std::string reason;
    } cases[] = {{"v5.bmp", "extended header"}, {"photo-named.bmp", "PNG format"}};
    for (const auto& c : cases)
    {
        const std::string before = ReadFile(Path(c.image));
        Result r =
            Run({"hide", Path(c.image), Path("out.bmp"), "--message", MESSAGE, "--password-stdin"},
                "password1\n");
        EXPECT_EQ(r.exit, 1);
        EXPECT_EQ(r.err, "Hiding a message in this picture would damage it (" + c.reason +
                             "). Run hide with --convert to save it as a 24-bit bitmap that "
                             "looks the same.\n");
        EXPECT_FALSE(fs::exists(Path("out.bmp")));

        r = Run({"hide", Path(c.image), Path("out.bmp"), "--message", MESSAGE, "--convert",
                 "--password-stdin"},
                "password1\n");
        ASSERT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(ReadFile(Path(c.image)), before);
        const std::string out = ReadFile(Path("out.bmp"));
        ASSERT_EQ(out.size(), 54u + 160 * 3 * 120) << c.image;
        EXPECT_EQ(out[14], 40) << "a 40-byte header";
        EXPECT_EQ(out[28], 24);
        EXPECT_TRUE(WithinBit0(Pixels(Path("out.bmp")), Pixels(Path(c.image)))) << c.image;
        r = Run({"unhide", Path("out.bmp"), "--password-stdin"}, "password1\n");
        EXPECT_EQ(r.out, "Meet me at dawn.\r\nBring the map \xE9\xFF.");
        fs::remove(Path("out.bmp"));
    }
}

TEST_F(CarvaletCli, AFileThatIsNotAPictureIsRefusedEitherWay)
{
    WriteFile(Path("notes.txt"), std::string(5000, 'n'));
    Magick(Path("sample.bmp") + " JPEG:" + Path("photo.jpg"));
    const struct
    {
        std::string image;
        std::string first;
    } cases[] = {
        {"notes.txt", "This file is not a picture: hiding a message in it would damage it."},
        {"photo.jpg", "Hiding a message in this picture would damage it (JPEG format)."},
    };
    for (const auto& c : cases)
        for (const bool convert : {false, true})
        {
            std::vector<std::string> args = {"hide",      Path(c.image), Path("out.bmp"),
                                             "--message", "hi",          "--password-stdin"};
            if (convert)
                args.push_back("--convert");
            const Result r = Run(args, "password1\n");
            EXPECT_EQ(r.exit, 1);
            EXPECT_EQ(r.err, c.first + " Carvalet hides messages in BMP pictures, and in PNG "
                                       "pictures with --convert.\n");
            EXPECT_FALSE(fs::exists(Path("out.bmp")));
        }
}

TEST_F(CarvaletCli, InfoTellsTheLayoutAndWhetherHidingNeedsAConversion)
{
    Magick(Path("sample.bmp") + " -colors 200 -compress none BMP3:" + Path("palette.bmp"));
    Magick(Path("sample.bmp") + " -alpha set PNG32:" + Path("alpha.png"));
    WriteFile(Path("notes.txt"), std::string(5000, 'n'));
    const auto lines = [&](const std::string& name)
    {
        const Result r = Run({"info", Path(name)});
        EXPECT_EQ(r.exit, 0) << r.err;
        std::vector<std::string> out;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);)
            out.push_back(line);
        return out;
    };
    const std::vector<std::string> sample = lines("sample.bmp");
    const auto format = std::find(sample.begin(), sample.end(), "Format: BMP");
    ASSERT_NE(format, sample.end());
    EXPECT_EQ(sample[1], "Size: 57654 bytes") << "the first lines stay as they were";
    EXPECT_NE(std::find(sample.begin(), format, "Password record: no"), format)
        << "the picture's lines come after the others";
    const std::vector<std::string> layout(format, sample.end());
    EXPECT_EQ(layout, (std::vector<std::string>{"Format: BMP", "Dimensions: 160 x 120",
                                                "Header: 40 bytes", "Bits per pixel: 24",
                                                "Compression: none", "Pixels from byte: 54",
                                                "Pixels up to byte: 57653", "Hiding: as it is",
                                                "Longest message as it is: 7080 bytes"}));

    const auto has = [](const std::vector<std::string>& all, const std::string& line)
    { return std::find(all.begin(), all.end(), line) != all.end(); };
    const std::vector<std::string> palette = lines("palette.bmp");
    EXPECT_TRUE(has(palette, "Bits per pixel: 8"));
    EXPECT_TRUE(has(palette, "Palette: 256 colours (bytes 54 to 1077)"));
    EXPECT_TRUE(has(palette, "Hiding: as it is up to 80 bytes; longer messages need conversion "
                             "to a 24-bit bitmap (palette pixels)"));
    const std::vector<std::string> png = lines("alpha.png");
    EXPECT_TRUE(has(png, "Format: PNG"));
    EXPECT_TRUE(has(png, "Hiding: needs conversion to a 32-bit bitmap (PNG format)"));
    EXPECT_TRUE(has(png, "Longest message once converted: 9480 bytes"));
    EXPECT_TRUE(has(lines("notes.txt"), "Hiding: refused (not a picture)"));
}

TEST_F(CarvaletCli, ASealedMessageIsCheckedAtTheLengthOfItsArmour)
{
    // 256 palette colours end at byte 1077: "hi" stays in them, its armour does not.
    Magick(Path("sample.bmp") + " -colors 200 -compress none BMP3:" + Path("palette.bmp"));
    EXPECT_EQ(
        Run({"hide", Path("palette.bmp"), Path("plain.bmp"), "--message", "hi", "--password-stdin"},
            "password1\n")
            .exit,
        0);
    Result r = Run({"hide", Path("palette.bmp"), Path("sealed.bmp"), "--message", "hi", "--seal",
                    "--password-stdin"},
                   "a sealing passphrase\n");
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("(palette pixels). Run hide with --convert"), std::string::npos) << r.err;
    r = Run({"hide", Path("palette.bmp"), Path("sealed.bmp"), "--message", "hi", "--seal",
             "--convert", "--password-stdin"},
            "a sealing passphrase\n");
    ASSERT_EQ(r.exit, 0) << r.err;
    r = Run({"unhide", Path("sealed.bmp"), "--password-stdin"}, "a sealing passphrase\n");
    EXPECT_EQ(r.out, "hi");
}

TEST_F(CarvaletCli, StandardInputAndOutputByDash)
{
    const std::string expected = Hidden(sample, "password1", "by dash");
    WriteFile(Path("pw.txt"), "password1\nsecond line\n");

    // OUTPUT "-": the bitmap on standard output; the message from standard input.
    const Result hide = Run(
        {"hide", Path("sample.bmp"), "-", "--message-file", "-", "--password-file", Path("pw.txt")},
        std::string("by dash\0ignored", 15));
    ASSERT_EQ(hide.exit, 0) << hide.err;
    EXPECT_EQ(hide.out, expected);
    WriteFile(Path("hidden.bmp"), hide.out);

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"unhide", Path("hidden.bmp"), "--password-file", "-"},
          std::vector<std::string>{"unhide", Path("hidden.bmp"), "--output", "-",
                                   "--password-stdin"}})
    {
        const Result unhide = Run(args, "password1\n");
        EXPECT_EQ(unhide.exit, 0) << unhide.err;
        EXPECT_EQ(unhide.out, "by dash");
    }
    EXPECT_EQ(Run({"unhide", Path("hidden.bmp"), "--password-file", Path("missing")}).exit, 1);
}

TEST_F(CarvaletCli, StandardInputServesOneOptionOnly)
{
    WriteFile(Path("pw.txt"), "password1\n");
    const std::vector<std::vector<std::string>> calls = {
        {"hide", Path("sample.bmp"), Path("o.bmp"), "--message-file", "-", "--password-stdin"},
        {"hide", Path("sample.bmp"), Path("o.bmp"), "--message-file", "-", "--password-file", "-"},
        {"hide", Path("sample.bmp"), Path("o.bmp"), "--message", "x", "--password-stdin",
         "--password-file", Path("pw.txt")},
    };
    for (const auto& args : calls)
    {
        const Result r = Run(args, "password1\nmessage\n");
        EXPECT_EQ(r.exit, 2) << args[4] << " " << args[5];
        EXPECT_FALSE(fs::exists(Path("o.bmp")));
    }
}

TEST_F(CarvaletCli, AnOutputThatIsTheImageItselfIsRefused)
{
    ASSERT_EQ(Run({"hide", Path("sample.bmp"), Path("hidden.bmp"), "--message", "kept",
                   "--password-stdin"},
                  "password1\n")
                  .exit,
              0);
    const std::string hidden = ReadFile(Path("hidden.bmp"));
    fs::create_symlink("hidden.bmp", dir / "link.bmp");
    fs::create_hard_link(dir / "hidden.bmp", dir / "hard.bmp");
    for (const char* output : {"hidden.bmp", "link.bmp", "hard.bmp"})
    {
        const Result r =
            Run({"unhide", Path("hidden.bmp"), "--output", Path(output), "--password-stdin"},
                "password1\n");
        EXPECT_EQ(r.exit, 1) << output;
        EXPECT_NE(r.err.find("--output names the image itself"), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(Path("hidden.bmp")), hidden) << output;
    }
}

TEST_F(CarvaletCli, PasswordLinesAreBoundedAndZeroBytesRefused)
{
    ASSERT_EQ(
        Run({"hide", Path("sample.bmp"), Path("hidden.bmp"), "--message", "m", "--password-stdin"},
            "password1\n")
            .exit,
        0);
    const std::vector<std::string> unhide = {"unhide", Path("hidden.bmp"), "--password-stdin"};
    EXPECT_EQ(Run(unhide, std::string(1024, 'p') + "\n").exit, 3) << "1024 bytes are read";
    const std::string tooLong = "the password line from standard input is longer than 1024 bytes";
    const Result longer = Run(unhide, std::string(1025, 'p') + "\n");
    EXPECT_EQ(longer.exit, 1);
    EXPECT_NE(longer.err.find(tooLong), std::string::npos) << longer.err;
    // An endless line of zero bytes, as from /dev/zero.
    const Result endless = Run(unhide, std::string(1 << 20, '\0'));
    EXPECT_EQ(endless.exit, 1);
    EXPECT_NE(endless.err.find(tooLong), std::string::npos) << endless.err;
    if (IsRoot())
    {
        // A zero device of its own: the machine's /dev is never touched.
        ASSERT_EQ(::mknod(Path("zero").c_str(), S_IFCHR | 0666, ::makedev(1, 5)), 0);
        const Result device = Run({"unhide", Path("hidden.bmp"), "--password-file", Path("zero")});
        EXPECT_EQ(device.exit, 1);
        EXPECT_NE(device.err.find("longer than 1024 bytes"), std::string::npos) << device.err;
    }
    else
    {
        SkipLoudly("a zero device in a scratch folder");
    }

    // A zero byte among the first 8 would end the record early: it could never be matched.
    const Result zero =
        Run({"hide", Path("sample.bmp"), Path("zero.bmp"), "--message", "m", "--password-stdin"},
            std::string("pass\0word\n", 10));
    EXPECT_EQ(zero.exit, 1);
    EXPECT_NE(zero.err.find("password must not hold a zero byte in its first 8 chars"),
              std::string::npos)
        << zero.err;
    EXPECT_FALSE(fs::exists(Path("zero.bmp")));
}

TEST_F(CarvaletCli, ExitCodesTellFailureUsageWrongPasswordAndNoMessageApart)
{
    ASSERT_EQ(
        Run({"hide", Path("sample.bmp"), Path("hidden.bmp"), "--message", "m", "--password-stdin"},
            "password1\n")
            .exit,
        0);
    EXPECT_EQ(Run({"unhide", Path("hidden.bmp"), "--password-stdin"}, "password1\n").exit, 0);
    EXPECT_EQ(Run({"unhide", Path("missing.bmp"), "--password-stdin"}, "password1\n").exit, 1);
    EXPECT_EQ(Run({"unhide"}).exit, 2);
    EXPECT_EQ(Run({"unhide", Path("hidden.bmp"), "--password-stdin"}, "Password1\n").exit, 3);
    EXPECT_EQ(Run({"unhide", Path("sample.bmp"), "--password-stdin"}, "password1\n").exit, 4);

    const Result help = Run({"--help"});
    for (const char* code :
         {"0 done", "1 failed", "2 usage error", "3 wrong password", "4 no hidden message"})
    {
        EXPECT_NE(help.out.find(code), std::string::npos) << code << "\n" << help.out;
    }
}

TEST_F(CarvaletCli, EachCommandHasItsOwnHelp)
{
    const Result hide = Run({"hide", "--help"});
    EXPECT_EQ(hide.exit, 0);
    EXPECT_EQ(hide.out.rfind("Usage: carvalet-cli hide IMAGE OUTPUT", 0), 0u) << hide.out;
    EXPECT_NE(hide.out.find("process list"), std::string::npos) << "the --message warning";
    EXPECT_NE(hide.out.find("--password-file"), std::string::npos);
    EXPECT_EQ(
        Run({"unhide", Path("whatever.bmp"), "-h"}).out.rfind("Usage: carvalet-cli unhide", 0), 0u);
    const Result info = Run({"info", "--help"});
    EXPECT_NE(info.out.find("--json"), std::string::npos);
    EXPECT_EQ(info.out.find("password is asked"), std::string::npos) << "info asks for none";
    EXPECT_NE(Run({"--help"}).out.find("process list"), std::string::npos);
}

TEST_F(CarvaletCli, InfoAsJson)
{
    ASSERT_EQ(Run({"hide", Path("sample.bmp"), Path("hidden \"1\".bmp"), "--message", "m",
                   "--password-stdin"},
                  "password1\n")
                  .exit,
              0);
    const Result json = Run({"info", Path("hidden \"1\".bmp"), "--json"});
    EXPECT_EQ(json.exit, 0);
    EXPECT_EQ(json.out,
              "{\"image\": \"" + dir.string() +
                  "/hidden \\\"1\\\".bmp\", \"size\": 57654, \"longest_message\": 7080, "
                  "\"longest_sealed_message\": 5009, \"longest_stealth_message\": 1404, "
                  "\"password_record\": true, "
                  "\"sealed_message\": false, \"verdict\": \"carries a Carvalet message\", "
                  "\"format\": \"BMP\", \"dimensions\": "
                  "[160, 120], \"header_size\": 40, \"bits_per_pixel\": 24, "
                  "\"compression\": \"none\", \"pixels_begin\": 54, \"pixels_end\": "
                  "57653, \"hiding\": \"as-is\", \"longest_safe_message\": 7080}\n");
    WriteFile(Path("caf\xE9.bmp"), sample);
    EXPECT_NE(Run({"info", "--json", Path("caf\xE9.bmp")}).out.find("caf\xC3\xA9.bmp"),
              std::string::npos)
        << "a name that is not UTF-8 is read as Windows-1252";
    EXPECT_NE(Run({"info", "--json", Path("sample.bmp")}).out.find("\"password_record\": false"),
              std::string::npos);
    ASSERT_EQ(
        std::system(
            ("convert " + Path("sample.bmp") + " -alpha set PNG32:" + Path("alpha.png")).c_str()),
        0);
    const std::string png = Run({"info", "--json", Path("alpha.png")}).out;
    EXPECT_NE(png.find("\"format\": \"PNG\", \"dimensions\": [160, 120]"), std::string::npos)
        << png;
    EXPECT_NE(png.find("\"hiding\": \"convert\""), std::string::npos) << png;
    EXPECT_NE(png.find("\"longest_converted_message\": 9480}"), std::string::npos) << png;
}

TEST_F(CarvaletCli, AFailedWriteToStandardOutputOrErrorExitsWithOne)
{
    if (!IsRoot())
    {
        SkipLoudly("a full device in a scratch folder");
        return;
    }
    // A full device of its own, standing for a full disk.
    const fs::path full = dir / "full";
    ASSERT_EQ(::mknod(full.c_str(), S_IFCHR | 0666, ::makedev(1, 7)), 0);
    ASSERT_EQ(
        Run({"hide", Path("sample.bmp"), Path("hidden.bmp"), "--message", "m", "--password-stdin"},
            "password1\n")
            .exit,
        0);
    EXPECT_EQ(Run({"--help"}, "", full).exit, 1);
    EXPECT_EQ(Run({"--version"}, "", full).exit, 1);
    EXPECT_EQ(Run({"info", Path("hidden.bmp")}, "", full).exit, 1);
    EXPECT_EQ(Run({"info", Path("hidden.bmp")}, "", full).err,
              "carvalet-cli: cannot write to standard output: No space left on device\n");
    EXPECT_EQ(Run({"unhide", Path("hidden.bmp"), "--password-stdin"}, "password1\n", full).exit, 1);
    EXPECT_EQ(Run({"hide", Path("sample.bmp"), "-", "--message", "m", "--password-stdin"},
                  "password1\n", full)
                  .exit,
              1);
    // Failures whose message cannot be told.
    EXPECT_EQ(Run({"unhide"}, "", {}, full).exit, 1);
    EXPECT_EQ(Run({"unhide", Path("hidden.bmp"), "--password-stdin"}, "Password1\n", {}, full).exit,
              1);
}

TEST_F(CarvaletCli, SavingFollowsTheSameRulesAsTheWindow)
{
    const std::string expected = Hidden(sample, "password1", "saved");
    const auto hide = [&](const fs::path& output)
    {
        return Run(
            {"hide", Path("sample.bmp"), output.string(), "--message", "saved", "--password-stdin"},
            "password1\n");
    };

    // Links stay links, dangling or not; their targets are written.
    fs::create_directory(dir / "real");
    WriteFile(dir / "real" / "old.bmp", "old");
    fs::create_symlink("real/old.bmp", dir / "link.bmp");
    fs::create_symlink("real/new.bmp", dir / "dangling.bmp");
    for (const char* link : {"link.bmp", "dangling.bmp"})
    {
        ASSERT_EQ(hide(dir / link).exit, 0) << link;
        EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
    }
    EXPECT_EQ(ReadFile(dir / "real" / "old.bmp"), expected);
    EXPECT_EQ(ReadFile(dir / "real" / "new.bmp"), expected);

    // A replaced file keeps its mode and, for root, its owner.
    WriteFile(Path("owned.bmp"), "old");
    ASSERT_EQ(::chmod(Path("owned.bmp").c_str(), 0604), 0);
    if (IsRoot())
    {
        ASSERT_EQ(::chown(Path("owned.bmp").c_str(), 1234, 5678), 0);
    }
    ASSERT_EQ(hide(dir / "owned.bmp").exit, 0);
    struct stat st
    {
    };
    ASSERT_EQ(::stat(Path("owned.bmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    if (IsRoot())
    {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }
    else
    {
        SkipLoudly("keeping another user's ownership");
    }

    // A name of 250 bytes: the new file beside it has a short name of its own.
    const fs::path longName = dir / (std::string(246, 'n') + ".bmp");
    ASSERT_EQ(hide(longName).exit, 0);
    ASSERT_EQ(hide(longName).exit, 0);
    EXPECT_EQ(ReadFile(longName), expected);

    // A pipe is written into, and stays a pipe.
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadFile(Path("pipe")); });
    EXPECT_EQ(hide(dir / "pipe").exit, 0);
    reader.join();
    EXPECT_EQ(received, expected);
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));

    // A socket cannot be written as a file; it is refused and stays a socket.
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Path("socket");
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(hide(dir / "socket").exit, 1);
    EXPECT_TRUE(fs::is_socket(dir / "socket"));
    ::close(sock);

    // A link to standard output, as /dev/stdout is: the output arrives there, written into
    // the file standard output stands for, and the link stays.
    fs::create_symlink("/proc/self/fd/1", dir / "stdout");
    WriteFile(Path("captured"), "");
    ASSERT_EQ(::stat(Path("captured").c_str(), &st), 0);
    const ino_t captured = st.st_ino;
    const Result toStdout =
        Run({"unhide", Path("link.bmp"), "--output", Path("stdout"), "--password-stdin"},
            "password1\n", dir / "captured");
    EXPECT_EQ(toStdout.exit, 0) << toStdout.err;
    EXPECT_EQ(ReadFile(Path("captured")), "saved");
    ASSERT_EQ(::stat(Path("captured").c_str(), &st), 0);
    EXPECT_EQ(st.st_ino, captured) << "standard output's file was replaced";
    EXPECT_TRUE(fs::is_symlink(dir / "stdout"));

    if (!IsRoot())
    {
        SkipLoudly("device nodes in a scratch folder");
        return;
    }
    // Devices made here, never the machine's own: written into, never replaced.
    ASSERT_EQ(::mknod(Path("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
    fs::create_symlink("null", dir / "to-null");
    EXPECT_EQ(hide(dir / "null").exit, 0);
    EXPECT_EQ(hide(dir / "to-null").exit, 0);
    EXPECT_EQ(Run({"unhide", Path("link.bmp"), "--output", Path("null"), "--password-stdin"},
                  "password1\n")
                  .exit,
              0);
    EXPECT_TRUE(fs::is_character_file(dir / "null"));
    EXPECT_TRUE(fs::is_symlink(dir / "to-null"));
}

TEST_F(CarvaletCli, NoFileIsEverWrittenInPlace)
{
    // A folder that takes no new file: the save is refused, naming the folder.
    const fs::path folder = dir / "locked";
    fs::create_directory(folder);
    WriteFile(folder / "picture.bmp", "old contents");
    if (IsRoot())
    {
        ASSERT_TRUE(SetImmutable(folder, true)) << "this file system has no immutable flag";
    }
    else
    {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    const Result refused = Run({"hide", Path("sample.bmp"), (folder / "picture.bmp").string(),
                                "--message", "m", "--password-stdin"},
                               "password1\n");
    EXPECT_EQ(refused.exit, 1);
    EXPECT_NE(refused.err.find("no new file can be made in the folder " + folder.string()),
              std::string::npos)
        << refused.err;
    if (IsRoot())
    {
        SetImmutable(folder, false);
    }
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(ReadFile(folder / "picture.bmp"), "old contents");

    // An existing file its user cannot write is refused, as the window refuses it.
    WriteFile(Path("kept.bmp"), "kept");
    if (IsRoot())
    {
        ASSERT_TRUE(SetImmutable(dir / "kept.bmp", true));
    }
    else
    {
        fs::permissions(dir / "kept.bmp", fs::perms::owner_read);
    }
    EXPECT_EQ(Run({"unhide", Path("sample.bmp"), "--output", Path("kept.bmp"), "--password-stdin"},
                  "password1\n")
                  .exit,
              4)
        << "no message, so nothing is written";
    const Result unwritable =
        Run({"hide", Path("sample.bmp"), Path("kept.bmp"), "--message", "m", "--password-stdin"},
            "password1\n");
    EXPECT_EQ(unwritable.exit, 1);
    EXPECT_NE(unwritable.err.find("cannot write " + Path("kept.bmp")), std::string::npos);
    SetImmutable(dir / "kept.bmp", false);
    EXPECT_EQ(ReadFile(Path("kept.bmp")), "kept");
}

TEST_F(CarvaletCli, LargeCarriersAreStreamedToTheSameBytes)
{
    // Records that span several of the parts the tool reads at a time.
    const std::string carrier = MakeCarrier(5'000'000);
    WriteFile(Path("large.bmp"), carrier);
    std::string message(300'000, 'x');
    for (std::size_t i = 0; i < message.size(); ++i)
    {
        message[i] = static_cast<char>('a' + i % 26);
    }
    WriteFile(Path("message.txt"), message);
    const std::string expected = Hidden(carrier, "streaming", message);
    const std::vector<std::string> options = {"--message-file", Path("message.txt"),
                                              "--password-stdin"};
    const auto hide = [&](const std::string& image, const std::string& output)
    {
        std::vector<std::string> args = {"hide", image, output};
        args.insert(args.end(), options.begin(), options.end());
        return Run(args, "streaming\n");
    };

    ASSERT_EQ(hide(Path("large.bmp"), Path("out.bmp")).exit, 0);
    EXPECT_TRUE(ReadFile(Path("out.bmp")) == expected) << "into a new file";
    const Result toStdout = hide(Path("large.bmp"), "-");
    EXPECT_TRUE(toStdout.out == expected) << "in order, to standard output";

    // An image that can be read only once, in order.
    ASSERT_EQ(::mkfifo(Path("image-pipe").c_str(), 0600), 0);
    std::thread writer([&] { WriteFile(Path("image-pipe"), carrier); });
    ASSERT_EQ(hide(Path("image-pipe"), Path("from-pipe.bmp")).exit, 0);
    writer.join();
    EXPECT_TRUE(ReadFile(Path("from-pipe.bmp")) == expected) << "from a pipe";

    const Result unhide = Run({"unhide", Path("out.bmp"), "--password-stdin"}, "streaming\n");
    EXPECT_EQ(unhide.exit, 0);
    EXPECT_TRUE(unhide.out == message);

    // The largest carrier the format allows: a sparse file, never read whole.
    {
        std::ofstream(Path("largest.bmp"), std::ios::binary) << carrier.substr(0, 4096);
    }
    fs::resize_file(Path("largest.bmp"), (std::uintmax_t{1} << 31) - 1);
    const Result info = Run({"info", Path("largest.bmp")});
    EXPECT_EQ(info.exit, 0) << info.err;
    EXPECT_NE(info.out.find("Size: 2147483647 bytes"), std::string::npos) << info.out;
}

// The tool at its password prompt on a pseudo-terminal, started as a shell starts a job: in a
// process group of its own, in the terminal's foreground, under a parent that waits for it.
class Prompt
{
public:
    explicit Prompt(const std::vector<std::string>& args)
    {
        int report[2];
        EXPECT_EQ(::pipe(report), 0);
        m_shell = ::forkpty(&m_master, nullptr, nullptr, nullptr);
        if (m_shell == 0)
        {
            const pid_t job = ::fork();
            if (job == 0)
            {
                ::setpgid(0, 0);
                const rlimit noCore{0, 0};
                ::setrlimit(RLIMIT_CORE, &noCore);
                Exec(args);
            }
            ::setpgid(job, job);
            ::tcsetpgrp(STDIN_FILENO, job);
            [[maybe_unused]] ssize_t n = ::write(report[1], &job, sizeof job);
            int status = 0;
            while (::waitpid(job, &status, 0) != job)
            {
            }
            ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
        }
        ::close(report[1]);
        EXPECT_EQ(::read(report[0], &m_job, sizeof m_job), static_cast<ssize_t>(sizeof m_job));
        ::close(report[0]);
        // Held open here, so the terminal's settings can be read after the tool is gone.
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY);
    }
    ~Prompt()
    {
        ::close(m_slave);
        ::close(m_master);
    }

    pid_t Job() const { return m_job; }
    // Reads the screen until it ends with `text` (or ten seconds pass).
    bool WaitFor(const std::string& text)
    {
        for (int i = 0; i < 1000; ++i)
        {
            if (m_screen.size() >= text.size() &&
                m_screen.compare(m_screen.size() - text.size(), text.size(), text) == 0)
            {
                return true;
            }
            Drain(10);
        }
        return false;
    }
    // Adds what the terminal shows within `ms` milliseconds to the screen.
    void Drain(int ms)
    {
        pollfd ready{m_master, POLLIN, 0};
        char buffer[256];
        while (::poll(&ready, 1, ms) > 0 && (ready.revents & POLLIN))
        {
            const ssize_t got = ::read(m_master, buffer, sizeof buffer);
            if (got <= 0)
            {
                return;
            }
            m_screen.append(buffer, static_cast<std::size_t>(got));
        }
    }
    // Waits until the terminal's echo is on or off, as asked.
    bool EchoBecomes(bool on) const
    {
        for (int i = 0; i < 200; ++i)
        {
            termios mode{};
            if (::tcgetattr(m_slave, &mode) == 0 && ((mode.c_lflag & ECHO) != 0) == on)
            {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    bool JobStopped() const
    {
        for (int i = 0; i < 200; ++i)
        {
            std::ifstream stat("/proc/" + std::to_string(m_job) + "/stat");
            std::string line;
            std::getline(stat, line);
            const auto close = line.rfind(')');
            if (close != std::string::npos && line.substr(close + 2, 1) == "T")
            {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void Type(const std::string& line)
    {
        EXPECT_EQ(::write(m_master, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }
    // The shell's exit code: the job's, or 128 + the signal that ended it.
    int Finish()
    {
        int status = 0;
        for (int i = 0; i < 1000 && ::waitpid(m_shell, &status, WNOHANG) == 0; ++i)
        {
            Drain(10);
        }
        Drain(0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& Screen() const { return m_screen; }

private:
    int m_master = -1;
    int m_slave = -1;
    pid_t m_shell = -1;
    pid_t m_job = -1;
    std::string m_screen;
};

TEST_F(CarvaletCli, TheTerminalsEchoComesBackWheneverThePromptIsEndedOrStopped)
{
    if (::access("/dev/ptmx", R_OK | W_OK) != 0)
    {
        GTEST_SKIP() << "no pseudo-terminals on this machine";
    }
    ASSERT_EQ(Run({"hide", Path("sample.bmp"), Path("hidden.bmp"), "--message", "by terminal",
                   "--password-stdin"},
                  "password1\n")
                  .exit,
              0);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGALRM, SIGXCPU})
    {
        Prompt prompt({"unhide", Path("hidden.bmp")});
        ASSERT_TRUE(prompt.WaitFor("Password : ")) << prompt.Screen();
        ASSERT_TRUE(prompt.EchoBecomes(false));
        ::kill(prompt.Job(), signal);
        EXPECT_EQ(prompt.Finish(), 128 + signal) << strsignal(signal);
        EXPECT_TRUE(prompt.EchoBecomes(true)) << strsignal(signal);
    }

    // Stopped (Ctrl-Z), the echo comes back; continued, it goes off again for the password.
    Prompt prompt({"unhide", Path("hidden.bmp")});
    ASSERT_TRUE(prompt.WaitFor("Password : "));
    ASSERT_TRUE(prompt.EchoBecomes(false));
    for (int stop = 0; stop < 2; ++stop)
    {
        ::kill(prompt.Job(), SIGTSTP);
        EXPECT_TRUE(prompt.JobStopped());
        EXPECT_TRUE(prompt.EchoBecomes(true));
        ::kill(prompt.Job(), SIGCONT);
        EXPECT_TRUE(prompt.EchoBecomes(false));
    }
    prompt.Type("password1\n");
    EXPECT_EQ(prompt.Finish(), 0);
    EXPECT_NE(prompt.Screen().find("by terminal"), std::string::npos) << prompt.Screen();
    EXPECT_EQ(prompt.Screen().find("password1"), std::string::npos) << "the password was echoed";
    EXPECT_TRUE(prompt.EchoBecomes(true));
}

// Faults an adversarial probe found: each case a command line, what it must say and how it
// must end, and what must hold of the files afterwards.
TEST_F(CarvaletCli, ProbedFaultsAreRefusedOrSaidPlainly)
{
    fs::create_symlink("sample.bmp", dir / "link.bmp");
    fs::create_hard_link(dir / "sample.bmp", dir / "hard.bmp");
    WriteFile(Path("caf\xE9 \x1B[31m.bmp"), sample);
    struct Case
    {
        std::vector<std::string> args;
        int exit;
        std::string said; // in standard error, or standard output when exit is 0
    };
    const std::string image = Path("sample.bmp");
    const auto hide = [&](const std::string& output, std::vector<std::string> more)
    {
        std::vector<std::string> args = {"hide", image, output, "--password-stdin"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const Case cases[] = {
        {hide(image, {"--message", "m"}), 1, "OUTPUT names the image itself"},
        {hide(Path("link.bmp"), {"--message", "m"}), 1, "OUTPUT names the image itself"},
        {hide(Path("hard.bmp"), {"--message", "m"}), 1, "OUTPUT names the image itself"},
        {hide(Path("out.bmp"), {"--message", "--seal"}), 2,
         "--message needs a value before --seal (write --message=--seal"},
        {hide(Path("out.bmp"), {"--message", "--password-file=x"}), 2,
         "--message needs a value before --password-file"},
        {hide(Path("out.bmp"), {"--message", " \t\r\n "}), 1, "There is no text to curtain"},
        {{"info", Path("caf\xE9 \x1B[31m.bmp")},
         0,
         "Image: $'" + Path("caf\xE9 \\x1b[31m.bmp") + "'\n"},
        {{"info", "--json", Path("caf\xE9 \x1B[31m.bmp")},
         0,
         "\"path_bytes\": \"" /* base64 checked below */},
        {{"unhide", Path("no\nsuch.bmp"), "--password-stdin"},
         1,
         "cannot open $'" + Path("no\\nsuch.bmp") + "'"},
    };
    for (const Case& c : cases)
    {
        const Result r = Run(c.args, "password1\n");
        std::string line;
        for (const std::string& arg : c.args)
            line += arg + " ";
        EXPECT_EQ(r.exit, c.exit) << line << r.err;
        const std::string& said = c.exit == 0 ? r.out : r.err;
        EXPECT_NE(said.find(c.said), std::string::npos) << line << "\n" << said;
        EXPECT_EQ(ReadFile(image), sample) << line;
        EXPECT_FALSE(fs::exists(dir / "out.bmp")) << line;
    }
    // The name's bytes come back from the JSON whole.
    const std::string json = Run({"info", "--json", Path("caf\xE9 \x1B[31m.bmp")}).out;
    const std::string name = Path("caf\xE9 \x1B[31m.bmp");
    std::string encoded;
    {
        std::FILE* pipe = ::popen(("printf '%s' '" + name + "' | base64 -w0").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char buffer[512];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
            encoded.append(buffer, got);
        ::pclose(pipe);
    }
    EXPECT_NE(json.find("\"path_bytes\": \"" + encoded + "\""), std::string::npos) << json;
    EXPECT_EQ(Run(hide(Path("out.bmp"), {"--message=--seal"}), "password1\n").exit, 0)
        << "written with =, the value is the message";
}
