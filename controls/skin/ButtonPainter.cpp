// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/skin/ButtonPainter.h"

#include "controls/common/Glyphs.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeySequence>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace
{

// Marks on the button, so buttons can find each other's skin objects.
constexpr char kObjectProperty[] = "carvaletSkinObject";
constexpr char kActiveWhenProperty[] = "carvaletSkinActiveWhen";

// "&Open image" -> "Open image": the label as it reads, its access-key mark taken out.
QString WithoutMnemonic(const QString& label)
{
    QString out;
    for (qsizetype i = 0; i < label.size(); ++i)
    {
        if (label[i] == u'&' && i + 1 < label.size())
            ++i;
        out.append(label[i]);
    }
    return out;
}

// The access key is underlined as the style underlines it on Qt's own buttons.
int Mnemonic(const QWidget* button)
{
    if (!button->style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, button))
        return Qt::TextShowMnemonic | Qt::TextHideMnemonic;
    return Qt::TextShowMnemonic;
}

} // namespace

void CButtonPainter::Install(QAbstractButton* button, const SkinObject& object,
                             const CSkinPalette& palette)
{
    auto* painter = button->findChild<CButtonPainter*>(QString(), Qt::FindDirectChildrenOnly);
    if (painter == nullptr)
    {
        painter = new CButtonPainter(button, object, palette); // owned by `button`
        button->installEventFilter(painter);
    }
    else
    {
        painter->m_object = object;
        painter->m_palette = palette;
    }
    button->setProperty(kObjectProperty, object.name);
    button->setProperty(kActiveWhenProperty, object.activeWhen);
    button->setToolTip(object.tooltip);
    // The label's "&" marks the access key: Alt and that letter press the button.
    button->setShortcut(QKeySequence::mnemonic(object.label));
    button->setAccessibleName(object.accessibleName.isEmpty() ? WithoutMnemonic(object.label)
                                                              : object.accessibleName);
    button->setAccessibleDescription(object.tooltip);
    button->setAttribute(Qt::WA_Hover);
    button->update();
}

CButtonPainter::CButtonPainter(QAbstractButton* button, const SkinObject& object,
                               const CSkinPalette& palette)
    : QObject(button), m_button(button), m_object(object), m_palette(palette)
{
}

bool CButtonPainter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_button)
        return false;
    switch (event->type())
    {
    case QEvent::Paint:
        Paint();
        return true; // the button's own face would cover the skin
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::EnabledChange:
        m_button->update();
        break;
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        UpdateDependents();
        break;
    default:
        break;
    }
    return false;
}

bool CButtonPainter::IsActive() const
{
    if (m_object.activeWhen.isEmpty() || m_button->parentWidget() == nullptr)
        return false;
    const auto siblings =
        m_button->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget* sibling : siblings)
        if (sibling->property(kObjectProperty).toString() == m_object.activeWhen)
            return sibling->isVisibleTo(m_button->parentWidget());
    return false;
}

// A page button shows its page as active; it learns of the page through this button.
void CButtonPainter::UpdateDependents() const
{
    if (m_button->parentWidget() == nullptr)
        return;
    const auto siblings =
        m_button->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* sibling : siblings)
        if (sibling->property(kActiveWhenProperty).toString() == m_object.name)
            sibling->update();
}

SkinState CButtonPainter::State() const
{
    if (!m_button->isEnabled())
        return SkinState::Disabled;
    if (m_button->isDown())
        return SkinState::Pressed;
    if (IsActive())
        return SkinState::Active;
    if (m_button->underMouse())
        return SkinState::Hover;
    if (m_button->hasFocus())
        return SkinState::Focused;
    return SkinState::Normal;
}

void CButtonPainter::Paint() const
{
    const SkinState state = State();
    const SkinLook& look = m_object.looks[static_cast<std::size_t>(state)];

    QPainter p(m_button);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(m_button->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min(m_object.radius, std::min(frame.width(), frame.height()) / 2);
    PaintFace(p, look, frame, radius);
    if (m_button->hasFocus() && state != SkinState::Disabled)
        PaintFocusRing(p, frame, radius);

    const qreal inset = m_object.layout == SkinObject::Layout::Icon ? 1.5 : 3;
    QRectF content = frame.adjusted(inset, inset, -inset, -inset);
    if (state == SkinState::Pressed)
        content.translate(0, 1);

    QFont font = m_button->font();
    if (m_object.fontSize > 0)
        font.setPointSizeF(m_object.fontSize);
    font.setBold(m_object.bold);
    p.setFont(font);
    const QColor ink = m_palette.Resolve(look.text);
    p.setPen(ink);

    const bool hasIcon = !m_object.icon.isEmpty() || m_object.iconPath.has_value();
    switch (hasIcon ? m_object.layout : SkinObject::Layout::Label)
    {
    case SkinObject::Layout::Row:
        PaintRow(p, content, font, ink);
        break;
    case SkinObject::Layout::Column:
        PaintColumn(p, frame, content, font, ink);
        break;
    case SkinObject::Layout::Icon:
    {
        const qreal side = std::min(content.width(), content.height());
        DrawIcon(
            p, QRectF(content.center().x() - side / 2, content.center().y() - side / 2, side, side),
            ink);
        break;
    }
    case SkinObject::Layout::Label:
        p.drawText(content, Qt::AlignCenter | Mnemonic(m_button),
                   QFontMetricsF(font).elidedText(m_object.label, Qt::ElideRight, content.width(),
                                                  Mnemonic(m_button)));
        break;
    }
}

void CButtonPainter::PaintFace(QPainter& p, const SkinLook& look, const QRectF& frame,
                               qreal radius) const
{
    QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
    fill.setColorAt(0, m_palette.Resolve(look.top));
    fill.setColorAt(1, m_palette.Resolve(look.bottom));
    p.setBrush(fill);
    p.setPen(QPen(m_palette.Resolve(look.border), 1));
    p.drawRoundedRect(frame, radius, radius);
}

void CButtonPainter::PaintFocusRing(QPainter& p, const QRectF& frame, qreal radius) const
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(m_palette.Resolve(m_object.focus), 1.6));
    const QRectF inner = frame.adjusted(2, 2, -2, -2);
    p.drawRoundedRect(inner, std::max(0.0, radius - 2), std::max(0.0, radius - 2));
}

void CButtonPainter::DrawIcon(QPainter& p, const QRectF& box, const QColor& ink) const
{
    if (!m_object.iconPath)
    {
        Glyphs::Draw(p, m_object.icon, box, ink);
        return;
    }
    const qreal side = std::min(box.width(), box.height());
    p.save();
    p.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    p.scale(side / 24, side / 24);
    p.strokePath(*m_object.iconPath, QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.restore();
}

void CButtonPainter::PaintRow(QPainter& p, const QRectF& content, const QFont& font,
                              const QColor& ink) const
{
    const qreal side = std::min(content.height() * 0.58, 20.0);
    const qreal pad = std::clamp((content.height() - side) / 2, 3.0, 7.0);
    DrawIcon(p, QRectF(content.left() + pad, content.center().y() - side / 2, side, side), ink);
    const qreal textLeft = content.left() + pad + side + pad * 0.9;
    const QRectF text(textLeft, content.top(), content.right() - textLeft - 2, content.height());
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Mnemonic(m_button),
               QFontMetricsF(font).elidedText(m_object.label, Qt::ElideRight, text.width(),
                                              Mnemonic(m_button)));
}

void CButtonPainter::PaintColumn(QPainter& p, const QRectF& frame, const QRectF& content,
                                 const QFont& font, const QColor& ink) const
{
    // Clear of the border and the focus ring. A label a little too wide takes a slightly
    // smaller face; one far too wide runs upwards under the icon.
    const QString& label = m_object.label;
    const QString shown = WithoutMnemonic(label); // what takes room
    const int mnemonic = Mnemonic(m_button);
    const qreal side = std::min(content.width() * 0.72, 22.0);
    const QRectF line = frame.adjusted(4, 0, -4, 0);
    QFont fitted = font;
    const qreal smallest = font.pointSizeF() * 0.8;
    while (QFontMetricsF(fitted).horizontalAdvance(shown) > line.width() &&
           fitted.pointSizeF() - 0.25 >= smallest && smallest > 0)
        fitted.setPointSizeF(fitted.pointSizeF() - 0.25);
    const QFontMetricsF metrics(fitted);
    p.setFont(fitted);
    const qreal textW = metrics.horizontalAdvance(shown);
    const bool turned = textW > line.width();
    const qreal textExtent = label.isEmpty() ? 0 : (turned ? textW : metrics.height());
    const qreal gap = label.isEmpty() ? 0 : side * 0.35;
    const qreal top = content.center().y() - (side + gap + textExtent) / 2;
    DrawIcon(p, QRectF(content.center().x() - side / 2, top, side, side), ink);
    if (label.isEmpty())
        return;
    if (!turned)
    {
        p.drawText(QRectF(line.left(), top + side + gap, line.width(), textExtent),
                   Qt::AlignCenter | mnemonic, label);
        return;
    }
    const qreal room = content.bottom() - (top + side + gap);
    p.save();
    p.translate(content.center().x(), top + side + gap + std::min(textW, room));
    p.rotate(-90);
    p.drawText(QRectF(0, -metrics.height() / 2, room, metrics.height()),
               Qt::AlignLeft | Qt::AlignVCenter | mnemonic,
               metrics.elidedText(label, Qt::ElideRight, room, mnemonic));
    p.restore();
}
