// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/Menu.h"

#include "platform/mfc/HandleMap.h"

namespace
{
bool IsLiveMenu(HMENU hMenu)
{
    return IsMenu(hMenu) != FALSE;
}

layer::CHandleMap<CMenu, HMENU, &CMenu::m_hMenu>& MenuMap()
{
    static layer::CHandleMap<CMenu, HMENU, &CMenu::m_hMenu> map(IsLiveMenu);
    return map;
}
} // namespace

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    return MenuMap().FromHandle(hMenu);
}

BOOL CMenu::CreatePopupMenu()
{
    if (m_hMenu)
        return FALSE;
    m_hMenu = ::CreatePopupMenu();
    return m_hMenu ? TRUE : FALSE;
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    const HMENU hMenu = Detach();
    return ::DestroyMenu(hMenu);
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (m_hMenu || !IsMenu(hMenu))
        return FALSE;
    m_hMenu = hMenu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    const HMENU hMenu = m_hMenu;
    m_hMenu = HMENU();
    return hMenu;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem)
{
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

UINT CMenu::GetMenuItemCount() const
{
    return static_cast<UINT>(::GetMenuItemCount(m_hMenu));
}

UINT CMenu::GetMenuItemID(int nPos) const
{
    return ::GetMenuItemID(m_hMenu, nPos);
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    const int length = ::GetMenuStringA(m_hMenu, nIDItem, nullptr, 0, nFlags);
    char* buffer = rString.GetBuffer(length + 1);
    ::GetMenuStringA(m_hMenu, nIDItem, buffer, length + 1, nFlags);
    rString.ReleaseBuffer();
    return rString.GetLength();
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const
{
    return ::GetMenuState(m_hMenu, nID, nFlags);
}
