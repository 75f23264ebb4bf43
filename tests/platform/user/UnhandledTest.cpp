// SPDX-License-Identifier: GPL-3.0-or-later
// What the layer does not implement shows up, once, in a debug build.
#include "platform/user/DefWindowProc.h"
#include "platform/user/WinUser.h"
#include "platform/user/WindowRecord.h"

#include <gtest/gtest.h>

#include <string>

TEST(Unhandled, WhatTheLayerLacksIsReportedOncePerPlaceAndValue)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(GetSystemMetrics(9001), 0);
    EXPECT_EQ(GetSystemMetrics(9001), 0);
    EXPECT_EQ(GetSystemMetrics(9002), 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
    // Messages whose default is to do nothing, on Windows too, are no gap.
    CWindowRecord window;
    for (const UINT msg : {WM_QUERYDRAGICON, WM_COMMAND, WM_PAINT, WM_USER + 5, WM_QUERYDRAGICON})
        EXPECT_EQ(layer::DefWindowProc(window, msg, 0, 0), 0);
    const std::string said = testing::internal::GetCapturedStderr();
#ifdef NDEBUG
    EXPECT_EQ(said, "");
#else
    EXPECT_EQ(said, "carvalet: GetSystemMetrics: index 9001 not handled\n"
                    "carvalet: GetSystemMetrics: index 9002 not handled\n"
                    "carvalet: DefWindowProc: message 0x0037 not handled\n");
#endif
}
