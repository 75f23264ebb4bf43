// The preview decoder on made-up bitmaps: colours land where they should in every pixel
// format, and hostile headers give no picture instead of a crash or a huge allocation.
#include "platform/gdi/BitmapPreview.h"

#include <gtest/gtest.h>
#include <string>

namespace
{
void Put16(std::string& out, std::uint32_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// A BITMAPINFOHEADER bitmap; `extra` (masks, palette) sits between header and pixels.
std::string Bmp(std::int32_t width, std::int32_t height, int bpp, std::uint32_t compression,
                const std::string& extra, const std::string& pixels)
{
    std::string out = "BM";
    Put32(out, std::uint32_t(54 + extra.size() + pixels.size()));
    Put32(out, 0);
    Put32(out, std::uint32_t(54 + extra.size()));
    Put32(out, 40);
    Put32(out, std::uint32_t(width));
    Put32(out, std::uint32_t(height));
    Put16(out, 1);
    Put16(out, std::uint32_t(bpp));
    Put32(out, compression);
    for (int i = 0; i < 5; ++i)
        Put32(out, 0);
    return out + extra + pixels;
}

QImage Decode(const std::string& file, int cx = 2, int cy = 2)
{
    return layer::ReadBitmapPreview(reinterpret_cast<const unsigned char*>(file.data()),
                                    file.size(), cx, cy);
}

// Rows of a 2 x 2 bitmap, bottom row first: blue, green / red, white (top row).
const std::string k24 = std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00", 8) +
                        std::string("\x00\x00\xFF\xFF\xFF\xFF\x00\x00", 8);
} // namespace

TEST(BitmapPreview, TwentyFourBitRowsAreReadBottomUpOrTopDown)
{
    const QImage up = Decode(Bmp(2, 2, 24, 0, "", k24));
    ASSERT_FALSE(up.isNull());
    EXPECT_EQ(up.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(up.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(up.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(up.pixel(1, 1), qRgb(0, 255, 0));

    const QImage down = Decode(Bmp(2, -2, 24, 0, "", k24));
    ASSERT_FALSE(down.isNull());
    EXPECT_EQ(down.pixel(0, 0), qRgb(0, 0, 255));

    const QImage scaled = Decode(Bmp(2, 2, 24, 0, "", k24), 330, 218);
    EXPECT_EQ(scaled.size(), QSize(330, 218));
    EXPECT_EQ(scaled.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(scaled.pixel(329, 217), qRgb(0, 255, 0));
}

TEST(BitmapPreview, PalettesAndBitFieldsGiveTheirColours)
{
    std::string palette;
    Put32(palette, 0x000000);
    Put32(palette, 0x00FF8040);
    // 1 bit: the left pixel is colour 1, the right colour 0; rows padded to 4 bytes.
    const std::string mono = Bmp(2, 1, 1, 0, palette, std::string("\x80\0\0\0", 4));
    QImage image = Decode(mono, 2, 1);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0), qRgb(0xFF, 0x80, 0x40));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 0));

    // An index beyond the palette is black, not a read past it.
    image = Decode(Bmp(1, 1, 8, 0, palette, std::string("\x07\0\0\0", 4)), 1, 1);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));

    // 16 bits as 5-6-5.
    std::string masks;
    Put32(masks, 0xF800);
    Put32(masks, 0x07E0);
    Put32(masks, 0x001F);
    image = Decode(Bmp(1, 1, 16, 3, masks, std::string("\x1F\x00\0\0", 4)), 1, 1);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
}

TEST(BitmapPreview, HostileHeadersGiveNoPicture)
{
    EXPECT_TRUE(Decode("").isNull());
    EXPECT_TRUE(Decode("BM").isNull());
    EXPECT_TRUE(Decode(std::string(4000, 'x')).isNull()) << "not a bitmap";
    EXPECT_TRUE(Decode(Bmp(0, 2, 24, 0, "", k24)).isNull());
    EXPECT_TRUE(Decode(Bmp(2, 0, 24, 0, "", k24)).isNull());
    EXPECT_TRUE(Decode(Bmp(2, INT32_MIN, 24, 0, "", k24)).isNull());
    EXPECT_TRUE(Decode(Bmp(2, 2, 7, 0, "", k24)).isNull()) << "no such depth";
    EXPECT_TRUE(Decode(Bmp(2, 2, 24, 4, "", k24)).isNull()) << "JPEG inside";
    // Dimensions far beyond the bytes present: refused before anything is read or allocated.
    EXPECT_TRUE(Decode(Bmp(INT32_MAX, INT32_MAX, 32, 0, "", k24)).isNull());
    EXPECT_TRUE(Decode(Bmp(1 << 20, 1 << 20, 24, 0, "", k24), 330, 218).isNull());
    EXPECT_TRUE(Decode(Bmp(2, 3, 24, 0, "", k24)).isNull()) << "one row missing";
    // A run-length bitmap claiming a vast size is not handed to the decoder.
    EXPECT_TRUE(Decode(Bmp(60000, 60000, 8, 1, std::string(1024, 0), std::string(2, 1))).isNull());
    // Asked for its own size, a bitmap gives it.
    EXPECT_EQ(Decode(Bmp(2, 2, 24, 0, "", k24), 0, 0).size(), QSize(2, 2));
}
