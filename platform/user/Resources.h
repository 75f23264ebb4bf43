// SPDX-License-Identifier: GPL-3.0-or-later
// Resources as data: dialog templates (one row per control, positions in dialog units),
// strings, icons and the version block. A program registers its module once at start-up;
// the layer looks resources up in it by number.
#pragma once

#include "platform/com/Com.h"
#include "platform/user/WinUser.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

struct DialogItem
{
    int id;
    // "Button", "Static", "Edit", "SysTabControl32"; null for an outside (ActiveX) control.
    const char* windowClass;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    // For an SS_ICON static, the icon's resource number written as "#128".
    const char* text;
    const CLSID* clsid = nullptr;
};

constexpr BYTE DEFAULT_CHARSET = 1;

struct DialogTemplate
{
    UINT id;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    const char* caption;
    const char* fontFace;
    WORD pointSize;
    WORD weight;
    BYTE charSet;
    std::span<const DialogItem> items;
    // Dialog-init data: records of (control ID, message, length, bytes), closed by a 16-bit 0.
    std::span<const unsigned char> initData = {};
};

struct StringResource
{
    UINT id;
    const char* text;
};

struct IconResource
{
    UINT id;
    std::span<const unsigned char> icoFile;
};

struct VersionInfo
{
    WORD fileVersion[4];
    WORD productVersion[4];
    const char* fileVersionText;
    const char* productVersionText;
    const char* companyName;
    const char* productName;
    const char* fileDescription;
    const char* legalCopyright;
};

struct ResourceModule
{
    std::span<const DialogTemplate> dialogs;
    std::span<const StringResource> strings;
    std::span<const IconResource> icons;
    const VersionInfo* version = nullptr;
};

namespace layer
{
void SetResourceModule(const ResourceModule* module);
const ResourceModule* GetResourceModule();
const DialogTemplate* FindDialogTemplate(UINT id);
// Null when the string does not exist.
const char* FindStringResource(UINT id);
const IconResource* FindIconResource(UINT id);

// Dialog units to pixels by the rule of Windows: x * baseX / 4 and y * baseY / 8, rounded.
RECT MapDialogRect(const RECT& dialogUnits, SIZE baseUnits);

// The data of `controlId`'s record in dialog-init data (records of control ID, message
// 0x0376, 32-bit length, data; closed by a 16-bit zero). nullopt when the control has no
// record, or when the data is cut short or malformed before its record is reached.
std::optional<std::span<const BYTE>> FindDialogInitRecord(std::span<const BYTE> data,
                                                          WORD controlId);
} // namespace layer
