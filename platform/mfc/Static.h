// SPDX-License-Identifier: GPL-3.0-or-later
// CStatic: a static control; with the bitmap style it shows a bitmap at the bitmap's size.
#pragma once

#include "platform/mfc/Wnd.h"

class CStatic : public CWnd
{
    DECLARE_DYNAMIC(CStatic)

public:
    HBITMAP SetBitmap(HBITMAP hBitmap);
    HBITMAP GetBitmap() const;
    HICON SetIcon(HICON hIcon);
    HICON GetIcon() const;
};
