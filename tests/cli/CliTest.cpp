#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;

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
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }

    // Runs the real tool in its own session, so it has no terminal to prompt on.
    Result Run(const std::vector<std::string>& args, const std::string& input = "")
    {
        const fs::path outFile = dir / ".stdout";
        const fs::path errFile = dir / ".stderr";
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
            std::vector<char*> argv{const_cast<char*>(CARVALET_CLI)};
            for (const std::string& arg : args)
            {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(CARVALET_CLI, argv.data());
            ::_exit(127);
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
        result.out = ReadFile(outFile);
        result.err = ReadFile(errFile);
        fs::remove(outFile);
        fs::remove(errFile);
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
        {{"unhide", Path("sample.bmp"), "--password-stdin"},
         "password\n",
         1,
         "Image does not contain curtained data ..\n"},
        {{"unhide", Path("small.bmp"), "--password-stdin"},
         "password\n",
         1,
         "Image does not contain curtained data ..\n"},
        {{"unhide", Path("hidden.bmp"), "--password-stdin"},
         "Password\n",
         1,
         "Invalid password try again\n"},
        {{"unhide", Path("hidden.bmp"), "--password-stdin"}, "", 1, "Invalid password try again"},
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
            std::vector<char*> argv{const_cast<char*>(CARVALET_CLI)};
            for (const std::string& arg : args)
            {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            ::execv(CARVALET_CLI, argv.data());
            ::_exit(127);
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
