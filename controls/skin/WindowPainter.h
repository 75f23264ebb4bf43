// Paints the skin's window look (background, banner with the product name, side panel and
// content card) under a window's children. Lives as a child of the window it paints.
#pragma once

#include "controls/skin/SkinFile.h"
#include "controls/skin/SkinPalette.h"

#include <QObject>
#include <QRectF>

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
    void Paint(QWidget* window, const QRegion& region);
    void PaintNote(QPainter& p, const QWidget* window) const;
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
