// What a menu handle names: the menu's items, in order.
#pragma once

#include "HandleTable.h"
#include "Menu.h"

#include <memory>
#include <string>
#include <vector>

struct CMenuItem
{
    // MF_SEPARATOR, or MF_STRING with MF_GRAYED/MF_DISABLED.
    UINT flags = MF_STRING;
    UINT id = 0;
    // Bytes, with "&" before the mnemonic.
    std::string text;
};

class CMenuObject : public CHandleObject
{
public:
    ~CMenuObject() override;

    std::vector<CMenuItem> m_items;
    // The wrapper CMenu::FromHandle hands out.
    std::unique_ptr<CMenu> m_pTemporary;
};
