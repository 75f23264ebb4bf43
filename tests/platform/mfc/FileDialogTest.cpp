// SPDX-License-Identifier: GPL-3.0-or-later
// The folder a file dialog starts in.
#include "platform/mfc/FileDialog.h"
#include "platform/user/ModalLoop.h"

#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
