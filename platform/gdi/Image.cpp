// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gdi/Image.h"

#include "platform/gdi/BitmapPreview.h"
#include "platform/gdi/ImageObject.h"
#include "platform/kernel/Text.h"

#include <QPixmap>
#include <cstdint>

HANDLE LoadImageA(HINSTANCE, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad)
{
    if (type != IMAGE_BITMAP || !(fuLoad & LR_LOADFROMFILE) || !name || cx < 0 || cy < 0)
        return HANDLE();
    const QImage image = layer::ReadBitmapPreview(layer::NativePath(name), cx, cy);
    if (image.isNull())
        return HANDLE();
    return handle_cast<HANDLE>(layer::CreateBitmapHandle(QPixmap::fromImage(image)));
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits)
{
    if (nWidth <= 0 || nHeight <= 0 || nWidth > (1 << 24) || nHeight > (1 << 24) || nPlanes != 1 ||
        nBitCount != 32 || !lpBits)
        return HBITMAP();
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    if (image.isNull())
        return HBITMAP();
    // The top byte of each pixel is unused, as on Windows.
    const auto* source = static_cast<const std::uint32_t*>(lpBits);
    for (int y = 0; y < nHeight; ++y)
    {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < nWidth; ++x)
            row[x] = *source++ | 0xFF000000u;
    }
    return layer::CreateBitmapHandle(QPixmap::fromImage(image));
}
