// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/skin/SkinPalette.h"

QColor CSkinPalette::Resolve(const SkinColor& color) const
{
    QColor c;
    switch (color.source)
    {
    case SkinColor::Source::Literal:
        c = color.color;
        break;
    case SkinColor::Source::Back:
        c = m_colors[0];
        break;
    case SkinColor::Source::Fore:
        c = m_colors[1];
        break;
    case SkinColor::Source::Panel:
        c = m_colors[2];
        break;
    case SkinColor::Source::PanelText:
        c = m_colors[3];
        break;
    }
    const int turn = ((m_hue % 360) + 360) % 360;
    if (turn == 0 || c.hsvHue() < 0)
        return c;
    QColor turned = QColor::fromHsv((c.hsvHue() + turn) % 360, c.hsvSaturation(), c.value());
    turned.setAlpha(c.alpha());
    return turned;
}
