// SPDX-License-Identifier: GPL-3.0-or-later
// The application object's settings, kept between runs in the user's config folder, and the
// busy cursor.
#include "platform/mfc/Afx.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
// Points XDG_CONFIG_HOME (and HOME) at a scratch folder for one test.
class ScratchEnvironment
{
public:
    ScratchEnvironment() : m_config(qgetenv("XDG_CONFIG_HOME")), m_home(qgetenv("HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
        qputenv("HOME", m_dir.path().toUtf8());
    }
    ~ScratchEnvironment()
    {
        qputenv("XDG_CONFIG_HOME", m_config);
        qputenv("HOME", m_home);
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_config;
    QByteArray m_home;
};
} // namespace

TEST(WinApp, ProfileValuesLastInTheConfigFolderUnderTheRegistryKey)
{
    const ScratchEnvironment scratch;
    CWinApp app("Probe App");
    EXPECT_EQ(app.GetProfileInt("Section", "Entry", 7), 7u) << "the default when nothing is kept";
    EXPECT_TRUE(app.WriteProfileInt("Section", "Entry", 1));
    EXPECT_EQ(app.GetProfileInt("Section", "Entry", 7), 1u);
    EXPECT_TRUE(QFile::exists(scratch.Path("Probe App.conf")));

    app.SetRegistryKey("Maker");
    EXPECT_STREQ(app.m_pszRegistryKey, "Maker");
    EXPECT_EQ(app.GetProfileInt("Section", "Entry", 7), 7u) << "another key, another file";
    EXPECT_TRUE(app.WriteProfileInt("Section", "Entry", 0));
    EXPECT_EQ(app.GetProfileInt("Section", "Entry", 7), 0u);
    EXPECT_TRUE(QFile::exists(scratch.Path("Maker/Probe App.conf")));

    // A second application object (the next run) reads what the first wrote.
    CWinApp next("Probe App");
    next.SetRegistryKey("Maker");
    EXPECT_EQ(next.GetProfileInt("Section", "Entry", 7), 0u);
}

TEST(WinApp, ProfileFallsBackToDotConfigAndReportsAFailedWrite)
{
    const ScratchEnvironment scratch;
    qputenv("XDG_CONFIG_HOME", "relative/not/allowed");
    CWinApp app("Probe App");
    EXPECT_TRUE(app.WriteProfileInt("Section", "Entry", 3));
    EXPECT_TRUE(QFile::exists(scratch.Path(".config/Probe App.conf")));

    // A config folder that is a file cannot take the settings.
    QFile blocker(scratch.Path("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", scratch.Path("blocker").toUtf8());
    EXPECT_FALSE(app.WriteProfileInt("Section", "Entry", 3));
    EXPECT_EQ(app.GetProfileInt("Section", "Entry", 9), 9u);
}

TEST(WinApp, ProfileStringsComeBackByteForByteInTheNextRun)
{
    const ScratchEnvironment scratch;
    {
        CWinApp app("Probe");
        app.SetRegistryKey("Maker");
        EXPECT_EQ(app.GetProfileString("Folders", "Last", "none"), "none");
        EXPECT_TRUE(app.WriteProfileString("Folders", "Last", "\\home\\ana\\caf\xC3\xA9"));
        EXPECT_TRUE(app.WriteProfileString("Folders", "Other", "\\home\\ana\\caf\xE9"));
        EXPECT_TRUE(app.WriteProfileString("Size", "Width", "644"));
    }
    CWinApp next("Probe");
    next.SetRegistryKey("Maker");
    EXPECT_EQ(next.GetProfileString("Folders", "Last"), "\\home\\ana\\caf\xC3\xA9");
    EXPECT_EQ(next.GetProfileString("Folders", "Other"), "\\home\\ana\\caf\xE9")
        << "a name that is not UTF-8 keeps its bytes";

    EXPECT_TRUE(next.WriteProfileString("Folders", "Other", nullptr));
    EXPECT_EQ(next.GetProfileString("Folders", "Other", "gone"), "gone");
    EXPECT_EQ(next.GetProfileString("Folders", "Last"), "\\home\\ana\\caf\xC3\xA9");
    EXPECT_TRUE(next.WriteProfileString("Folders", nullptr, nullptr));
    EXPECT_EQ(next.GetProfileString("Folders", "Last"), "");
    EXPECT_EQ(next.GetProfileString("Size", "Width"), "644");
}

TEST(WinApp, WaitCursorShowsForItsLifeOnly)
{
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    {
        const CWaitCursor wait;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
