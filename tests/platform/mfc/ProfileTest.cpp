// Settings kept between runs (the profile calls) and the folder a file dialog starts in.
#include "platform/mfc/FileDialog.h"
#include "platform/mfc/WinApp.h"
#include "platform/user/ModalLoop.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{
// Points $XDG_CONFIG_HOME at a folder of the test's own for its lifetime.
struct ConfigFolder
{
    ConfigFolder() : previous(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", folder.path().toUtf8());
    }
    ~ConfigFolder() { qputenv("XDG_CONFIG_HOME", previous); }
    QTemporaryDir folder;
    QByteArray previous;
};
} // namespace

TEST(Profile, ValuesComeBackByteForByteInTheNextRun)
{
    ConfigFolder config;
    {
        CWinApp app("Probe");
        app.SetRegistryKey("vendor");
        EXPECT_EQ(app.GetProfileString("Folders", "Last", "none"), "none");
        EXPECT_TRUE(app.WriteProfileString("Folders", "Last", "\\home\\ana\\caf\xC3\xA9"));
        EXPECT_TRUE(app.WriteProfileString("Folders", "Other", "\\home\\ana\\caf\xE9"));
        EXPECT_TRUE(app.WriteProfileString("Size", "Width", "644"));
    }
    EXPECT_TRUE(QFile::exists(config.folder.filePath("vendor/Probe.conf")));
    CWinApp next("Probe");
    next.SetRegistryKey("vendor");
    EXPECT_EQ(next.GetProfileString("Folders", "Last"), "\\home\\ana\\caf\xC3\xA9");
    EXPECT_EQ(next.GetProfileString("Folders", "Other"), "\\home\\ana\\caf\xE9");

    EXPECT_TRUE(next.WriteProfileString("Folders", "Other", nullptr));
    EXPECT_EQ(next.GetProfileString("Folders", "Other", "gone"), "gone");
    EXPECT_EQ(next.GetProfileString("Folders", "Last"), "\\home\\ana\\caf\xC3\xA9");
    EXPECT_TRUE(next.WriteProfileString("Folders", nullptr, nullptr));
    EXPECT_EQ(next.GetProfileString("Folders", "Last"), "");
    EXPECT_EQ(next.GetProfileString("Size", "Width"), "644");
}

TEST(Profile, AnUnwritableConfigFolderFailsTheWriteAndNothingElse)
{
    ConfigFolder config;
    QFile blocker(config.folder.filePath("vendor"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    CWinApp app("Probe");
    app.SetRegistryKey("vendor");
    EXPECT_FALSE(app.WriteProfileString("Folders", "Last", "\\tmp"));
    EXPECT_EQ(app.GetProfileString("Folders", "Last", "none"), "none");
}

TEST(FileDialogFolder, StartsInTheInitialFolderUnlessTheFileNameHasOne)
{
    QTemporaryDir first, second;
    const auto windows = [](const QString& path)
    { return QDir::toNativeSeparators(path).replace(u'/', u'\\').toStdString(); };
    const std::string initial = windows(first.path());
    QString shown;
    layer::SetModalHook(
        [&](const ModalContext& ctx)
        {
            auto* dialog = static_cast<QFileDialog*>(ctx.widget);
            shown = dialog->directory().absolutePath();
            dialog->reject();
        });
    {
        CFileDialog dialog(TRUE, "txt", nullptr);
        dialog.m_ofn.lpstrInitialDir = initial.c_str();
        dialog.DoModal();
        EXPECT_EQ(shown, first.path());
    }
    {
        const std::string proposed = windows(second.filePath("picture.bmp"));
        CFileDialog dialog(TRUE, ".bmp", proposed.c_str());
        dialog.m_ofn.lpstrInitialDir = initial.c_str();
        dialog.DoModal();
        EXPECT_EQ(shown, second.path()) << "the proposed file's own folder wins";
    }
    {
        CFileDialog dialog(TRUE, "txt", nullptr);
        dialog.m_ofn.lpstrInitialDir = "\\nonexistent\\folder";
        dialog.DoModal();
        EXPECT_NE(shown, QStringLiteral("/nonexistent/folder"));
    }
    layer::SetModalHook({});
}
