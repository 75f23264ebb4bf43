// SPDX-License-Identifier: GPL-3.0-or-later
// A text browser whose pages, style sheets and images come out of a help archive.
#pragma once

#include <QTextBrowser>

class ChmArchive;

class HelpBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    static constexpr const char* kScheme = "chm";

    HelpBrowser(const ChmArchive& archive, QWidget* parent = nullptr);

    // The browser's address of an archive path ("/index.html" -> chm:///index.html).
    static QUrl UrlOf(const QString& archivePath);
    QVariant loadResource(int type, const QUrl& name) override;

signals:
    // The archive path of each page shown, so the contents can follow.
    void pageShown(const QString& archivePath);

private:
    void OnAnchorClicked(const QUrl& url);
    QString ArchivePath(const QUrl& url) const;

    const ChmArchive& m_archive;
};
