// SPDX-License-Identifier: GPL-3.0-or-later
// The small set of line icons the skin and the splash draw, and the path notation they are
// written in (also accepted from skin and splash files).
//
// Path notation, absolute coordinates, numbers separated by blanks or commas:
//   M x y            move to            L x y              line to
//   Q cx cy x y      quadratic curve    C c1x c1y c2x c2y x y   cubic curve
//   Z                close the figure   O cx cy r          a whole circle
#pragma once

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QStringView>

#include <optional>

class QPainter;

namespace Glyphs
{

// A parsed path, or nullopt for text that is not in the notation above.
std::optional<QPainterPath> ParsePath(QStringView text);

bool Exists(QStringView name);

// Draws the built-in glyph `name` (designed on a 24 x 24 grid) centred in `box`, scaled to
// its smaller side. Unknown names draw nothing.
void Draw(QPainter& painter, QStringView name, const QRectF& box, const QColor& color);

} // namespace Glyphs
