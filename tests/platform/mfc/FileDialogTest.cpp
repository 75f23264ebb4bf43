// SPDX-License-Identifier: GPL-3.0-or-later
// The folder a file dialog starts in, and the name it returns.
#include "platform/mfc/FileDialog.h"
#include "platform/user/ModalLoop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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

// The name typed in the Save As box is the file saved, even while another file is selected in
// the list (as it stays without a window manager), and "replace?" names the file replaced.
TEST(FileDialogName, TypedNameWinsOverTheListsSelection)
{
    QTemporaryDir folder;
    for (const char* name : {"original.bmp", "other.bmp"})
    {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const auto windows = [](const QString& path)
    { return QDir::toNativeSeparators(path).replace(u'/', u'\\').toStdString(); };
    struct Case
    {
        QString typed;
        QString expected;   // empty: the dialog stays open and is cancelled
        QString askedAbout; // the file "replace?" names, if asked
    };
    const Case cases[] = {
        {QStringLiteral("copy"), folder.filePath(QStringLiteral("copy.bmp")), {}},
        {QStringLiteral("other.bmp"), folder.filePath(QStringLiteral("other.bmp")),
         QStringLiteral("other.bmp")},
    };
    for (const Case& c : cases)
    {
        QString asked;
        bool selectedInList = false;
        layer::SetModalHook(
            [&](const ModalContext& ctx)
            {
                if (ctx.kind == ModalKind::MessageBox)
                {
                    asked = QString::fromStdString(ctx.text);
                    static_cast<QMessageBox*>(ctx.widget)->button(QMessageBox::Yes)->click();
                    return;
                }
                auto* dialog = static_cast<QFileDialog*>(ctx.widget);
                auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
                ASSERT_NE(list, nullptr);
                // The list holds the proposed file selected once its folder is read.
                QModelIndex index;
                while (!index.isValid())
                {
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
                    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
                    {
                        const QModelIndex at = list->model()->index(row, 0, list->rootIndex());
                        if (at.data().toString() == QStringLiteral("original.bmp"))
                            index = at;
                    }
                }
                // Without a window manager the name box never has the focus, and Qt keeps the
                // list's selection while a name is typed in it.
                auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                edit->clearFocus();
                list->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
                edit->clear();
                QTest::keyClicks(edit, c.typed);
                selectedInList = list->selectionModel()->isSelected(index);
                // As Qt leaves it when the typing clears nothing: both names, quoted.
                if (c.typed == QStringLiteral("other.bmp"))
                    edit->setText(QStringLiteral("\"original.bmp\" \"other.bmp\""));
                static_cast<QDialog*>(dialog)->accept();
            });
        const std::string proposed = windows(folder.filePath(QStringLiteral("original.bmp")));
        CFileDialog dialog(FALSE, ".bmp", proposed.c_str(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                           "Bitmap Files (*.bmp)|*.bmp||");
        ASSERT_EQ(dialog.DoModal(), IDOK) << c.typed.toStdString();
        EXPECT_EQ(dialog.GetPathName().str(), windows(c.expected)) << c.typed.toStdString();
        EXPECT_EQ(asked.isEmpty(), c.askedAbout.isEmpty()) << asked.toStdString();
        EXPECT_TRUE(asked.startsWith(c.askedAbout)) << asked.toStdString();
        EXPECT_FALSE(selectedInList) << "typing drops the list's selection";
    }
    layer::SetModalHook({});
}
