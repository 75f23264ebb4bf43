// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpviewer/HelpBrowser.h"

#include "helpviewer/ChmArchive.h"

#include <QDesktopServices>
#include <QImage>

HelpBrowser::HelpBrowser(const ChmArchive& archive, QWidget* parent)
    : QTextBrowser(parent), m_archive(archive)
{
    // Links are followed here, so that pages of the archive stay inside it and everything
    // else goes to the desktop.
    setOpenLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::OnAnchorClicked);
    connect(this, &QTextBrowser::sourceChanged, this,
            [this](const QUrl& url) { emit pageShown(url.path()); });
}

QUrl HelpBrowser::UrlOf(const QString& archivePath)
{
    QUrl url;
    url.setScheme(kScheme);
    url.setPath(archivePath.startsWith('/') ? archivePath : '/' + archivePath);
    return url;
}

QString HelpBrowser::ArchivePath(const QUrl& url) const
{
    if (url.scheme() == kScheme)
        return url.path();
    if (!url.scheme().isEmpty())
        return {};
    const std::string base = source().path().toStdString();
    return QString::fromStdString(ResolveChmLink(base, url.toString().toStdString()));
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    const QString path = ArchivePath(name);
    if (path.isEmpty())
        return {};
    const std::optional<std::string> bytes = m_archive.Read(path.toStdString());
    if (!bytes)
        return {};
    const QByteArray data(bytes->data(), static_cast<qsizetype>(bytes->size()));
    switch (type)
    {
    case QTextDocument::ImageResource:
        return QImage::fromData(data);
    case QTextDocument::HtmlResource:
    case QTextDocument::StyleSheetResource:
        return QString::fromUtf8(data);
    default:
        return data;
    }
}

void HelpBrowser::OnAnchorClicked(const QUrl& url)
{
    if (url.scheme().isEmpty() || url.scheme() == kScheme || url.toString().contains("::"))
    {
        const std::string base = source().path().toStdString();
        const std::string link =
            url.scheme() == kScheme ? url.path().toStdString() : url.toString().toStdString();
        const QString path = QString::fromStdString(ResolveChmLink(base, link));
        if (path.isEmpty() || !m_archive.Contains(path.toStdString()))
        {
            if (url.hasFragment() && url.path().isEmpty())
                scrollToAnchor(url.fragment());
            return;
        }
        QUrl target = UrlOf(path);
        target.setFragment(url.fragment());
        setSource(target);
        return;
    }
    QDesktopServices::openUrl(url);
}
