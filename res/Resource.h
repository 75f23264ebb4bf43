// SPDX-License-Identifier: GPL-3.0-or-later
// Resource numbers: dialog templates, controls, strings, the icon and menu commands.
#pragma once

constexpr unsigned IDM_ABOUTBOX = 0x0010;
constexpr unsigned IDD_ABOUTBOX = 100;
constexpr unsigned IDS_ABOUTBOX = 101;
constexpr unsigned IDD_MAIN = 102;
constexpr unsigned IDR_MAINFRAME = 128;
constexpr unsigned IDD_PASSWORD = 129;

constexpr int IDC_PICTURE = 1000;
constexpr int IDC_MESSAGE_EDIT = 1003;
constexpr int IDC_PAGE_TAB = 1004;
constexpr int IDC_OPEN_IMAGE = 1005;
constexpr int IDC_LOAD_TEXT = 1010;
constexpr int IDC_HIDE = 1011;
constexpr int IDC_UNHIDE = 1012;
constexpr int IDC_CONFIRM = 1013;
constexpr int IDC_PASSWORD = 1014;
constexpr int IDC_CONFIRM_LABEL = 1015;
constexpr int IDC_PASSWORD_LABEL = 1016;
constexpr int IDC_SKIN = 1019;
constexpr int IDC_SPLASH = 1020;
constexpr int IDC_IMAGE_PAGE = 1021;
constexpr int IDC_TEXT_PAGE = 1022;
constexpr int IDC_ABOUT = 1023;
constexpr int IDC_HELP_BUTTON = 1024;
constexpr int IDC_CANCEL_BUTTON = 1025;
// The password dialog's choice of how the message is hidden: the group's label, then each
// choice with its hint line.
constexpr int IDC_SEAL = 1026;
constexpr int IDC_SEAL_HINT = 1027;
constexpr int IDC_PLAIN = 1028;
constexpr int IDC_PLAIN_HINT = 1029;
constexpr int IDC_STEALTH = 1030;
constexpr int IDC_STEALTH_HINT = 1031;
constexpr int IDC_KIND_LABEL = 1032;
