// SPDX-License-Identifier: GPL-3.0-or-later
// What a menu handle names: the menu's items, in order.
#pragma once

#include "platform/kernel/HandleTable.h"
#include "platform/user/Menu.h"

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
};
