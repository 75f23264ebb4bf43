// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/splash/SplashWidget.h"

#include <QLinearGradient>
#include <QPainter>
#include <QVariantAnimation>

CSplashWidget::CSplashWidget(QWidget* parent, ComPtr<IUnknown> control)
    : QWidget(parent), m_control(std::move(control))
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

void CSplashWidget::SetSplash(std::shared_ptr<const CSplashFile> splash, bool showTooltip)
{
    m_splash = std::move(splash);
    setToolTip(m_splash && showTooltip ? m_splash->Tooltip() : QString());
    update();
}

void CSplashWidget::Show(int milliseconds)
{
    if (m_fade)
        m_fade->stop();
    if (milliseconds <= 0)
    {
        m_opacity = 1;
        update();
        return;
    }
    m_opacity = 0;
    auto* fade = new QVariantAnimation(this); // owned by this window
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setDuration(milliseconds);
    fade->setEasingCurve(QEasingCurve::OutCubic);
    connect(fade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value)
            {
                m_opacity = value.toReal();
                update();
            });
    m_fade = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void CSplashWidget::paintEvent(QPaintEvent*)
{
    if (!m_splash || m_opacity <= 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(m_opacity);

    const qreal side = std::min(width(), height()) * (1 - 2 * m_padding / 100.0);
    const qreal scale = side / m_splash->Grid();
    p.translate((width() - side) / 2, (height() - side) / 2);
    p.scale(scale, scale);
    for (const SplashLayer& layer : m_splash->Layers())
    {
        if (layer.fill.alpha() > 0)
        {
            if (layer.fillBottom.alpha() > 0)
            {
                const QRectF box = layer.path.boundingRect();
                QLinearGradient gradient(box.topLeft(), box.bottomLeft());
                gradient.setColorAt(0, layer.fill);
                gradient.setColorAt(1, layer.fillBottom);
                p.fillPath(layer.path, gradient);
            }
            else
                p.fillPath(layer.path, layer.fill);
        }
        if (layer.stroke.alpha() > 0)
            p.strokePath(layer.path, QPen(layer.stroke, layer.width, Qt::SolidLine, Qt::RoundCap,
                                          Qt::RoundJoin));
    }
    if (hasFocus())
    {
        p.resetTransform();
        p.setOpacity(1);
        p.setPen(QPen(palette().color(QPalette::Highlight), 1.5, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
    }
}
