// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: its directory rule, its title, and a whole run of the main window.
#include "app/StegoApp.h"
#include "platform/kernel/Text.h"
#include "platform/user/ModalLoop.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <string>

namespace
{
struct ModulePath
{
    explicit ModulePath(const char* path) { layer::SetModuleFileNameForTesting(path); }
    ~ModulePath() { layer::SetModuleFileNameForTesting(nullptr); }
};

CString AppDirFor(const char* exe)
{
    const ModulePath module(exe);
    const CStegoApp app;
    return app.m_strAppDir;
}
} // namespace

TEST(StegoApp, AppDirIsTheExecutableFolderWithoutTrailingBackslash)
{
    const std::string expected =
        layer::WindowsPath(QCoreApplication::applicationDirPath().toStdString());
    EXPECT_EQ(theApp.m_strAppDir.str(), expected);
    EXPECT_EQ(AfxGetApp(), &theApp);

    EXPECT_EQ(AppDirFor("C:\\Tools\\prog.exe"), "C:\\Tools");
    EXPECT_EQ(AppDirFor("C:\\prog.exe"), "C:") << "a program in a root folder";
    EXPECT_EQ(AppDirFor("prog.exe"), "") << "no backslash at all";
}

TEST(StegoApp, AppDirOfADeepFolderIsNotCutShort)
{
    const std::string folder = "\\home\\" + std::string(300, 'x') + "\\bin";
    EXPECT_EQ(AppDirFor((folder + "\\Carvalet").c_str()).str(), folder);
}

TEST(StegoApp, TitleIsTheExecutableNameWithoutExtension)
{
    {
        const ModulePath module("C:\\Tools\\Copy of Carvalet.exe");
        EXPECT_STREQ(AfxGetAppName(), "Copy of Carvalet");
    }
    {
        const ModulePath module("\\opt\\carvalet\\bin\\Carvalet");
        EXPECT_STREQ(AfxGetAppName(), "Carvalet");
    }
    const std::string deep = "\\home\\" + std::string(1500, 'x') + "\\Carvalet";
    const ModulePath module(deep.c_str());
    EXPECT_STREQ(AfxGetAppName(), "Carvalet") << "a deep folder does not cut the name short";
}

TEST(StegoApp, HelpCommandIsRoutedToTheFrameworkHandler)
{
    EXPECT_TRUE(theApp.OnCmdMsg(ID_HELP, 0));
    EXPECT_FALSE(theApp.OnCmdMsg(ID_HELP + 1, 0));
}

TEST(StegoApp, InitInstanceRunsTheMainWindowUntilItClosesThenReturnsFalse)
{
    HWND mainWindow;
    bool mainWndWasSet = false;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            mainWindow = ctx.hWnd;
            mainWndWasSet = theApp.m_pMainWnd && theApp.m_pMainWnd->m_hWnd == ctx.hWnd;
            QTest::keyClick(ctx.widget, Qt::Key_Escape);
        });
    EXPECT_FALSE(theApp.InitInstance());
    layer::SetModalHook({});
    EXPECT_TRUE(mainWndWasSet);
    EXPECT_FALSE(IsWindow(mainWindow)) << "the window is gone once the run ends";

    // The named mutex stays for the life of the process; a second copy would still start.
    const HANDLE second = CreateMutexA(nullptr, FALSE, "BrindlemoorCarvalet");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(second);
}
