// SPDX-License-Identifier: GPL-3.0-or-later
// The shell's "open" with the launcher and the desktop's handler table replaced by records, so
// no test starts a process.
#include "platform/shell/Shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include <unistd.h>

namespace
{

class ShellOpen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = std::filesystem::temp_directory_path() /
                   ("carvalet-shell-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder / "res");
        m_previousLauncher = layer::SetShellLauncher(
            [this](const ShellCommand& command)
            {
                m_launched.push_back(command);
                return m_launchSucceeds;
            });
        m_previousQuery = layer::SetShellHandlerQuery(
            [this](const std::string& mimeType)
            {
                m_queried.push_back(mimeType);
                return m_handled.count(mimeType) != 0;
            });
    }

    void TearDown() override
    {
        layer::SetShellLauncher(m_previousLauncher);
        layer::SetShellHandlerQuery(m_previousQuery);
        std::filesystem::remove_all(m_folder);
    }

    std::string MakeFile(const std::string& name, const std::string& bytes = "ITSF")
    {
        const std::filesystem::path path = m_folder / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    // "/tmp/x/res/Help.chm" -> "\tmp\x\res\Help.chm", as the program builds its paths.
    static std::string Windows(std::string path)
    {
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return path;
    }

    static UINT Open(const std::string& file, LPCSTR verb = "open")
    {
        return ShellExecuteA(nullptr, verb, file.c_str(), nullptr, nullptr, 1).value;
    }

    std::filesystem::path m_folder;
    std::vector<ShellCommand> m_launched;
    std::vector<std::string> m_queried;
    std::set<std::string> m_handled;
    bool m_launchSucceeds = true;
    ShellLauncher m_previousLauncher;
    ShellHandlerQuery m_previousQuery;
};

} // namespace

TEST_F(ShellOpen, MissingFileFailsAndStartsNothing)
{
    EXPECT_EQ(Open(Windows((m_folder / "res" / "Help.chm").string())), SE_ERR_FNF);
    EXPECT_EQ(Open(Windows((m_folder / "gone" / "Help.chm").string())), SE_ERR_PNF);
    EXPECT_EQ(ShellExecuteA(nullptr, "open", nullptr, nullptr, nullptr, 1).value, SE_ERR_FNF);
    EXPECT_TRUE(m_launched.empty());
}

TEST_F(ShellOpen, HelpWithoutADesktopViewerStartsTheBuiltInOneOncePerCall)
{
    const std::string help = MakeFile("res/Help.chm");
    EXPECT_GT(Open(Windows(help)), 32u);
    EXPECT_GT(Open(Windows(help)), 32u);
    ASSERT_EQ(m_launched.size(), 2u);
    const ShellCommand expected{layer::HelpViewerPath(), {help}};
    EXPECT_EQ(m_launched[0], expected);
    EXPECT_EQ(m_launched[1], expected);
    EXPECT_TRUE(std::filesystem::path(expected.program).filename() == "carvalet-help");
    EXPECT_TRUE(std::count(m_queried.begin(), m_queried.end(), "application/vnd.ms-htmlhelp"));
}

TEST_F(ShellOpen, TheDesktopsOwnHandlerComesFirst)
{
    m_handled.insert("application/vnd.ms-htmlhelp");
    const std::string help = MakeFile("res/Help.chm");
    EXPECT_GT(Open(Windows(help)), 32u);
    ASSERT_EQ(m_launched.size(), 1u);
    EXPECT_EQ(m_launched[0], (ShellCommand{"xdg-open", {help}}));

    // A desktop handler that cannot be started still leaves the built-in viewer.
    m_launched.clear();
    m_launchSucceeds = false;
    EXPECT_LE(Open(Windows(help)), 32u);
    ASSERT_EQ(m_launched.size(), 2u);
    EXPECT_EQ(m_launched[1].program, layer::HelpViewerPath());
}

TEST_F(ShellOpen, OtherFilesNeedADesktopHandler)
{
    const std::string text = MakeFile("notes.txt", "hello");
    EXPECT_EQ(Open(text), SE_ERR_NOASSOC);
    EXPECT_TRUE(m_launched.empty());
    m_handled.insert("text/plain");
    EXPECT_GT(Open(text), 32u);
    EXPECT_EQ(m_launched, (std::vector<ShellCommand>{{"xdg-open", {text}}}));
}

TEST_F(ShellOpen, RelativePathsTakeTheDirectoryAndOnlyOpenIsKnown)
{
    const std::string help = MakeFile("res/Help.chm");
    const std::string folder = Windows(m_folder.string());
    EXPECT_GT(ShellExecuteA(nullptr, nullptr, "res\\Help.chm", nullptr, folder.c_str(), 1).value,
              32u);
    EXPECT_EQ(Open(Windows(help), "print"), SE_ERR_NOASSOC);
    EXPECT_EQ(Open(Windows(help), "OPEN") > 32, true);
    ASSERT_EQ(m_launched.size(), 2u);
    EXPECT_EQ(m_launched[0].arguments, std::vector<std::string>{help});
}
