// SPDX-License-Identifier: GPL-3.0-or-later
// Reads BMP files of every layout Windows and OS/2 write: 1/4/8-bit palettes, 16/24/32-bit
// pixels with or without bit-field masks, RLE4 and RLE8, and headers of 12 to 124 bytes. Bytes
// come through a reader, so a preview reads only the rows it shows and a large file need not
// be in memory. Hostile headers (absurd sizes, data beyond the file) are refused before
// anything large is allocated, and run-length data never costs more than its own length.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

// Fills out with size bytes from offset; false when they are not all there.
using ByteReader = std::function<bool(std::int64_t offset, std::size_t size, std::uint8_t* out)>;
ByteReader MemoryReader(const std::uint8_t* data, std::size_t size);

// A pixel as 0xAARRGGBB; opaque unless the picture has an alpha channel.
using Argb = std::uint32_t;

enum BitmapCompression : std::uint32_t
{
    BITMAP_RGB = 0,
    BITMAP_RLE8 = 1,
    BITMAP_RLE4 = 2,
    BITMAP_BITFIELDS = 3,
    BITMAP_ALPHABITFIELDS = 6,
};

inline constexpr std::int64_t BITMAP_FILE_HEADER = 14;
inline constexpr std::int64_t BITMAP_MAX_DIMENSION = 1 << 24;

// Where each part of a bitmap lies, as absolute file offsets.
struct BitmapLayout
{
    std::uint32_t headerSize = 0; // the info header: 12 (OS/2), 40, 52, 56, 64, 108, 124
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool bottomUp = true;
    int bitsPerPixel = 0;
    std::uint32_t compression = BITMAP_RGB;
    std::int64_t pixelOffset = 0;
    std::int64_t stride = 0; // bytes of one stored row of uncompressed pixels, padding included
    // Bit-field masks stored after a 40-byte header (empty range when there are none).
    std::int64_t masksBegin = 0;
    std::int64_t masksEnd = 0;
    // Palette entries present before the pixels (a truecolour bitmap may carry one too).
    std::int64_t paletteBegin = 0;
    std::int64_t paletteEnd = 0;
    std::vector<Argb> palette;            // decoded entries of a 1/4/8-bit bitmap
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha of 16/32-bit pixels
    // An embedded or linked colour profile (V5 headers), clamped to the file.
    std::int64_t profileBegin = 0;
    std::int64_t profileEnd = 0;
    std::int32_t xPixelsPerMetre = 0;
    std::int32_t yPixelsPerMetre = 0;

    bool RunLength() const { return compression == BITMAP_RLE8 || compression == BITMAP_RLE4; }
    bool Indexed() const { return bitsPerPixel <= 8; }
    bool HasAlpha() const { return masks[3] != 0; }
    // Pixel bytes of one row, without its padding.
    std::int64_t RowBytes() const { return (width * bitsPerPixel + 7) / 8; }
    // End of the uncompressed pixel array as declared (it may reach past the file).
    std::int64_t PixelsEnd() const { return pixelOffset + stride * height; }
    // Whether every stored row of uncompressed pixels lies inside a file of this size.
    bool RowsInside(std::int64_t fileSize) const;
};

// The layout of a BMP file, or none when it is not one this decoder reads.
std::optional<BitmapLayout> ReadBitmapLayout(const ByteReader& read, std::int64_t fileSize);

// Receives one decoded row: y counts from the top; pixels holds one value per column asked
// for, in the order asked.
using BitmapRowSink = std::function<void(std::int64_t y, const Argb* pixels)>;

// Decodes the rows (ascending, counted from the top) and columns asked for; an empty list
// stands for all of them. Rows arrive in the order the file stores them. Run-length data that
// ends early or skips pixels leaves them in palette colour 0. False when uncompressed rows lie
// outside the file or a read fails.
bool DecodeBitmap(const ByteReader& read, std::int64_t fileSize, const BitmapLayout& layout,
                  std::span<const std::int64_t> rows, std::span<const std::int64_t> columns,
                  const BitmapRowSink& sink);

// For each of target positions, the source position whose centre is nearest.
std::vector<std::int64_t> SamplePositions(std::int64_t source, int target);

// The bitmap scaled to cx by cy pixels (nearest pixel), rows from the top; none when it
// cannot be read.
std::optional<std::vector<Argb>> SampleBitmap(const ByteReader& read, std::int64_t fileSize,
                                              const BitmapLayout& layout, int cx, int cy);
