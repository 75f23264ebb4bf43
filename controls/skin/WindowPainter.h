// SPDX-License-Identifier: GPL-3.0-or-later
// Paints the skin's window look (background, banner with the product name, side panel and
// content card) under a window's children. Lives as a child of the window it paints.
#pragma once

#include "controls/skin/SkinFile.h"
#include "controls/skin/SkinPalette.h"

#include <QObject>
#include <QRectF>

class QFont;
class QPainter;
class QRegion;
class QWidget;

class CWindowPainter : public QObject
{
    Q_OBJECT

public:
    // Replaces any earlier skin look of `window`. `title` replaces the skin's title when not
    // empty; without `paintClientArea` only the window's colours are set.
    static void Install(QWidget* window, const SkinWindow& look, const CSkinPalette& palette,
                        const QString& title, bool paintClientArea);

    // The window's own line by the card (ISkinControl::SetCardNote); false when `window` has
    // no skin look to draw it in.
    static bool SetNote(QWidget* window, const QString& text, bool alert);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CWindowPainter(QWidget* window, const SkinWindow& look, const CSkinPalette& palette,
                   const QString& title);
    // Paints the background, then each part the skin gives, back to front.
    void Paint(QWidget* window, const QRegion& region);
    void PaintSidebar(QPainter& p, const QRectF& side) const;
    // Notes m_hintShown; asks for the whole card when a paint of part of it changed that.
    void PaintCard(QPainter& p, QWidget* window, const QRectF& card, const QRegion& region);
    void PaintNote(QPainter& p, const QWidget* window) const;
    void PaintBanner(QPainter& p, const QRectF& banner) const;
    void PaintCaption(QPainter& p, const QFont& windowFont, const QRectF& banner) const;
    void Watch(QObject* child);
    QRectF Scaled(const QWidget* window, const QRectF& designRect) const;
    static bool Covered(const QWidget* window, const QRectF& card);

    SkinWindow m_look;
    CSkinPalette m_palette;
    QString m_title;
    bool m_hintShown = false; // as last painted
    QString m_note;
    bool m_noteAlert = false;
};
