// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/skin/WindowPainter.h"

#include "controls/common/Glyphs.h"
#include "platform/user/QtBridge.h"

#include <QChildEvent>
#include <QEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

void CWindowPainter::Install(QWidget* window, const SkinWindow& look, const CSkinPalette& palette,
                             const QString& title, bool paintClientArea)
{
    QPalette colors = window->palette();
    colors.setColor(QPalette::Window, palette.Resolve(look.background));
    colors.setColor(QPalette::WindowText, palette.Resolve({SkinColor::Source::Fore, {}}));
    window->setPalette(colors);
    window->setAutoFillBackground(true);

    auto* painter = window->findChild<CWindowPainter*>(QString(), Qt::FindDirectChildrenOnly);
    if (!paintClientArea)
    {
        window->setProperty(layer::kCaptionBandProperty, QVariant());
        if (painter != nullptr)
        {
            window->removeEventFilter(painter);
            for (QObject* child : window->children())
                child->removeEventFilter(painter);
        }
        window->update();
        return;
    }
    if (painter == nullptr)
        painter = new CWindowPainter(window, look, palette, title); // owned by `window`
    else
    {
        painter->m_look = look;
        painter->m_palette = palette;
        painter->m_title = title;
    }
    window->removeEventFilter(painter);
    window->installEventFilter(painter);
    for (QObject* child : window->children())
        painter->Watch(child);
    // The banner is the caption strip: a right click anywhere on it opens the system menu.
    if (!look.banner.isEmpty())
        window->setProperty(layer::kCaptionBandProperty,
                            qRound(painter->Scaled(window, look.banner).bottom()));
    window->update();
}

CWindowPainter::CWindowPainter(QWidget* window, const SkinWindow& look, const CSkinPalette& palette,
                               const QString& title)
    : QObject(window), m_look(look), m_palette(palette), m_title(title)
{
}

bool CWindowPainter::SetNote(QWidget* window, const QString& text, bool alert)
{
    auto* painter = window->findChild<CWindowPainter*>(QString(), Qt::FindDirectChildrenOnly);
    if (painter == nullptr)
        return false;
    if (painter->m_note == text && painter->m_noteAlert == alert)
        return true;
    painter->m_note = text;
    painter->m_noteAlert = alert;
    window->update(painter->Scaled(window, painter->m_look.cardNote).toAlignedRect());
    return true;
}

bool CWindowPainter::eventFilter(QObject* watched, QEvent* event)
{
    auto* window = static_cast<QWidget*>(parent());
    if (watched == window)
    {
        // Paints under the window's own painting, which still runs.
        if (event->type() == QEvent::Paint)
            Paint(window, static_cast<QPaintEvent*>(event)->region());
        else if (event->type() == QEvent::ChildAdded)
            Watch(static_cast<QChildEvent*>(event)->child());
        return false;
    }
    // A child shown, hidden, moved or given a picture may uncover the hint or cover it; its own
    // repaint only covers its own rectangle, so the window is asked for a whole one.
    switch (event->type())
    {
    case QEvent::Paint:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
        if (!m_look.cardHint.isEmpty() && !m_look.card.isEmpty() &&
            Covered(window, Scaled(window, m_look.card)) == m_hintShown)
            window->update();
        break;
    default:
        break;
    }
    return false;
}

void CWindowPainter::Watch(QObject* child)
{
    if (child->isWidgetType() && child != this)
    {
        child->removeEventFilter(this);
        child->installEventFilter(this);
    }
}

bool CWindowPainter::Covered(const QWidget* window, const QRectF& card)
{
    // An empty picture or caption is see-through; anything else shown on the card hides the hint,
    // which would otherwise peek out beside a picture narrower than the card.
    for (const QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    {
        if (child->isHidden() || !card.intersects(QRectF(child->geometry())))
            continue;
        const auto* label = qobject_cast<const QLabel*>(child);
        if (label && label->pixmap().isNull() && label->text().isEmpty())
            continue;
        if (card.contains(QRectF(child->geometry())))
            return true;
    }
    return false;
}

QRectF CWindowPainter::Scaled(const QWidget* window, const QRectF& r) const
{
    const qreal sx = window->width() / m_look.design.width();
    const qreal sy = window->height() / m_look.design.height();
    return QRectF(r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy);
}

void CWindowPainter::Paint(QWidget* window, const QRegion& region)
{
    QPainter p(window);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(window->rect(), m_palette.Resolve(m_look.background));
    if (!m_look.sidebar.isEmpty())
        PaintSidebar(p, Scaled(window, m_look.sidebar));
    if (!m_look.card.isEmpty())
        PaintCard(p, window, Scaled(window, m_look.card), region);
    PaintNote(p, window);
    if (!m_look.banner.isEmpty())
    {
        const QRectF banner = Scaled(window, m_look.banner);
        PaintBanner(p, banner);
        PaintCaption(p, window->font(), banner);
    }
}

void CWindowPainter::PaintSidebar(QPainter& p, const QRectF& side) const
{
    p.fillRect(side, m_palette.Resolve(m_look.sidebarColor));
    p.fillRect(QRectF(side.right() - 1, side.top(), 1, side.height()),
               m_palette.Resolve(m_look.sidebarLine));
}

void CWindowPainter::PaintCard(QPainter& p, QWidget* window, const QRectF& card,
                               const QRegion& region)
{
    const qreal radius = m_look.radius * (window->width() / m_look.design.width());
    // A soft shadow, a few pixels deep, so the card lifts off the background.
    for (int i = 3; i >= 1; --i)
    {
        QColor shadow(0, 0, 0, 10 + 6 * (3 - i));
        p.setPen(Qt::NoPen);
        p.setBrush(shadow);
        p.drawRoundedRect(card.adjusted(-i + 1, -i + 2, i - 1, i + 1), radius + i, radius + i);
    }
    p.setBrush(m_palette.Resolve(m_look.cardColor));
    p.setPen(QPen(m_palette.Resolve(m_look.cardBorder), 1));
    p.drawRoundedRect(card.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    const bool hintShown = !m_look.cardHint.isEmpty() && !Covered(window, card);
    if (hintShown)
    {
        p.setPen(m_palette.Resolve(m_look.cardHintColor));
        p.drawText(card.adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                   m_look.cardHint);
    }
    // A paint clipped to a child (a picture set or cleared) redraws only under it: when the
    // hint comes or goes there, the rest of the card must follow, or half a hint stays.
    const QRect whole = card.toAlignedRect().adjusted(-1, -1, 1, 1);
    if (hintShown != m_hintShown && !QRegion(whole).subtracted(region).isEmpty())
        QMetaObject::invokeMethod(
            window, [window, whole] { window->update(whole); }, Qt::QueuedConnection);
    m_hintShown = hintShown;
}

void CWindowPainter::PaintNote(QPainter& p, const QWidget* window) const
{
    if (m_note.isEmpty() || m_look.cardNote.isEmpty())
        return;
    p.setFont(window->font());
    p.setPen(m_palette.Resolve(m_noteAlert ? m_look.cardNoteAlertColor : m_look.cardNoteColor));
    p.drawText(Scaled(window, m_look.cardNote), Qt::AlignRight | Qt::AlignVCenter, m_note);
}

void CWindowPainter::PaintBanner(QPainter& p, const QRectF& banner) const
{
    QLinearGradient fill(banner.topLeft(), banner.bottomLeft());
    fill.setColorAt(0, m_palette.Resolve(m_look.bannerTop));
    fill.setColorAt(1, m_palette.Resolve(m_look.bannerBottom));
    p.fillRect(banner, fill);
    p.fillRect(QRectF(banner.left(), banner.bottom() - 2, banner.width(), 2),
               m_palette.Resolve(m_look.bannerLine));
}

// The mark, then the title over the subtitle, centred on the banner's height.
void CWindowPainter::PaintCaption(QPainter& p, const QFont& windowFont, const QRectF& banner) const
{
    const qreal h = banner.height();
    qreal x = banner.left() + h * 0.42;
    if (!m_look.mark.isEmpty())
    {
        const qreal side = h * 0.5;
        Glyphs::Draw(p, m_look.mark, QRectF(x, banner.center().y() - side / 2, side, side),
                     m_palette.Resolve(m_look.titleColor));
        x += side + h * 0.18;
    }

    QFont titleFont = windowFont;
    titleFont.setPixelSize(std::max(8, qRound(h * 0.34)));
    titleFont.setBold(true);
    titleFont.setLetterSpacing(QFont::PercentageSpacing, 104);
    QFont subtitleFont = windowFont;
    subtitleFont.setPixelSize(std::max(7, qRound(h * 0.15)));
    const QFontMetricsF tm(titleFont), sm(subtitleFont);
    const QString title = m_title.isEmpty() ? m_look.title : m_title;
    const qreal gap = h * 0.04;
    const qreal block = tm.ascent() + (m_look.subtitle.isEmpty() ? 0 : gap + sm.height());
    qreal y = banner.center().y() - block / 2 + tm.ascent();
    p.setFont(titleFont);
    p.setPen(m_palette.Resolve(m_look.titleColor));
    p.drawText(QPointF(x, y), title);
    if (!m_look.subtitle.isEmpty())
    {
        p.setFont(subtitleFont);
        p.setPen(m_palette.Resolve(m_look.subtitleColor));
        p.drawText(QPointF(x + 1, y + gap + sm.ascent()), m_look.subtitle);
    }
}
