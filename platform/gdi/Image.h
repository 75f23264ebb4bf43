// SPDX-License-Identifier: GPL-3.0-or-later
// LoadImageA: bitmaps loaded from files, scaled to the size asked for; CreateBitmap: bitmaps
// from pixels in memory.
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

// A bitmap from 32-bit pixels (0x00RRGGBB, rows from the top); only one plane of 32 bits.
// The bitmap belongs to the caller (DeleteObject).
HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits);
