// SPDX-License-Identifier: GPL-3.0-or-later
// The help viewer's window: the table of contents on the left, the page on the right.
#pragma once

#include "helpviewer/ChmArchive.h"

#include <QMainWindow>

class HelpBrowser;
class QTreeWidget;
class QTreeWidgetItem;

class HelpWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit HelpWindow(ChmArchive archive, QWidget* parent = nullptr);

    HelpBrowser* Browser() const { return m_pBrowser; }
    QTreeWidget* Contents() const { return m_pContents; }
    void ShowPage(const QString& archivePath);
    // The window's size on a screen whose free area is `available`, leaving room for a title
    // bar of `titleBar` pixels.
    static QSize FittingSize(QSize wanted, QSize available, int titleBar);

private:
    void FillContents();
    void OnItemActivated(QTreeWidgetItem* item);
    void SelectItemFor(const QString& archivePath);

    ChmArchive m_archive;
    QString m_home;
    HelpBrowser* m_pBrowser = nullptr;
    QTreeWidget* m_pContents = nullptr;
};
