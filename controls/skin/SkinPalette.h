// SPDX-License-Identifier: GPL-3.0-or-later
// Turns the colours of a skin file into the colours painted: references to the control's
// back, fore, panel and panel-text colours are filled in, and every colour is turned round
// the colour wheel by the control's hue.
#pragma once

#include "controls/skin/SkinFile.h"

#include <array>

class CSkinPalette
{
public:
    CSkinPalette() = default;
    // `colors`: back, fore, panel, panel text.
    CSkinPalette(const std::array<QColor, 4>& colors, int hue) : m_colors(colors), m_hue(hue) {}

    QColor Resolve(const SkinColor& color) const;

private:
    std::array<QColor, 4> m_colors{QColor(Qt::white), QColor(Qt::black), QColor(Qt::lightGray),
                                   QColor(Qt::black)};
    int m_hue = 0;
};
