// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gdi/ImageObject.h"

HICON layer::CreateIconHandle(const QIcon& icon)
{
    auto object = std::make_unique<CImageObject>();
    object->m_kind = CImageObject::Kind::Icon;
    object->m_icon = icon;
    return HICON(CHandleTable::Instance().Add(std::move(object)));
}

HBITMAP layer::CreateBitmapHandle(const QPixmap& pixmap)
{
    auto object = std::make_unique<CImageObject>();
    object->m_kind = CImageObject::Kind::Bitmap;
    object->m_pixmap = pixmap;
    return HBITMAP(CHandleTable::Instance().Add(std::move(object)));
}

const QIcon* layer::IconFromHandle(HICON hIcon)
{
    const auto* object = CHandleTable::Instance().Find<CImageObject>(hIcon);
    return object && object->m_kind == CImageObject::Kind::Icon ? &object->m_icon : nullptr;
}

const QPixmap* layer::PixmapFromHandle(HBITMAP hBitmap)
{
    const auto* object = CHandleTable::Instance().Find<CImageObject>(hBitmap);
    return object && object->m_kind == CImageObject::Kind::Bitmap ? &object->m_pixmap : nullptr;
}
