#include "Image.h"

#include "BitmapPreview.h"
#include "ImageObject.h"
#include "Text.h"

#include <QPixmap>

HANDLE LoadImageA(HINSTANCE, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad)
{
    if (type != IMAGE_BITMAP || !(fuLoad & LR_LOADFROMFILE) || !name || cx < 0 || cy < 0)
        return HANDLE();
    const QImage image = AfxReadBitmapPreview(AfxNativePath(name), cx, cy);
    if (image.isNull())
        return HANDLE();
    return handle_cast<HANDLE>(AfxCreateBitmapHandle(QPixmap::fromImage(image)));
}
