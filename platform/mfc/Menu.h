// SPDX-License-Identifier: GPL-3.0-or-later
// CMenu: a C++ object that owns a menu handle.
#pragma once

#include "platform/mfc/Object.h"
#include "platform/mfc/String.h"
#include "platform/user/Menu.h"

class CMenu : public CObject
{
public:
    CMenu() = default;
    // Destroys the menu it holds, as a menu object owns its menu.
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu;

    // The menu's temporary wrapper; null for a stale handle.
    static CMenu* FromHandle(HMENU hMenu);
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    BOOL CreatePopupMenu();
    BOOL DestroyMenu();
    BOOL Attach(HMENU hMenu);
    HMENU Detach();

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
    // The name the program's code uses (the ANSI entry point).
    BOOL AppendMenuA(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr)
    {
        return AppendMenu(nFlags, nIDNewItem, lpszNewItem);
    }
    UINT GetMenuItemCount() const;
    UINT GetMenuItemID(int nPos) const;
    int GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const;
    UINT GetMenuState(UINT nID, UINT nFlags) const;
};
