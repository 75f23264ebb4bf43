// SPDX-License-Identifier: GPL-3.0-or-later
// A multi-line edit keeps all four frame lines at a fractional scale. Its ctest entry runs it
// in an X server at QT_SCALE_FACTOR=1.5, and reads the pixels back from the server: what a
// user sees. At a whole scale it skips.
#include "platform/user/controls/Controls.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

namespace
{
TEST(EditFrame, AllFourLinesSurviveAFractionalScale)
{
    QWidget window;
    window.resize(301, 201);
    // Odd positions and sizes put the edges on half device pixels at 1.5x.
    const DialogItem item{
        7, "Edit", WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL, WS_EX_CLIENTEDGE, 0, 0, 0,
        0, ""};
    QWidget* edit = layer::kEditClass.make(item, &window);
    edit->setGeometry(33, 21, 151, 97);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const qreal ratio = window.devicePixelRatioF();
    if (ratio == std::floor(ratio))
        GTEST_SKIP() << "a whole scale: the style draws the frame";

    QImage shot;
    const auto interiorPainted = [&]
    {
        shot = window.screen()->grabWindow(window.winId()).toImage();
        return shot.width() > 200 && shot.pixel(100, 100) == qRgb(255, 255, 255);
    };
    ASSERT_TRUE(QTest::qWaitFor(interiorPainted)) << "the edit was never painted";
    const int left = int(std::round(33 * ratio)), top = int(std::round(21 * ratio));
    const int right = int(std::round((33 + 151) * ratio)) - 1;
    const int bottom = int(std::round((21 + 97) * ratio)) - 1;
    // Each side, sampled away from the corners and the scroll bar's arrows.
    for (int y = top + 40; y < bottom - 40; y += 7)
    {
        EXPECT_LT(qGray(shot.pixel(left, y)), 230) << "left line at " << y;
        EXPECT_LT(qGray(shot.pixel(right, y)), 230) << "right line at " << y;
    }
    for (int x = left + 10; x < right - 40; x += 7)
    {
        EXPECT_LT(qGray(shot.pixel(x, top)), 230) << "top line at " << x;
        EXPECT_LT(qGray(shot.pixel(x, bottom)), 230) << "bottom line at " << x;
    }
}
} // namespace
