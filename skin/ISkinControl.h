// SPDX-License-Identifier: GPL-3.0-or-later
// The skin control's published interface. Function-table entries count from 0 with
// IUnknown's three; the program calls entries 8, 13, 14 and 15, and their places never move.
#pragma once

#include "platform/com/Com.h"

// {92AEA298-248E-45DB-97B6-A8C7CD5892E7}
inline constexpr IID IID_ISkinControl = {
    0x92AEA298, 0x248E, 0x45DB, {0x97, 0xB6, 0xA8, 0xC7, 0xCD, 0x58, 0x92, 0xE7}};

// The control's text properties, persisted in this order before the numbers.
enum SkinText : LONG
{
    SKIN_AUTHOR = 0,
    SKIN_DESCRIPTION = 1,
    SKIN_APPLICATION = 2, // when set, the window's banner shows it instead of the skin's title
    SKIN_NAME = 3,        // becomes the control window's object name
    SKIN_TAG = 4,         // free text for the container
};

// The control's numeric properties. Colours are 0x00BBGGRR.
enum SkinValue : LONG
{
    SKIN_HUE = 0, // degrees the skin's colours are turned round the colour wheel
    SKIN_BACKCOLOR = 1,
    SKIN_FORECOLOR = 2,
    SKIN_PANELCOLOR = 3,
    SKIN_PANELTEXTCOLOR = 4,
    SKIN_APPLYCOLORS = 5,    // nonzero: the four colours above replace the skin file's own
    SKIN_SKINCLIENTAREA = 6, // nonzero: the window's client area is painted, not only coloured
};

struct ISkinControl : IUnknown
{
    // 3: the loaded skin's name; S_FALSE and an empty string when none is loaded.
    virtual HRESULT GetSkinName(BSTR* name) = 0;
    // 4: why the last LoadSkinFile failed ("line 12: not a colour: #12"); empty after success.
    virtual HRESULT GetLoadError(BSTR* message) = 0;
    // 5, 6: the skin objects of the loaded skin, in file order.
    virtual HRESULT GetObjectCount(LONG* count) = 0;
    virtual HRESULT GetObjectName(LONG index, BSTR* name) = 0;
    // 7: S_OK when the loaded skin has the object, S_FALSE when not.
    virtual HRESULT HasObject(LPCWSTR name) = 0;
    // 8: loads a skin file (a Windows- or native-style path). Negative for a missing or
    // malformed file, which leaves no skin loaded.
    virtual HRESULT LoadSkinFile(BSTR path) = 0;
    // 9 to 12: the persisted properties.
    virtual HRESULT GetText(LONG which, BSTR* value) = 0;
    virtual HRESULT PutText(LONG which, LPCWSTR value) = 0;
    virtual HRESULT GetValue(LONG which, LONG* value) = 0;
    virtual HRESULT PutValue(LONG which, LONG value) = 0;
    // 13: gives a window its look; the handle travels as its 32-bit value.
    virtual HRESULT ApplySkinToWindow(DWORD hwnd) = 0;
    // 14: gives one button the look of the named skin object (label, icon, states, tooltip,
    // accessible name). TYPE_E_ELEMENTNOTFOUND when the skin has no such object.
    virtual HRESULT ApplySkinObject(HWND hwnd, LPCWSTR name) = 0;
    // 15: a line of the window's own (a count, a state) that the skin draws by the window's
    // content card, in its alert colour when `alert` is nonzero; empty text takes it away.
    // S_FALSE when the window has no skin look to draw it in.
    virtual HRESULT SetCardNote(DWORD hwnd, LPCWSTR text, LONG alert) = 0;

protected:
    ~ISkinControl() = default;
};
