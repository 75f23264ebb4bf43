// SPDX-License-Identifier: GPL-3.0-or-later
// The bitmap decoder on bitmaps built byte by byte: colours land where they should in every
// layout, run-length data is followed to the pixel, and hostile headers give nothing instead
// of a crash, a hang or a huge allocation.
#include "engine/BitmapDecoder.h"
#include "tests/support/PictureFiles.h"

#include <gtest/gtest.h>

using namespace pictures;

namespace
{
// Every pixel of a bitmap, rows from the top; empty when it cannot be read.
std::vector<Argb> Pixels(const std::string& file)
{
    const ByteReader read = MemoryReader(Bytes(file), file.size());
    const auto layout = ReadBitmapLayout(read, std::int64_t(file.size()));
    if (!layout)
        return {};
    std::vector<Argb> out(std::size_t(layout->width * layout->height));
    const bool ok =
        DecodeBitmap(read, std::int64_t(file.size()), *layout, {}, {},
                     [&](std::int64_t y, const Argb* row)
                     { std::copy(row, row + layout->width, out.begin() + y * layout->width); });
    return ok ? out : std::vector<Argb>{};
}

std::optional<std::vector<Argb>> Sample(const std::string& file, int cx, int cy)
{
    const ByteReader read = MemoryReader(Bytes(file), file.size());
    const auto layout = ReadBitmapLayout(read, std::int64_t(file.size()));
    if (!layout)
        return std::nullopt;
    return SampleBitmap(read, std::int64_t(file.size()), *layout, cx, cy);
}

Argb Opaque(std::uint32_t rgb)
{
    return 0xFF000000u | rgb;
}

// The colour each layout below stores for pixel (x, y), as 0xRRGGBB.
std::uint32_t Colour(int x, int y)
{
    return Pattern(x, y) & 0xFFFFFF;
}
} // namespace

TEST(BitmapDecoder, TrueColourLayoutsGiveTheirColours)
{
    const int w = 7;
    const int h = 5;
    struct Case
    {
        const char* name;
        BmpShape shape;
        PixelFn stored;
        std::function<Argb(int, int)> expected;
    };
    const auto same = [](int x, int y) { return Opaque(Colour(x, y)); };
    const auto to565 = [](int x, int y)
    {
        const std::uint32_t c = Colour(x, y);
        return (c >> 19 & 0x1F) << 11 | (c >> 10 & 0x3F) << 5 | (c >> 3 & 0x1F);
    };
    const auto from565 = [&](int x, int y)
    {
        const std::uint32_t v = to565(x, y);
        const auto scale = [](std::uint32_t c, std::uint32_t max)
        { return (c * 255 + max / 2) / max; };
        return Opaque(scale(v >> 11, 31) << 16 | scale(v >> 5 & 0x3F, 63) << 8 |
                      scale(v & 0x1F, 31));
    };
    const auto withAlpha = [](int x, int y) { return Colour(x, y) | std::uint32_t(x * 30) << 24; };
    const Case cases[] = {
        {"24-bit bottom-up", BmpShape(), Colour, same},
        {"24-bit top-down", BmpShape().TopDown(), Colour, same},
        {"OS/2 24-bit", BmpShape().Header(12), Colour, same},
        {"32-bit, fourth byte unused", BmpShape().Bits(32), withAlpha, same},
        {"16-bit 5-6-5 bit fields",
         BmpShape().Bits(16).Compression(BITFIELDS).Masks({0xF800, 0x07E0, 0x1F}), to565, from565},
        {"V5 32-bit with alpha",
         BmpShape().Header(124).Bits(32).Compression(BITFIELDS).Masks(
             {0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
         withAlpha, withAlpha},
        {"40-byte header with alpha bit fields",
         BmpShape()
             .Bits(32)
             .Compression(ALPHABITFIELDS)
             .Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
         withAlpha, withAlpha},
    };
    for (const Case& c : cases)
    {
        const std::vector<Argb> pixels = Pixels(MakeBmp(c.shape, w, h, c.stored));
        ASSERT_EQ(pixels.size(), std::size_t(w * h)) << c.name;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(pixels[std::size_t(y * w + x)], c.expected(x, y))
                    << c.name << " at " << x << "," << y;
    }
}

TEST(BitmapDecoder, PaletteLayoutsAndRunLengthDataGiveTheirColours)
{
    const int w = 9; // odd, so that 1- and 4-bit rows end inside a byte
    const int h = 4;
    for (const auto& [bpp, compression] : std::vector<std::pair<int, std::uint32_t>>{
             {1, RGB}, {4, RGB}, {8, RGB}, {4, RLE4}, {8, RLE8}})
    {
        const int colours = 1 << bpp;
        const BmpShape shape =
            BmpShape().Bits(bpp).Compression(compression).Colours(Palette(colours));
        const auto index = [&](int x, int y) { return Pattern(x, y) % std::uint32_t(colours); };
        const std::vector<Argb> pixels = Pixels(MakeBmp(shape, w, h, index));
        ASSERT_EQ(pixels.size(), std::size_t(w * h)) << bpp << "-bit " << compression;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(pixels[std::size_t(y * w + x)], Opaque(shape.palette[index(x, y)]))
                    << bpp << "-bit " << compression << " at " << x << "," << y;
    }

    // An index beyond a short palette is black, not a read past it.
    const std::string shortPalette =
        MakeBmp(BmpShape().Bits(8).Colours(Palette(2)), 1, 1, [](int, int) { return 7u; });
    EXPECT_EQ(Pixels(shortPalette), std::vector<Argb>{Opaque(0)});
}

TEST(BitmapDecoder, RunLengthJumpsAbsoluteRunsAndEarlyEndsLeaveColourZero)
{
    // 6 x 3, bottom row first: a run of 2 of colour 1, a jump of 1 right and 1 up, an absolute
    // run of 3 (padded), end of line, a run past the right edge, then the data simply ends.
    const std::string data("\x02\x01"
                           "\x00\x02\x01\x01"
                           "\x00\x03\x02\x03\x04\x00"
                           "\x00\x00"
                           "\x09\x05",
                           16);
    std::string file = MakeBmp(BmpShape().Bits(8).Compression(RLE8).Colours(Palette(8)), 6, 3,
                               [](int, int) { return 0u; });
    file.resize(14 + 40 + 8 * 4);
    file += data;
    const std::vector<Argb> pixels = Pixels(file);
    ASSERT_EQ(pixels.size(), 18u);
    const auto p = Palette(8);
    const std::vector<std::uint32_t> expected = {5, 5, 5, 5, 5, 5,  // top: cut at the edge
                                                 0, 0, 0, 2, 3, 4,  // middle: after the jump
                                                 1, 1, 0, 0, 0, 0}; // bottom
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(pixels[i], Opaque(p[expected[i]])) << "pixel " << i;
}

TEST(BitmapDecoder, SamplingScalesToAnySizeFromAFewRowsAndColumns)
{
    const std::string file =
        MakeBmp(BmpShape(), 2, 2, [](int x, int y) { return x + y == 0 ? 0xFF0000u : 0x00FF00u; });
    const auto scaled = Sample(file, 330, 218);
    ASSERT_TRUE(scaled);
    ASSERT_EQ(scaled->size(), 330u * 218u);
    EXPECT_EQ(scaled->front(), Opaque(0xFF0000));
    EXPECT_EQ(scaled->back(), Opaque(0x00FF00));

    // A run-length bitmap claiming a vast size costs what its few bytes say, not its size.
    std::string vast = MakeBmp(BmpShape().Bits(8).Compression(RLE8).Colours(Palette(2)), 1, 1,
                               [](int, int) { return 1u; });
    vast.replace(18, 8, std::string("\x60\xEA\x00\x00\x60\xEA\x00\x00", 8)); // 60000 x 60000
    EXPECT_TRUE(Sample(vast, 330, 218));
    const ByteReader read = MemoryReader(Bytes(vast), vast.size());
    const auto layout = ReadBitmapLayout(read, std::int64_t(vast.size()));
    ASSERT_TRUE(layout);
    const std::int64_t ends[] = {0, 59999};
    std::vector<std::vector<Argb>> rows;
    ASSERT_TRUE(DecodeBitmap(read, std::int64_t(vast.size()), *layout, ends, ends,
                             [&](std::int64_t, const Argb* row)
                             { rows.emplace_back(row, row + 2); }));
    const Argb zero = Opaque(Palette(2)[0]);
    const Argb one = Opaque(Palette(2)[1]);
    EXPECT_EQ(rows, (std::vector<std::vector<Argb>>{{one, zero}, {zero, zero}}))
        << "the stored (bottom) row first, its first pixel from the data";
}

TEST(BitmapDecoder, HostileHeadersAreRefusedBeforeAnythingLargeIsRead)
{
    const auto fileOf = [](std::int32_t w, std::int32_t h, int bpp, std::uint32_t compression)
    {
        std::string file = MakeBmp(BmpShape(), 2, 2, Colour);
        std::string head;
        Put32(head, std::uint32_t(w));
        Put32(head, std::uint32_t(h));
        Put16(head, 1);
        Put16(head, std::uint32_t(bpp));
        Put32(head, compression);
        return file.replace(18, head.size(), head);
    };
    const auto refused = [](const std::string& file)
    {
        const ByteReader read = MemoryReader(Bytes(file), file.size());
        const auto layout = ReadBitmapLayout(read, std::int64_t(file.size()));
        return !layout || !SampleBitmap(read, std::int64_t(file.size()), *layout, 330, 218);
    };
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused("BM"));
    EXPECT_TRUE(refused(std::string(4000, 'x'))) << "not a bitmap";
    EXPECT_TRUE(refused(fileOf(0, 2, 24, RGB)));
    EXPECT_TRUE(refused(fileOf(2, 0, 24, RGB)));
    EXPECT_TRUE(refused(fileOf(2, INT32_MIN, 24, RGB)));
    EXPECT_TRUE(refused(fileOf(2, 2, 7, RGB))) << "no such depth";
    EXPECT_TRUE(refused(fileOf(2, 2, 24, 4))) << "JPEG inside";
    EXPECT_TRUE(refused(fileOf(2, 2, 24, RLE8))) << "run-length data needs 8 bits";
    EXPECT_TRUE(refused(fileOf(INT32_MAX, INT32_MAX, 32, RGB)));
    EXPECT_TRUE(refused(fileOf(1 << 20, 1 << 20, 24, RGB)));
    EXPECT_TRUE(refused(fileOf(2, 3, 24, RGB))) << "one row missing";
    EXPECT_FALSE(refused(fileOf(2, 2, 24, RGB)));
}
