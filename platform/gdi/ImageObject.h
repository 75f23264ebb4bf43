// SPDX-License-Identifier: GPL-3.0-or-later
// What an HICON or HBITMAP names: a picture held by the layer.
#pragma once

#include "platform/kernel/WinTypes.h"

#include "platform/kernel/HandleTable.h"

#include <QIcon>
#include <QPixmap>

class CImageObject : public CHandleObject
{
public:
    enum class Kind
    {
        Icon,
        Bitmap
    };
    Kind m_kind = Kind::Bitmap;
    QIcon m_icon;
    QPixmap m_pixmap;
};

namespace layer
{
HICON CreateIconHandle(const QIcon& icon);
HBITMAP CreateBitmapHandle(const QPixmap& pixmap);
// Null for a stale handle or one of another kind.
const QIcon* IconFromHandle(HICON hIcon);
const QPixmap* PixmapFromHandle(HBITMAP hBitmap);
} // namespace layer
