// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures for tests: bitmaps of any layout built byte by byte, ImageMagick for the files it
// writes and as an independent decoder, and the small file helpers they share.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace pictures
{
inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline const std::uint8_t* Bytes(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// Runs a shell command line; the test fails when it does.
inline void Shell(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// ImageMagick's reading of a picture: 8-bit RGBA, rows from the top.
inline std::string MagickPixels(const std::string& path)
{
    const std::string command =
        "convert '" + path + "' -depth 8 -type TrueColorAlpha RGBA:- 2>/dev/null";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r"))
    {
        char buffer[65536];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

inline void Put16(std::string& out, std::uint32_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

constexpr std::uint32_t RGB = 0, RLE8 = 1, RLE4 = 2, BITFIELDS = 3, ALPHABITFIELDS = 6;

// A bitmap's layout, for building one by hand.
struct BmpShape
{
    int headerSize = 40; // 12 (OS/2), 40, 108 (V4), 124 (V5)
    int bpp = 24;
    std::uint32_t compression = RGB;
    // Bit-field masks: inside a V4/V5 header, or after a 40-byte one.
    std::vector<std::uint32_t> masks;
    std::vector<std::uint32_t> palette; // 0x00RRGGBB
    bool topDown = false;
    std::string trailer; // bytes after the pixels

    BmpShape Header(int size) const
    {
        return With([&](BmpShape& s) { s.headerSize = size; });
    }
    BmpShape Bits(int bits) const
    {
        return With([&](BmpShape& s) { s.bpp = bits; });
    }
    BmpShape Compression(std::uint32_t c) const
    {
        return With([&](BmpShape& s) { s.compression = c; });
    }
    BmpShape Masks(std::vector<std::uint32_t> m) const
    {
        return With([&](BmpShape& s) { s.masks = m; });
    }
    BmpShape Colours(std::vector<std::uint32_t> p) const
    {
        return With([&](BmpShape& s) { s.palette = p; });
    }
    BmpShape TopDown() const
    {
        return With([](BmpShape& s) { s.topDown = true; });
    }
    BmpShape Trailer(std::string t) const
    {
        return With([&](BmpShape& s) { s.trailer = t; });
    }

private:
    template <typename F> BmpShape With(F change) const
    {
        BmpShape copy = *this;
        change(copy);
        return copy;
    }
};

// Stored value of pixel (x, y), y from the top: a palette index, a packed 16/32-bit value,
// or 0xRRGGBB for 24 bits.
using PixelFn = std::function<std::uint32_t(int x, int y)>;

inline std::string EncodeRows(const BmpShape& shape, int width, int height, const PixelFn& pixel)
{
    std::string out;
    const int stride = (width * shape.bpp + 31) / 32 * 4;
    for (int row = 0; row < height; ++row)
    {
        const int y = shape.topDown ? row : height - 1 - row;
        if (shape.compression == RLE8 || shape.compression == RLE4)
        {
            // RLE8: runs of equal indices; RLE4: a run of two for each pair of pixels.
            for (int x = 0; x < width;)
            {
                const std::uint32_t a = pixel(x, y);
                int n = 1;
                if (shape.compression == RLE8)
                    while (x + n < width && n < 255 && pixel(x + n, y) == a)
                        ++n;
                else
                    n = x + 1 < width ? 2 : 1;
                const std::uint32_t b = n == 2 && shape.compression == RLE4 ? pixel(x + 1, y) : 0;
                out += static_cast<char>(n);
                out += static_cast<char>(shape.compression == RLE8 ? a : (a << 4 | b));
                x += n;
            }
            out += std::string("\0\0", 2);
            continue;
        }
        std::string bytes(static_cast<std::size_t>(stride), '\0');
        for (int x = 0; x < width; ++x)
        {
            const std::uint32_t v = pixel(x, y);
            if (shape.bpp < 8)
            {
                const int bit = x * shape.bpp;
                bytes[static_cast<std::size_t>(bit / 8)] |=
                    static_cast<char>(v << (8 - shape.bpp - bit % 8));
                continue;
            }
            for (int i = 0; i < shape.bpp / 8; ++i)
                bytes[static_cast<std::size_t>(x * shape.bpp / 8 + i)] =
                    static_cast<char>((v >> (8 * i)) & 0xFF);
        }
        out += bytes;
    }
    if (shape.compression == RLE8 || shape.compression == RLE4)
        out += std::string("\0\1", 2);
    return out;
}

inline std::string MakeBmp(const BmpShape& shape, int width, int height, const PixelFn& pixel)
{
    std::string info;
    if (shape.headerSize == 12)
    {
        Put32(info, 12);
        Put16(info, static_cast<std::uint32_t>(width));
        Put16(info, static_cast<std::uint32_t>(height));
        Put16(info, 1);
        Put16(info, static_cast<std::uint32_t>(shape.bpp));
    }
    else
    {
        Put32(info, static_cast<std::uint32_t>(shape.headerSize));
        Put32(info, static_cast<std::uint32_t>(width));
        Put32(info, static_cast<std::uint32_t>(shape.topDown ? -height : height));
        Put16(info, 1);
        Put16(info, static_cast<std::uint32_t>(shape.bpp));
        Put32(info, shape.compression);
        Put32(info, 0);
        Put32(info, 2835);
        Put32(info, 2835);
        Put32(info, static_cast<std::uint32_t>(shape.palette.size()));
        Put32(info, 0);
        if (shape.headerSize > 40)
        {
            for (std::size_t i = 0; i < 4; ++i)
                Put32(info, i < shape.masks.size() ? shape.masks[i] : 0);
            Put32(info, 0x73524742); // 'sRGB'
            info.resize(static_cast<std::size_t>(shape.headerSize), '\0');
        }
    }
    std::string extra;
    if (shape.headerSize == 40)
        for (const std::uint32_t mask : shape.masks)
            Put32(extra, mask);
    for (const std::uint32_t colour : shape.palette)
    {
        Put32(extra, colour);
        if (shape.headerSize == 12)
            extra.pop_back();
    }
    const std::string pixels = EncodeRows(shape, width, height, pixel);
    const auto offset = static_cast<std::uint32_t>(14 + info.size() + extra.size());
    std::string out = "BM";
    Put32(out, static_cast<std::uint32_t>(offset + pixels.size() + shape.trailer.size()));
    Put32(out, 0);
    Put32(out, offset);
    return out + info + extra + pixels + shape.trailer;
}

// A palette whose colours differ in every channel, so that any wrong index shows.
inline std::vector<std::uint32_t> Palette(int count)
{
    std::vector<std::uint32_t> out;
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<std::uint32_t>((i * 37 + 11) % 256) << 16 |
                      static_cast<std::uint32_t>((i * 91 + 5) % 256) << 8 |
                      static_cast<std::uint32_t>((i * 53 + 200) % 256));
    return out;
}

// A pattern that changes from pixel to pixel and from row to row.
inline std::uint32_t Pattern(int x, int y)
{
    return static_cast<std::uint32_t>(x * 2654435761u ^ y * 40503u ^ (x + y) * 97u);
}
} // namespace pictures
