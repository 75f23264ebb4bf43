// SPDX-License-Identifier: GPL-3.0-or-later
// The fallback viewer on the built help file: it opens at the default page, follows links
// inside the file, and shows its style sheet, picture and contents.
#include "helpviewer/HelpBrowser.h"
#include "helpviewer/HelpWindow.h"

#include <QImage>
#include <QScreen>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

namespace
{

std::unique_ptr<HelpWindow> OpenHelp()
{
    std::optional<ChmArchive> archive = ChmArchive::Open(CARVALET_HELP_CHM);
    if (!archive)
        return nullptr;
    return std::make_unique<HelpWindow>(std::move(*archive));
}

QTreeWidgetItem* FindItem(QTreeWidget* tree, const QString& text)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0) == text)
            return *it;
    return nullptr;
}

} // namespace

TEST(HelpViewer, OpensAtTheDefaultPageWithItsContentsAndStyle)
{
    const auto window = OpenHelp();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "Carvalet Help");
    HelpBrowser* page = window->Browser();
    EXPECT_EQ(page->source().path(), "/index.html");
    EXPECT_TRUE(page->toPlainText().contains("Welcome to Carvalet"));

    QTreeWidget* contents = window->Contents();
    ASSERT_TRUE(FindItem(contents, "Welcome to Carvalet"));
    EXPECT_EQ(contents->currentItem(), FindItem(contents, "Welcome to Carvalet"));
    QTreeWidgetItem* group = FindItem(contents, "Using Carvalet");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->childCount(), 5);

    const QString css =
        page->loadResource(QTextDocument::StyleSheetResource, QUrl("style.css")).toString();
    EXPECT_TRUE(css.contains(".msg"));
    const QImage icon =
        page->loadResource(QTextDocument::ImageResource, QUrl("carvalet-64.png")).value<QImage>();
    EXPECT_EQ(icon.size(), QSize(64, 64));
}

TEST(HelpViewer, FollowsLinksAndContentsInsideTheFileAndGoesBack)
{
    const auto window = OpenHelp();
    ASSERT_TRUE(window);
    HelpBrowser* page = window->Browser();

    emit page->anchorClicked(QUrl("hiding.html"));
    EXPECT_EQ(page->source().path(), "/hiding.html");
    EXPECT_TRUE(page->toPlainText().contains("Step by step"));
    EXPECT_EQ(window->Contents()->currentItem()->text(0), "Hiding a message");

    // A link to a page the file does not hold leaves the page as it is.
    emit page->anchorClicked(QUrl("no-such-page.html"));
    EXPECT_EQ(page->source().path(), "/hiding.html");

    QTreeWidgetItem* messages = FindItem(window->Contents(), "Messages and what to do");
    ASSERT_TRUE(messages);
    emit window->Contents()->itemClicked(messages, 0);
    EXPECT_EQ(page->source().path(), "/messages.html");
    EXPECT_TRUE(page->toPlainText().contains("Invalid password try again"));

    page->backward();
    EXPECT_EQ(page->source().path(), "/hiding.html");
}

TEST(HelpViewer, OpensNoLargerThanTheScreensFreeArea)
{
    EXPECT_EQ(HelpWindow::FittingSize(QSize(860, 600), QSize(1920, 1040), 30), QSize(860, 600));
    EXPECT_EQ(HelpWindow::FittingSize(QSize(860, 600), QSize(800, 600), 30), QSize(800, 570));
    // The offscreen screen is 800 x 600.
    const auto window = OpenHelp();
    ASSERT_TRUE(window);
    const QSize available = window->screen()->availableGeometry().size();
    EXPECT_LE(window->width(), available.width());
    EXPECT_LT(window->height(), available.height());
}
