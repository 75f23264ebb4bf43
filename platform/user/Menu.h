// SPDX-License-Identifier: GPL-3.0-or-later
// Menus: an HMENU names a list of items (strings with their command IDs, and separators).
//
// Linux window managers keep the title bar's menu to themselves, so every window with
// WS_SYSMENU gets a system menu of its own: Alt+Space opens it, and so does a right click on
// the top strip of a dialog's client area, where a skinned window draws its caption. It lists
// Restore, Move, Minimise (windows with a minimise box) and Close, then whatever the program
// appended; the chosen item arrives as WM_SYSCOMMAND with the item's ID.
#pragma once

#include "platform/user/WinUser.h"

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;

HMENU CreatePopupMenu();
BOOL IsMenu(HMENU hMenu);
BOOL DestroyMenu(HMENU hMenu);
// MF_STRING or MF_SEPARATOR, optionally with MF_GRAYED/MF_DISABLED. A string item needs text.
BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem);
// -1 for a handle that names no menu.
int GetMenuItemCount(HMENU hMenu);
// 0 for a separator; (UINT)-1 for a position out of range.
UINT GetMenuItemID(HMENU hMenu, int nPos);
// Copies the item's text (cut to cchMax - 1 bytes and zero-terminated); returns the bytes
// copied, or the text's length when lpString is null; 0 when there is no such item.
int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT uFlag);
// The item's MF_ flags, or (UINT)-1 when there is no such item.
UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags);

// The window's own copy of the system menu, made on first use; null for a window without
// WS_SYSMENU. bRevert TRUE throws the copy away (appended items with it) and returns null.
HMENU GetSystemMenu(HWND hWnd, BOOL bRevert);

namespace layer
{
// Opens the window's system menu with its top-left corner at a screen point and sends the
// chosen item's WM_SYSCOMMAND once it has closed. FALSE when the window has no system menu.
// The popup is a QMenu named "systemMenu"; each action's data() is its item's command ID.
BOOL TrackSystemMenu(HWND hWnd, POINT ptScreen);
// The strip at the top of a dialog's client area that opens the system menu on a right click,
// in dialog units.
constexpr int kCaptionBandDlu = 24;
// Starts watching for the keys and clicks that open system menus; the layer calls it as each
// top-level window is made.
void EnableSystemMenus();
} // namespace layer
