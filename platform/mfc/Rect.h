// SPDX-License-Identifier: GPL-3.0-or-later
// CRect: a RECT with its width and height.
#pragma once

#include "platform/user/WinUser.h"

class CRect : public RECT
{
public:
    CRect() = default;
    CRect(const RECT& r) : RECT(r) {}
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    operator LPRECT() { return this; }
};
