// SPDX-License-Identifier: GPL-3.0-or-later
// The window's command line: what is answered before any window (and display) exists, and
// the file the window opens once it is ready.
#include "app/CommandLine.h"
#include "app/StegoApp.h"
#include "common/Version.h"
#include "platform/kernel/Text.h"
#include "platform/user/ModalLoop.h"
#include "res/Resource.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace
{
struct Answer
{
    std::optional<int> status;
    std::string printed;
};

Answer AnswerFor(std::vector<const char*> args)
{
    args.insert(args.begin(), "carvalet");
    std::ostringstream out;
    Answer answer;
    answer.status = AnswerWithoutWindow(static_cast<int>(args.size()), args.data(), out);
    answer.printed = out.str();
    return answer;
}

void Parse(CCommandLineInfo& info, std::vector<std::string> parameters)
{
    layer::SetCommandLine(std::move(parameters));
    theApp.ParseCommandLine(info);
    layer::SetCommandLine({});
}

// Restores the working folder the test changed.
struct CurrentFolder
{
    explicit CurrentFolder(const QString& folder) : saved(QDir::currentPath())
    {
        QDir::setCurrent(folder);
    }
    ~CurrentFolder() { QDir::setCurrent(saved); }
    QString saved;
};
} // namespace

TEST(CommandLine, HelpAndVersionAreAnsweredWithoutAWindow)
{
    for (const char* option : {"--help", "-h"})
    {
        const Answer help = AnswerFor({"picture.bmp", option});
        EXPECT_EQ(help.status, 0) << option;
        EXPECT_EQ(help.printed.rfind("Usage: carvalet [OPTION]... [FILE]\n", 0), 0u) << option;
    }
    const Answer version = AnswerFor({"-style", "fusion", "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.printed, "Carvalet " CARVALET_VERSION "\n");

    for (const auto& args : std::vector<std::vector<const char*>>{
             {}, {"picture.bmp"}, {"-platform", "offscreen", "picture.bmp"}, {"--", "--help"}})
    {
        const Answer window = AnswerFor(args);
        EXPECT_FALSE(window.status.has_value()) << "a file after -- is only a file";
        EXPECT_EQ(window.printed, "");
    }
}

TEST(CommandLine, TheFirstFileBecomesAFullPathAndFlagsAreIgnored)
{
    {
        CCommandLineInfo info;
        Parse(info, {});
        EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileNew);
        EXPECT_TRUE(info.m_strFileName.IsEmpty());
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const CurrentFolder folder(dir.path());
    const std::string here = QDir::currentPath().toStdString();
    {
        CCommandLineInfo info;
        Parse(info, {"-unknown", "first.bmp", "second.bmp"});
        EXPECT_EQ(info.m_nShellCommand, CCommandLineInfo::FileOpen);
        EXPECT_EQ(layer::NativePath(info.m_strFileName.str()), here + "/first.bmp");
    }
    {
        CCommandLineInfo info;
        Parse(info, {"--", "-dash.bmp"});
        EXPECT_EQ(layer::NativePath(info.m_strFileName.str()), here + "/-dash.bmp")
            << "after -- a name that begins with - is a file";
    }
    {
        CCommandLineInfo info;
        Parse(info, {"/pictures/caf\xE9 au lait.bmp"});
        EXPECT_EQ(info.m_strFileName.str().find('/'), std::string::npos) << "Windows-style";
        EXPECT_EQ(layer::NativePath(info.m_strFileName.str()), "/pictures/caf\xE9 au lait.bmp")
            << "the bytes of a native name come back unchanged";
    }
}

TEST(CommandLine, TheWindowOpensTheFileAsOpenImageWouldOnceItIsReady)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString picture = dir.filePath("picture.bmp");
    ASSERT_TRUE(QFile::copy(CARVALET_SAMPLE_BMP, picture));

    bool revealEnabledAtFirst = true;
    bool revealEnabled = false;
    bool pictureShown = false;
    std::vector<std::string> messages;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            if (ctx.kind == ModalKind::MessageBox)
            {
                messages.push_back(ctx.text);
                return;
            }
            const HWND reveal = GetDlgItem(ctx.hWnd, IDC_UNHIDE);
            revealEnabledAtFirst = IsWindowEnabled(reveal);
            QElapsedTimer timer;
            timer.start();
            while (!IsWindowEnabled(reveal) && timer.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            revealEnabled = IsWindowEnabled(reveal);
            pictureShown = IsWindowVisible(GetDlgItem(ctx.hWnd, IDC_PICTURE));
            QTest::keyClick(ctx.widget, Qt::Key_Escape);
        });
    layer::SetCommandLine({picture.toStdString()});
    EXPECT_FALSE(theApp.InitInstance());
    layer::SetCommandLine({});
    layer::SetModalHook({});

    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_FALSE(revealEnabledAtFirst) << "the file opens after the window is initialised";
    EXPECT_TRUE(revealEnabled) << "the carrier was read";
    EXPECT_TRUE(pictureShown) << "the preview is shown";
}
