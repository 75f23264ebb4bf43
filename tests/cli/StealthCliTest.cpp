// SPDX-License-Identifier: GPL-3.0-or-later
// carvalet-cli with stealth messages, at the real key derivation's cost: a message back from a
// BMP and a PNG, and every other ending in the words a script sees.
#include "tests/support/PictureFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
namespace fs = std::filesystem;

constexpr const char* NOT_FOUND = "No hidden message for this password.\n";

struct CliRun
{
    int code = -1;
    std::string out;
    std::string err;
};

struct Case
{
    const char* what;
    std::string args;
    int code;
    std::string out;      // standard output, exactly
    std::string errHolds; // a part of standard error ("" for none at all)
};
} // namespace

TEST(CliStealth, MessagesComeBackFromBmpAndPngAndEveryOtherEndSaysWhy)
{
    const fs::path dir =
        fs::temp_directory_path() / ("carvalet-stealth-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const auto path = [&dir](const char* name) { return (dir / name).string(); };
    pictures::WriteFile(path("in.bmp"),
                        pictures::MakeBmp(pictures::BmpShape(), 96, 64, pictures::Pattern));
    pictures::Shell("convert " + path("in.bmp") + " PNG24:" + path("in.png") + " && convert " +
                    path("in.bmp") + " -depth 16 PNG48:" + path("deep.png"));
    pictures::WriteFile(path("pass"), "a long passphrase\n");
    pictures::WriteFile(path("wrong"), "a long passphrasE\n");
    const std::string message("bytes\0after a zero", 18);
    pictures::WriteFile(path("message"), message);
    const std::string pass = " --password-file " + path("pass");

    const std::vector<Case> cases = {
        {"hide in a BMP",
         "hide --stealth " + path("in.bmp") + " " + path("out.bmp") + " --message hello" + pass, 0,
         "", ""},
        {"back from the BMP", "unhide " + path("out.bmp") + pass, 0, "hello", ""},
        {"a wrong password", "unhide " + path("out.bmp") + " --password-file " + path("wrong"), 4,
         "", NOT_FOUND},
        {"nothing hidden", "unhide " + path("in.bmp") + pass, 4, "", NOT_FOUND},
        {"hide every byte of a file in a PNG",
         "hide --stealth " + path("in.png") + " " + path("out.png") + " --message-file " +
             path("message") + pass,
         0, "", ""},
        {"back from the PNG", "unhide " + path("out.png") + pass, 0, message, ""},
        {"above the safe payload",
         "hide --stealth --max-payload 0.3 " + path("in.bmp") + " " + path("more.bmp") +
             " --message hi" + pass,
         0, "", "warning: above 0.2 bits per value"},
        {"a 16-bit PNG",
         "hide --stealth " + path("deep.png") + " " + path("x.png") + " --message hi" + pass, 1, "",
         "16 bits a channel"},
        {"too long",
         "hide --stealth " + path("in.bmp") + " " + path("x.bmp") + " --message " +
             std::string(2000, 'm') + pass,
         1, "", "--max-payload raises the limit"},
        {"a payload without --stealth",
         "hide --max-payload 0.1 " + path("in.bmp") + " " + path("x.bmp") + " --message hi" + pass,
         2, "", "--max-payload is for --stealth"},
        {"a payload out of range",
         "hide --stealth --max-payload 0.6 " + path("in.bmp") + " " + path("x.bmp") +
             " --message hi" + pass,
         2, "", "at most 0.5"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const std::string line = std::string(CARVALET_CLI) + " " + c.args + " </dev/null >" +
                                 path("stdout") + " 2>" + path("stderr");
        const int status = std::system(line.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.code);
        EXPECT_EQ(pictures::ReadFile(path("stdout")), c.out);
        const std::string err = pictures::ReadFile(path("stderr"));
        if (c.errHolds.empty())
            EXPECT_EQ(err, "");
        else
            EXPECT_NE(err.find(c.errHolds), std::string::npos) << err;
    }
    EXPECT_TRUE(pictures::ReadFile(path("out.png")).starts_with("\x89PNG"));
    EXPECT_FALSE(fs::exists(path("x.bmp")) || fs::exists(path("x.png")));
    fs::remove_all(dir);
}
