// What an HICON or HBITMAP names: a picture held by the layer.
#pragma once

#include "HandleTable.h"
#include "WinUser.h"

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

HICON AfxCreateIconHandle(const QIcon& icon);
HBITMAP AfxCreateBitmapHandle(const QPixmap& pixmap);
// Null for a stale handle or one of another kind.
const QIcon* AfxIconFromHandle(HICON hIcon);
const QPixmap* AfxPixmapFromHandle(HBITMAP hBitmap);
