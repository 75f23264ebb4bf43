// SPDX-License-Identifier: GPL-3.0-or-later
// LoadImageA's preview and CreateBitmap: the engine's decoded pixels reach the picture at the
// size asked for, from a file or from memory, and pixels in memory become a bitmap.
#include "platform/gdi/BitmapPreview.h"
#include "platform/gdi/Image.h"
#include "platform/gdi/ImageObject.h"
#include "platform/user/WinUser.h"
#include "tests/support/PictureFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pictures;

namespace
{
// Top row red, white; bottom row blue, green.
std::uint32_t Quarter(int x, int y)
{
    static const std::uint32_t colours[2][2] = {{0xFF0000, 0xFFFFFF}, {0x0000FF, 0x00FF00}};
    return colours[y][x];
}

QImage FromMemory(const std::string& file, int cx, int cy)
{
    return layer::ReadBitmapPreview(Bytes(file), file.size(), cx, cy);
}
} // namespace

TEST(BitmapPreview, ShowsTheDecodedPixelsAtTheSizeAskedForOrTheBitmapsOwn)
{
    const std::string file = MakeBmp(BmpShape(), 2, 2, Quarter);
    const QImage scaled = FromMemory(file, 330, 218);
    ASSERT_EQ(scaled.size(), QSize(330, 218));
    EXPECT_EQ(scaled.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(scaled.pixel(329, 217), qRgb(0, 255, 0));

    const QImage own = FromMemory(MakeBmp(BmpShape().TopDown(), 2, 2, Quarter), 0, 0);
    ASSERT_EQ(own.size(), QSize(2, 2));
    EXPECT_EQ(own.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(own.pixel(0, 1), qRgb(0, 0, 255));

    // From a file, as LoadImageA reads it; anything but a regular file gives no picture.
    QTemporaryDir dir;
    const std::string path = dir.filePath("quarter.bmp").toStdString();
    WriteFile(path, file);
    EXPECT_EQ(layer::ReadBitmapPreview(path, 330, 218), scaled);
    const std::string fifo = dir.filePath("fifo.bmp").toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(layer::ReadBitmapPreview(fifo, 330, 218).isNull());
    EXPECT_TRUE(layer::ReadBitmapPreview(dir.filePath("missing.bmp").toStdString(), 2, 2).isNull());
}

TEST(BitmapPreview, RefusesWhatItCannotShow)
{
    EXPECT_TRUE(FromMemory(std::string(4000, 'x'), 330, 218).isNull()) << "not a bitmap";
    EXPECT_TRUE(FromMemory(MakeBmp(BmpShape(), 2, 2, Quarter), -1, 5).isNull());
    // Its own size is shown only up to a limit: this one would be 17 million pixels.
    std::string vast = MakeBmp(BmpShape().Bits(8).Compression(RLE8).Colours(Palette(2)), 1, 1,
                               [](int, int) { return 1u; });
    vast.replace(18, 8, std::string("\x00\x10\x00\x00\x01\x10\x00\x00", 8)); // 4096 x 4097
    EXPECT_TRUE(FromMemory(vast, 0, 0).isNull());
    EXPECT_FALSE(FromMemory(vast, 330, 218).isNull());
}

TEST(CreateBitmap, MakesABitmapOfThirtyTwoBitPixelsRowsFromTheTop)
{
    const std::uint32_t pixels[] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x7FFFFFFF};
    const HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, pixels);
    const QPixmap* pixmap = layer::PixmapFromHandle(bitmap);
    ASSERT_NE(pixmap, nullptr);
    const QImage image = pixmap->toImage();
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255)) << "the top byte is not alpha";
    DeleteObject(handle_cast<HGDIOBJ>(bitmap));

    EXPECT_FALSE(CreateBitmap(2, 2, 1, 24, pixels)) << "only 32 bits";
    EXPECT_FALSE(CreateBitmap(0, 2, 1, 32, pixels));
    EXPECT_FALSE(CreateBitmap(2, 2, 1, 32, nullptr));
}
