// SPDX-License-Identifier: GPL-3.0-or-later
// A parsed splash file (format in FORMAT.md): the product mark as layers of filled and
// stroked paths on a square grid, with a title and a tooltip.
#pragma once

#include "platform/com/Com.h"

#include <QColor>
#include <QPainterPath>
#include <QString>

#include <vector>

struct SplashLayer
{
    QPainterPath path;
    QColor fill = Qt::transparent;
    QColor fillBottom = Qt::transparent; // with `fill`, a top-to-bottom gradient
    QColor stroke = Qt::transparent;
    qreal width = 1;
};

class CSplashFile
{
public:
    // S_OK, E_FILENOTFOUND or E_INVALIDDATA (Error() says where); a failure leaves it empty.
    HRESULT Load(const QString& path);
    HRESULT Parse(const QByteArray& text);

    const QString& Error() const { return m_error; }
    const QString& Title() const { return m_title; }
    const QString& Tooltip() const { return m_tooltip; }
    qreal Grid() const { return m_grid; }
    const std::vector<SplashLayer>& Layers() const { return m_layers; }

    static constexpr qint64 kMaxFileSize = 64 * 1024;

private:
    QString m_error, m_title, m_tooltip;
    qreal m_grid = 100;
    std::vector<SplashLayer> m_layers;
};
