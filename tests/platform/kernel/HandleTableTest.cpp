// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kernel/HandleTable.h"
#include "platform/gdi/ImageObject.h"
#include "platform/mfc/Wnd.h"
#include "platform/user/DefWindowProc.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowRecord.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace
{
class Probe : public CHandleObject
{
};
} // namespace

TEST(HandleTable, RemovedHandleGoesStaleAndItsSlotGetsANewValue)
{
    CHandleTable& table = CHandleTable::Instance();
    const std::uint32_t first = table.Add(std::make_unique<Probe>());
    ASSERT_NE(first, 0u);
    ASSERT_NE(table.Find<Probe>(first), nullptr);
    table.Remove(first);
    EXPECT_EQ(table.Lookup(first), nullptr);
    EXPECT_EQ(table.Remove(first), nullptr);

    const std::uint32_t second = table.Add(std::make_unique<Probe>());
    EXPECT_NE(second, first) << "a reused slot must not revive the old value";
    EXPECT_EQ(table.Lookup(first), nullptr);
    EXPECT_NE(table.Lookup(second), nullptr);
    table.Remove(second);
}

TEST(HandleTable, HandleOfOneKindDoesNotResolveAsAnother)
{
    const HICON icon = layer::CreateIconHandle(QIcon());
    EXPECT_NE(layer::IconFromHandle(icon), nullptr);
    EXPECT_EQ(layer::PixmapFromHandle(handle_cast<HBITMAP>(icon)), nullptr);
    EXPECT_EQ(WidgetFromHwnd(handle_cast<HWND>(icon)), nullptr);
    EXPECT_TRUE(DeleteObject(handle_cast<HANDLE>(icon)));
    EXPECT_EQ(layer::IconFromHandle(icon), nullptr);
}

TEST(HandleTable, WindowHandleSurvivesA32BitRoundTripAndGoesStaleWithItsWidget)
{
    auto widget = std::make_unique<QWidget>();
    const HWND hWnd = layer::RegisterWindow(widget.get(), layer::DefWindowProc, "Window").Handle();
    const std::uint32_t asInteger = hWnd.value;
    EXPECT_EQ(WidgetFromHwnd(HWND(asInteger)), widget.get());
    EXPECT_EQ(HwndFromWidget(widget.get()), hWnd);

    CWnd* wrapper = CWnd::FromHandle(hWnd);
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hWnd), wrapper) << "one wrapper per window";

    widget.reset();
    EXPECT_EQ(WidgetFromHwnd(hWnd), nullptr);
    EXPECT_EQ(CWnd::FromHandle(hWnd), nullptr);
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(PostMessageA(hWnd, WM_CLOSE, 0, 0));
    EXPECT_FALSE(ShowWindow(hWnd, SW_SHOW));
}

TEST(HandleTable, SubclassingObjectLosesItsHandleWhenTheWindowGoes)
{
    auto widget = std::make_unique<QWidget>();
    const HWND hWnd = layer::RegisterWindow(widget.get(), layer::DefWindowProc, "Window").Handle();
    CWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hWnd));
    EXPECT_EQ(CWnd::FromHandle(hWnd), &wnd);
    EXPECT_FALSE(CWnd().Attach(hWnd)) << "a window has one subclassing object";
    widget.reset();
    EXPECT_FALSE(wnd.m_hWnd);
}
