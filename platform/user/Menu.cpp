// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/Menu.h"

#include "platform/kernel/HandleTable.h"
#include "platform/user/MenuObject.h"

#include <algorithm>
#include <cstring>

namespace
{
CMenuObject* FindMenu(HMENU hMenu)
{
    return CHandleTable::Instance().Find<CMenuObject>(hMenu);
}

const CMenuItem* FindItem(HMENU hMenu, UINT uId, UINT uFlags)
{
    const CMenuObject* menu = FindMenu(hMenu);
    if (!menu)
        return nullptr;
    if (uFlags & MF_BYPOSITION)
        return uId < menu->m_items.size() ? &menu->m_items[uId] : nullptr;
    // Separators have no command to be found by.
    const auto it = std::find_if(menu->m_items.begin(), menu->m_items.end(),
                                 [uId](const CMenuItem& item)
                                 { return !(item.flags & MF_SEPARATOR) && item.id == uId; });
    return it != menu->m_items.end() ? &*it : nullptr;
}
} // namespace

CMenuObject::~CMenuObject() = default;

HMENU CreatePopupMenu()
{
    return HMENU(CHandleTable::Instance().Add(std::make_unique<CMenuObject>()));
}

BOOL IsMenu(HMENU hMenu)
{
    return FindMenu(hMenu) ? TRUE : FALSE;
}

BOOL DestroyMenu(HMENU hMenu)
{
    if (!FindMenu(hMenu))
        return FALSE;
    CHandleTable::Instance().Remove(hMenu.value);
    return TRUE;
}

BOOL AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem)
{
    CMenuObject* menu = FindMenu(hMenu);
    if (!menu)
        return FALSE;
    CMenuItem item;
    item.flags = uFlags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED);
    if (uFlags & MF_SEPARATOR)
        item.flags = MF_SEPARATOR;
    else
    {
        if (!lpNewItem)
            return FALSE;
        item.id = static_cast<UINT>(uIDNewItem);
        item.text = lpNewItem;
    }
    menu->m_items.push_back(std::move(item));
    return TRUE;
}

int GetMenuItemCount(HMENU hMenu)
{
    const CMenuObject* menu = FindMenu(hMenu);
    return menu ? static_cast<int>(menu->m_items.size()) : -1;
}

UINT GetMenuItemID(HMENU hMenu, int nPos)
{
    if (nPos < 0)
        return static_cast<UINT>(-1);
    const CMenuItem* item = FindItem(hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    if (!item)
        return static_cast<UINT>(-1);
    return (item->flags & MF_SEPARATOR) ? 0 : item->id;
}

int GetMenuStringA(HMENU hMenu, UINT uIDItem, LPSTR lpString, int cchMax, UINT uFlag)
{
    const CMenuItem* item = FindItem(hMenu, uIDItem, uFlag);
    if (!item)
        return 0;
    if (!lpString)
        return static_cast<int>(item->text.size());
    if (cchMax <= 0)
        return 0;
    const std::size_t n = std::min(item->text.size(), static_cast<std::size_t>(cchMax - 1));
    std::memcpy(lpString, item->text.data(), n);
    lpString[n] = '\0';
    return static_cast<int>(n);
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags)
{
    const CMenuItem* item = FindItem(hMenu, uId, uFlags);
    return item ? item->flags : static_cast<UINT>(-1);
}
