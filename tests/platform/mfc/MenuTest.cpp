// SPDX-License-Identifier: GPL-3.0-or-later
// Menu handles and the system menu each window keeps for itself.
#include "platform/kernel/HandleTable.h"
#include "platform/mfc/Afx.h"
#include "res/Resource.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
std::vector<UINT> Ids(HMENU hMenu)
{
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(hMenu); ++i)
        ids.push_back(GetMenuItemID(hMenu, i));
    return ids;
}
} // namespace

TEST(Menu, ItemsReadBackAndADestroyedMenuIsGoneWithItsWrapper)
{
    const std::size_t live = CHandleTable::Instance().Count();
    const HMENU hMenu = CreatePopupMenu();
    CMenu* menu = CMenu::FromHandle(hMenu);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(CMenu::FromHandle(hMenu), menu) << "one wrapper per menu";
    EXPECT_TRUE(menu->AppendMenuA(MF_STRING, 7, "&Seven"));
    EXPECT_TRUE(menu->AppendMenuA(MF_SEPARATOR));
    EXPECT_FALSE(menu->AppendMenuA(MF_STRING, 8, nullptr)) << "a string item needs text";
    EXPECT_EQ(Ids(hMenu), (std::vector<UINT>{7, 0}));
    EXPECT_EQ(GetMenuItemID(hMenu, 2), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuItemID(hMenu, -1), static_cast<UINT>(-1));

    char text[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetMenuStringA(hMenu, 7, text, sizeof text, MF_BYCOMMAND), 3);
    EXPECT_STREQ(text, "&Se") << "cut and zero-terminated";
    EXPECT_EQ(GetMenuStringA(hMenu, 7, nullptr, 0, MF_BYCOMMAND), 6);
    EXPECT_EQ(GetMenuStringA(hMenu, 0, text, sizeof text, MF_BYCOMMAND), 0)
        << "a separator is not found by command";
    CString found;
    menu->GetMenuString(0, found, MF_BYPOSITION);
    EXPECT_EQ(found, "&Seven");

    EXPECT_TRUE(DestroyMenu(hMenu));
    EXPECT_EQ(CMenu::FromHandle(hMenu), nullptr);
    EXPECT_EQ(GetMenuItemCount(hMenu), -1);
    EXPECT_FALSE(AppendMenuA(hMenu, MF_STRING, 1, "stale"));
    EXPECT_FALSE(DestroyMenu(hMenu));
    EXPECT_EQ(CHandleTable::Instance().Count(), live);
}

TEST(Menu, AMenuObjectDestroysItsMenu)
{
    HMENU hMenu;
    {
        CMenu menu;
        ASSERT_TRUE(menu.CreatePopupMenu());
        hMenu = menu.m_hMenu;
        ASSERT_TRUE(CMenu::FromHandle(hMenu));
    }
    EXPECT_EQ(GetMenuItemCount(hMenu), -1);
}

TEST(SystemMenu, EachWindowHasItsOwnCopyAndRevertingDropsAppendedItems)
{
    CDialog first(IDD_ABOUTBOX), second(IDD_ABOUTBOX);
    ASSERT_TRUE(first.Create(IDD_ABOUTBOX));
    ASSERT_TRUE(second.Create(IDD_ABOUTBOX));
    const HMENU hFirst = GetSystemMenu(first.m_hWnd, FALSE);
    const std::vector<UINT> standard{SC_MOVE, 0, SC_CLOSE};
    EXPECT_EQ(Ids(hFirst), standard) << "no minimise box, no Restore or Minimise";
    EXPECT_EQ(GetSystemMenu(first.m_hWnd, FALSE), hFirst);
    EXPECT_EQ(first.GetSystemMenu(FALSE), CMenu::FromHandle(hFirst));

    first.GetSystemMenu(FALSE)->AppendMenuA(MF_STRING, 16, "&About");
    EXPECT_EQ(Ids(GetSystemMenu(second.m_hWnd, FALSE)), standard);

    EXPECT_EQ(first.GetSystemMenu(TRUE), nullptr);
    EXPECT_EQ(GetMenuItemCount(hFirst), -1) << "the copy is gone";
    EXPECT_EQ(Ids(GetSystemMenu(first.m_hWnd, FALSE)), standard);

    EXPECT_FALSE(GetSystemMenu(::GetDlgItem(first.m_hWnd, IDOK), FALSE)) << "a child has none";
    const HMENU hSecond = GetSystemMenu(second.m_hWnd, FALSE);
    second.DestroyWindow();
    EXPECT_EQ(GetMenuItemCount(hSecond), -1) << "gone with its window";
}
