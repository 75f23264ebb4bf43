// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/Static.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)

HBITMAP CStatic::SetBitmap(HBITMAP hBitmap)
{
    return HBITMAP(
        static_cast<std::uint32_t>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, hBitmap.value)));
}

HBITMAP CStatic::GetBitmap() const
{
    return HBITMAP(static_cast<std::uint32_t>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP)));
}

HICON CStatic::SetIcon(HICON hIcon)
{
    return HICON(static_cast<std::uint32_t>(SendMessage(STM_SETICON, hIcon.value)));
}

HICON CStatic::GetIcon() const
{
    return HICON(static_cast<std::uint32_t>(SendMessage(STM_GETICON)));
}
