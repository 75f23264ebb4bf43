// SPDX-License-Identifier: GPL-3.0-or-later
// Message maps dispatch through the class chain, without any window.
#include "platform/mfc/Wnd.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> g_calls;

class CBaseWnd : public CWnd
{
public:
    using CWnd::WindowProc;

protected:
    afx_msg void OnFirst() { g_calls.push_back("base first"); }
    afx_msg void OnPaint() { g_calls.push_back("base paint"); }
    afx_msg void OnSysCommand(UINT nID, LPARAM) { g_calls.push_back("sys " + std::to_string(nID)); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
ON_BN_CLICKED<&CBaseWnd::OnFirst>(1), ON_WM_PAINT<&CBaseWnd::OnPaint>(),
    ON_WM_SYSCOMMAND<&CBaseWnd::OnSysCommand>(),
    END_MESSAGE_MAP()

        class CDerivedWnd : public CBaseWnd
{
protected:
    afx_msg void OnFirst() { g_calls.push_back("derived first"); }
    afx_msg void OnSelChange(NMHDR* pNMHDR, LRESULT* pResult)
    {
        g_calls.push_back("notify " + std::to_string(pNMHDR->idFrom));
        *pResult = 7;
    }
    afx_msg LRESULT OnCustom(WPARAM w, LPARAM l) { return static_cast<LRESULT>(w) + l; }
    afx_msg BOOL OnHelpInfo(HELPINFO* info) { return info->iCtrlId == 42; }
    afx_msg HCURSOR OnQueryDragIcon() { return HCURSOR(0x1234); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
ON_BN_CLICKED<&CDerivedWnd::OnFirst>(1), ON_NOTIFY<&CDerivedWnd::OnSelChange>(TCN_SELCHANGE, 5),
    ON_MESSAGE<&CDerivedWnd::OnCustom>(WM_USER + 1), ON_WM_HELPINFO<&CDerivedWnd::OnHelpInfo>(),
    ON_WM_QUERYDRAGICON<&CDerivedWnd::OnQueryDragIcon>(),
    END_MESSAGE_MAP()

        class MessageMap : public ::testing::Test
{
protected:
    void SetUp() override { g_calls.clear(); }
    CDerivedWnd wnd;
};
} // namespace

TEST_F(MessageMap, DerivedEntryHidesTheBaseEntryForTheSameCommand)
{
    wnd.WindowProc(WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0);
    EXPECT_EQ(g_calls, std::vector<std::string>{"derived first"});
}

TEST_F(MessageMap, MessagesFallThroughToTheBaseClassTable)
{
    wnd.WindowProc(WM_PAINT, 0, 0);
    wnd.WindowProc(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"base paint", "sys " + std::to_string(SC_CLOSE)}));
}

TEST_F(MessageMap, UnmappedCommandsAndNotificationsReachNoHandler)
{
    EXPECT_EQ(wnd.WindowProc(WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), 0), 0);
    EXPECT_EQ(wnd.WindowProc(WM_COMMAND, MAKEWPARAM(1, 5 /* another code */), 0), 0);
    NMHDR otherCode{HWND(), 5, TCN_SELCHANGING};
    wnd.WindowProc(WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&otherCode));
    NMHDR otherControl{HWND(), 6, TCN_SELCHANGE};
    wnd.WindowProc(WM_NOTIFY, 6, reinterpret_cast<LPARAM>(&otherControl));
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(MessageMap, HandlersReceiveTheirCrackedParametersAndResults)
{
    NMHDR header{HWND(), 5, TCN_SELCHANGE};
    EXPECT_EQ(wnd.WindowProc(WM_NOTIFY, 5, reinterpret_cast<LPARAM>(&header)), 7);
    EXPECT_EQ(g_calls, std::vector<std::string>{"notify 5"});
    EXPECT_EQ(wnd.WindowProc(WM_USER + 1, 40, 2), 42);
    HELPINFO info;
    info.iCtrlId = 42;
    EXPECT_EQ(wnd.WindowProc(WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
    EXPECT_EQ(wnd.WindowProc(WM_QUERYDRAGICON, 0, 0), 0x1234);
}
