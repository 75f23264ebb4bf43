// SPDX-License-Identifier: GPL-3.0-or-later
// The class IDs the two outside controls are registered under, and the splash's dispatch IDs.
#pragma once

#include "platform/com/Com.h"

// {BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}
inline constexpr CLSID CLSID_SkinControl = {
    0xBA8C584B, 0x209C, 0x4D54, {0x8B, 0xB1, 0x8A, 0xB5, 0xF1, 0xDC, 0xA1, 0x8E}};
// {6241AF3F-2B41-41AD-A268-68CD710D34C2}
inline constexpr CLSID CLSID_SplashControl = {
    0x6241AF3F, 0x2B41, 0x41AD, {0xA2, 0x68, 0x68, 0xCD, 0x71, 0x0D, 0x34, 0xC2}};

enum SplashDispId : DISPID
{
    DISPID_SPLASH_LOADED = 1,    // property get, VT_I4: 1 when a splash file is loaded
    DISPID_SPLASH_TITLE = 2,     // property get, VT_BSTR: the loaded splash's title
    DISPID_SPLASH_SHOWN = 3,     // property get, VT_I4: 1 once ShowSplash has run
    DISPID_SPLASH_SHOW = 19,     // method ShowSplash(VT_I4 fade-in milliseconds)
    DISPID_SPLASH_LOADFILE = 22, // method LoadSplashFile(VT_BSTR path)
};
