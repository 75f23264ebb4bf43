// SPDX-License-Identifier: GPL-3.0-or-later
// Draws one button as a skin object: background, border, icon and label for each state,
// plus its tooltip and accessible name. Lives as a child of the button it paints, so the
// look goes with the button.
#pragma once

#include "controls/skin/SkinFile.h"
#include "controls/skin/SkinPalette.h"

#include <QObject>

class QAbstractButton;
class QFont;
class QPainter;

class CButtonPainter : public QObject
{
    Q_OBJECT

public:
    // Replaces any earlier skin look of `button`.
    static void Install(QAbstractButton* button, const SkinObject& object,
                        const CSkinPalette& palette);

    bool eventFilter(QObject* watched, QEvent* event) override;

    // The state the button is drawn in now.
    SkinState State() const;

private:
    CButtonPainter(QAbstractButton* button, const SkinObject& object, const CSkinPalette& palette);
    void Paint() const;
    // The parts Paint() draws, in order: face and border, focus ring, then the icon and label
    // in the object's layout.
    void PaintFace(QPainter& p, const SkinLook& look, const QRectF& frame, qreal radius) const;
    void PaintFocusRing(QPainter& p, const QRectF& frame, qreal radius) const;
    void DrawIcon(QPainter& p, const QRectF& box, const QColor& ink) const;
    void PaintRow(QPainter& p, const QRectF& content, const QFont& font, const QColor& ink) const;
    void PaintColumn(QPainter& p, const QRectF& frame, const QRectF& content, const QFont& font,
                     const QColor& ink) const;
    bool IsActive() const;
    void UpdateDependents() const;

    QAbstractButton* m_button;
    SkinObject m_object;
    CSkinPalette m_palette;
};
