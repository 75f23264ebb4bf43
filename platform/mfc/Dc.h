// SPDX-License-Identifier: GPL-3.0-or-later
// CDC: a device context, the painter a window draws with while it paints.
#pragma once

#include "platform/kernel/WinTypes.h"

class CDC
{
public:
    CDC() = default;
    virtual ~CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC;
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    BOOL DrawIcon(int x, int y, HICON hIcon);
};
