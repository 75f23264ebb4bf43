// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/common/Glyphs.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

namespace
{

struct Stroke
{
    bool fill;
    const char* path;
};

struct Glyph
{
    const char* name;
    std::span<const Stroke> strokes;
};

constexpr Stroke kImage[] = {
    {false, "M5 5 L19 5 Q21 5 21 7 L21 17 Q21 19 19 19 L5 19 Q3 19 3 17 L3 7 Q3 5 5 5 Z"},
    {false, "M3.5 17 L9 11.5 L13 15.5 L15.5 13 L20.5 18"},
    {true, "O15.5 9.2 1.7"},
};
constexpr Stroke kText[] = {
    {false, "M7 3 L17 3 Q19 3 19 5 L19 19 Q19 21 17 21 L7 21 Q5 21 5 19 L5 5 Q5 3 7 3 Z"},
    {false, "M8.5 8 L15.5 8 M8.5 12 L15.5 12 M8.5 16 L13 16"},
};
constexpr Stroke kHelp[] = {
    {false, "M8 8.6 C8 5.9 9.9 4.4 12.1 4.4 C14.4 4.4 16.2 6 16.2 8.2 C16.2 11.4 12.1 11.7 "
            "12.1 15"},
    {true, "O12.1 19.4 1.6"},
};
constexpr Stroke kOpen[] = {
    {false, "M3 8 L3 18 Q3 20 5 20 L19 20 Q21 20 21 18 L21 10 Q21 8 19 8 L12 8 L10 5.5 L5 "
            "5.5 Q3 5.5 3 7.5 Z"},
    {false, "M12 17.5 L12 11 M9.3 13.5 L12 10.8 L14.7 13.5"},
};
constexpr Stroke kLoad[] = {
    {false, "M7 3 L14 3 L19 8 L19 19 Q19 21 17 21 L7 21 Q5 21 5 19 L5 5 Q5 3 7 3 Z"},
    {false, "M14 3 L14 8 L19 8"},
    {false, "M12 10.5 L12 17.5 M9.2 14.8 L12 17.5 L14.8 14.8"},
};
constexpr Stroke kReveal[] = {
    {false, "M2 12 Q12 2.5 22 12 Q12 21.5 2 12 Z"},
    {true, "O12 12 3.2"},
};
constexpr Stroke kHide[] = {
    {false, "M2 10 Q12 19 22 10"},
    {false, "M5.2 13.4 L3.6 15.8 M9.4 15.2 L8.7 18 M14.6 15.2 L15.3 18 M18.8 13.4 L20.4 15.8"},
};
constexpr Stroke kAbout[] = {
    {false, "O12 12 9"},
    {false, "M12 11 L12 17"},
    {true, "O12 7.6 1.3"},
};
constexpr Stroke kClose[] = {
    {false, "M7.4 6.6 C4.7 8.3 3.5 10.7 3.5 13 C3.5 17.7 7.3 21.5 12 21.5 C16.7 21.5 20.5 "
            "17.7 20.5 13 C20.5 10.7 19.3 8.3 16.6 6.6"},
    {false, "M12 2.5 L12 12"},
};
constexpr Stroke kMark[] = {
    {false, "M5 4 L19 4 Q21 4 21 6 L21 18 Q21 20 19 20 L5 20 Q3 20 3 18 L3 6 Q3 4 5 4 Z"},
    {false, "M3.5 18 L9 12.5 L12.5 16 L15 13.5 L20.5 19"},
    {true, "O8 8.5 1.1"},
    {true, "O12 8.5 1.1"},
    {true, "O16 8.5 1.1"},
};

constexpr Glyph kGlyphs[] = {
    {"image", kImage},   {"text", kText}, {"help", kHelp},   {"open", kOpen},   {"load", kLoad},
    {"reveal", kReveal}, {"hide", kHide}, {"about", kAbout}, {"close", kClose}, {"mark", kMark},
};

const Glyph* Find(QStringView name)
{
    for (const Glyph& glyph : kGlyphs)
        if (name.compare(QLatin1String(glyph.name), Qt::CaseInsensitive) == 0)
            return &glyph;
    return nullptr;
}

class PathScanner
{
public:
    explicit PathScanner(QStringView text) : m_text(text) {}

    void SkipSeparators()
    {
        while (m_pos < m_text.size() && (m_text[m_pos].isSpace() || m_text[m_pos] == u','))
            ++m_pos;
    }
    bool AtEnd()
    {
        SkipSeparators();
        return m_pos >= m_text.size();
    }
    QChar Command()
    {
        SkipSeparators();
        return m_text[m_pos++];
    }
    bool Number(qreal& value)
    {
        SkipSeparators();
        qsizetype end = m_pos;
        while (end < m_text.size() && (m_text[end].isDigit() || m_text[end] == u'.' ||
                                       m_text[end] == u'-' || m_text[end] == u'+'))
            ++end;
        if (end == m_pos)
            return false;
        bool ok = false;
        value = m_text.mid(m_pos, end - m_pos).toDouble(&ok);
        m_pos = end;
        return ok && std::isfinite(value) && std::abs(value) < 1e6;
    }
    template <std::size_t N> bool Numbers(std::array<qreal, N>& values)
    {
        for (qreal& v : values)
            if (!Number(v))
                return false;
        return true;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

namespace Glyphs
{

std::optional<QPainterPath> ParsePath(QStringView text)
{
    QPainterPath path;
    PathScanner scan(text);
    bool open = false;
    while (!scan.AtEnd())
    {
        const QChar command = scan.Command().toUpper();
        if (command == u'Z')
        {
            if (!open)
                return std::nullopt;
            path.closeSubpath();
            open = false;
            continue;
        }
        if (command == u'M' || command == u'L')
        {
            std::array<qreal, 2> v{};
            if (!scan.Numbers(v) || (command == u'L' && !open))
                return std::nullopt;
            if (command == u'M')
                path.moveTo(v[0], v[1]);
            else
                path.lineTo(v[0], v[1]);
            open = true;
        }
        else if (command == u'Q')
        {
            std::array<qreal, 4> v{};
            if (!scan.Numbers(v) || !open)
                return std::nullopt;
            path.quadTo(v[0], v[1], v[2], v[3]);
        }
        else if (command == u'C')
        {
            std::array<qreal, 6> v{};
            if (!scan.Numbers(v) || !open)
                return std::nullopt;
            path.cubicTo(v[0], v[1], v[2], v[3], v[4], v[5]);
        }
        else if (command == u'O')
        {
            std::array<qreal, 3> v{};
            if (!scan.Numbers(v) || v[2] <= 0)
                return std::nullopt;
            path.addEllipse(QPointF(v[0], v[1]), v[2], v[2]);
            open = false;
        }
        else
        {
            return std::nullopt;
        }
    }
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

bool Exists(QStringView name)
{
    return Find(name) != nullptr;
}

void Draw(QPainter& painter, QStringView name, const QRectF& box, const QColor& color)
{
    const Glyph* glyph = Find(name);
    if (glyph == nullptr || box.isEmpty())
        return;
    const qreal side = std::min(box.width(), box.height());
    const qreal scale = side / 24.0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    painter.scale(scale, scale);
    // Lines stay about 1.6 px thick whatever the size, never thinner than a hairline.
    const qreal width = std::clamp(1.6 / scale, 1.2, 2.6);
    QPen pen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    for (const Stroke& stroke : glyph->strokes)
    {
        const auto path = ParsePath(QString::fromLatin1(stroke.path));
        if (!path)
            continue;
        if (stroke.fill)
            painter.fillPath(*path, color);
        else
            painter.strokePath(*path, pen);
    }
    painter.restore();
}

} // namespace Glyphs
