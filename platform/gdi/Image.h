// LoadImageA: bitmaps loaded from files, scaled to the size asked for.
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;

constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_LOADFROMFILE = 0x0010;
constexpr UINT LR_CREATEDIBSECTION = 0x2000;

// Only IMAGE_BITMAP with LR_LOADFROMFILE: name is a Windows-style path. A file that is not a
// loadable bitmap gives a null handle. The bitmap belongs to the caller (DeleteObject).
HANDLE LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad);
