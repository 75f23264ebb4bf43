#include "platform/gdi/Image.h"

#include "platform/gdi/BitmapPreview.h"
#include "platform/gdi/ImageObject.h"
#include "platform/kernel/Text.h"

#include <QPixmap>

HANDLE LoadImageA(HINSTANCE, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad)
{
    if (type != IMAGE_BITMAP || !(fuLoad & LR_LOADFROMFILE) || !name || cx < 0 || cy < 0)
        return HANDLE();
    const QImage image = layer::ReadBitmapPreview(layer::NativePath(name), cx, cy);
    if (image.isNull())
        return HANDLE();
    return handle_cast<HANDLE>(layer::CreateBitmapHandle(QPixmap::fromImage(image)));
}
