// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpviewer/HelpWindow.h"

#include "helpviewer/HelpBrowser.h"

#include <QAction>
#include <QHeaderView>
#include <QKeySequence>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>

namespace
{
constexpr int kPathRole = Qt::UserRole;
}

HelpWindow::HelpWindow(ChmArchive archive, QWidget* parent)
    : QMainWindow(parent), m_archive(std::move(archive))
{
    const std::string title = m_archive.Title();
    setWindowTitle(title.empty() ? tr("Help") : QString::fromStdString(title));
    m_home = '/' + QString::fromStdString(m_archive.DefaultPage());

    auto* splitter = new QSplitter(this);
    m_pContents = new QTreeWidget(splitter);
    m_pContents->setObjectName("contents");
    m_pContents->setHeaderHidden(true);
    m_pContents->setRootIsDecorated(true);
    m_pBrowser = new HelpBrowser(m_archive, splitter);
    m_pBrowser->setObjectName("page");
    splitter->addWidget(m_pContents);
    splitter->addWidget(m_pBrowser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 620});
    setCentralWidget(splitter);

    QToolBar* bar = addToolBar(tr("Navigation"));
    bar->setMovable(false);
    QAction* back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("Back"),
                                   m_pBrowser, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction* forward = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("Forward"),
                                      m_pBrowser, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), tr("Home"), this,
                   [this] { ShowPage(m_home); });
    connect(m_pBrowser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_pBrowser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);

    FillContents();
    connect(m_pContents, &QTreeWidget::itemClicked, this, &HelpWindow::OnItemActivated);
    connect(m_pContents, &QTreeWidget::itemActivated, this, &HelpWindow::OnItemActivated);
    connect(m_pBrowser, &HelpBrowser::pageShown, this, &HelpWindow::SelectItemFor);

    resize(FittingSize(QSize(860, 600), screen()->availableGeometry().size(),
                       style()->pixelMetric(QStyle::PM_TitleBarHeight)));
    if (m_home.size() > 1)
        ShowPage(m_home);
}

// The usual size, or less on a small screen: the whole window, its title bar too, stays within
// the screen's free area, whatever the scale.
QSize HelpWindow::FittingSize(QSize wanted, QSize available, int titleBar)
{
    return wanted.boundedTo(available - QSize(0, std::max(titleBar, 0)));
}

void HelpWindow::ShowPage(const QString& archivePath)
{
    m_pBrowser->setSource(HelpBrowser::UrlOf(archivePath));
}

void HelpWindow::FillContents()
{
    std::vector<QTreeWidgetItem*> parents;
    for (const ChmTopic& topic : m_archive.Topics())
    {
        const std::size_t depth =
            std::min(static_cast<std::size_t>(std::max(topic.depth, 0)), parents.size());
        parents.resize(depth);
        auto* item = parents.empty() ? new QTreeWidgetItem(m_pContents)
                                     : new QTreeWidgetItem(parents.back());
        item->setText(0, QString::fromStdString(topic.name));
        if (!topic.local.empty())
        {
            const std::string path = ResolveChmLink("/", topic.local);
            item->setData(0, kPathRole, QString::fromStdString(path));
        }
        parents.push_back(item);
    }
    m_pContents->expandAll();
}

void HelpWindow::OnItemActivated(QTreeWidgetItem* item)
{
    const QString path = item->data(0, kPathRole).toString();
    if (!path.isEmpty() && path != m_pBrowser->source().path())
        ShowPage(path);
}

void HelpWindow::SelectItemFor(const QString& archivePath)
{
    for (QTreeWidgetItemIterator it(m_pContents); *it; ++it)
    {
        if ((*it)->data(0, kPathRole).toString() == archivePath)
        {
            m_pContents->setCurrentItem(*it);
            return;
        }
    }
}
