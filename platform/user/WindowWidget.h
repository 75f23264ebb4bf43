// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt side of a top-level window: paint, the close box and, for dialogs, the dialog
// keyboard, each turned into the message the window's procedure expects.
#pragma once

#include <QWidget>

class CWindowWidget : public QWidget
{
public:
    explicit CWindowWidget(QWidget* owner, Qt::WindowFlags flags);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool IsDialog() const;
    void PressEnter();
    void PressEscape();
    void PressHelp();
};
