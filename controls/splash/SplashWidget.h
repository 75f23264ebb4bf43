// SPDX-License-Identifier: GPL-3.0-or-later
// The splash control's window: the product mark, faded in when the splash is shown.
#pragma once

#include "controls/splash/SplashFile.h"
#include "platform/com/ComPtr.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QVariantAnimation;

class CSplashWidget final : public QWidget
{
    Q_OBJECT

public:
    // Keeps `control` alive as long as the window exists.
    CSplashWidget(QWidget* parent, ComPtr<IUnknown> control);

    // Nothing is drawn until Show; a null splash draws nothing at all.
    void SetSplash(std::shared_ptr<const CSplashFile> splash, bool showTooltip);
    void SetPadding(int percent) { m_padding = percent; }
    // Fades the mark in over `milliseconds`; 0 shows it at once.
    void Show(int milliseconds);
    qreal Opacity() const { return m_opacity; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ComPtr<IUnknown> m_control;
    std::shared_ptr<const CSplashFile> m_splash;
    int m_padding = 0;
    qreal m_opacity = 0;
    QPointer<QVariantAnimation> m_fade;
};
