// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/ClassicBitmap.h"

#include "imaging/PngDecoder.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr std::int64_t HEADERS = BITMAP_FILE_HEADER + 40;

void Put16(std::uint8_t*& out, std::uint32_t v)
{
    *out++ = static_cast<std::uint8_t>(v);
    *out++ = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t*& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The converted picture being filled in; rows are addressed from the top.
class Target
{
public:
    Target(const CarrierInspection& inspection, std::int64_t width, std::int64_t height)
        : m_width(width), m_height(height), m_bytesPerPixel(inspection.convertedBits / 8),
          m_stride((width * m_bytesPerPixel + 3) / 4 * 4)
    {
        m_result.size = static_cast<std::size_t>(inspection.convertedSize);
        m_result.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(m_result.size);
        // Row padding is the only part no pixel writes.
        const std::int64_t used = width * m_bytesPerPixel;
        if (used < m_stride)
            for (std::int64_t y = 0; y < height; ++y)
                std::memset(Row(y) + used, 0, static_cast<std::size_t>(m_stride - used));
    }

    std::uint8_t* Row(std::int64_t y)
    {
        return m_result.bytes.get() + HEADERS + (m_height - 1 - y) * m_stride;
    }
    int BytesPerPixel() const { return m_bytesPerPixel; }

    ClassicBitmap Finish(std::int32_t xPixelsPerMetre, std::int32_t yPixelsPerMetre)
    {
        WriteClassicHeader(m_result.bytes.get(), m_width, m_height, m_bytesPerPixel * 8,
                           xPixelsPerMetre, yPixelsPerMetre);
        return std::move(m_result);
    }

private:
    std::int64_t m_width;
    std::int64_t m_height;
    int m_bytesPerPixel;
    std::int64_t m_stride;
    ClassicBitmap m_result;
};

ClassicBitmap FromBitmap(const CarrierInspection& inspection, const ByteReader& read)
{
    const BitmapLayout& layout = *inspection.bitmap;
    Target target(inspection, layout.width, layout.height);
    const int bytes = target.BytesPerPixel();
    const auto sink = [&](std::int64_t y, const Argb* pixels)
    {
        std::uint8_t* out = target.Row(y);
        for (std::int64_t x = 0; x < layout.width; ++x, out += bytes)
        {
            const Argb p = pixels[x];
            out[0] = static_cast<std::uint8_t>(p);
            out[1] = static_cast<std::uint8_t>(p >> 8);
            out[2] = static_cast<std::uint8_t>(p >> 16);
            if (bytes == 4)
                out[3] = static_cast<std::uint8_t>(p >> 24);
        }
    };
    if (!DecodeBitmap(read, inspection.fileSize, layout, {}, {}, sink))
        throw ConversionError("its pixels run past the end of the file");
    return target.Finish(layout.xPixelsPerMetre, layout.yPixelsPerMetre);
}

ClassicBitmap FromPng(const CarrierInspection& inspection, const ByteReader& read)
{
    PngDecoder decoder(read, inspection.fileSize);
    if (!decoder.ReadHeader())
        throw ConversionError(decoder.Error());
    if (decoder.Width() != inspection.png.width || decoder.Height() != inspection.png.height)
        throw ConversionError("its header changed while it was read");
    Target target(inspection, decoder.Width(), decoder.Height());
    const int bytes = target.BytesPerPixel();
    const auto sink = [&](std::int64_t y, std::int64_t xStart, std::int64_t xStep,
                          std::int64_t count, const std::uint8_t* bgra)
    {
        std::uint8_t* out = target.Row(y) + xStart * bytes;
        if (xStep == 1 && bytes == 4)
        {
            std::memcpy(out, bgra, static_cast<std::size_t>(count) * 4);
            return;
        }
        for (std::int64_t i = 0; i < count; ++i, out += xStep * bytes, bgra += 4)
            std::memcpy(out, bgra, static_cast<std::size_t>(bytes));
    };
    if (!decoder.Decode(sink))
        throw ConversionError(decoder.Error());
    const auto resolution = decoder.Resolution().value_or(std::pair{0u, 0u});
    return target.Finish(
        static_cast<std::int32_t>(std::min<std::uint32_t>(resolution.first, INT32_MAX)),
        static_cast<std::int32_t>(std::min<std::uint32_t>(resolution.second, INT32_MAX)));
}
} // namespace

void WriteClassicHeader(std::uint8_t* out, std::int64_t width, std::int64_t height, int bits,
                        std::int32_t xPixelsPerMetre, std::int32_t yPixelsPerMetre)
{
    const std::int64_t stride = (width * bits / 8 + 3) / 4 * 4;
    *out++ = 'B';
    *out++ = 'M';
    Put32(out, static_cast<std::uint32_t>(HEADERS + stride * height));
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(HEADERS));
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(bits));
    Put32(out, 0); // BI_RGB
    Put32(out, static_cast<std::uint32_t>(stride * height));
    Put32(out, static_cast<std::uint32_t>(xPixelsPerMetre));
    Put32(out, static_cast<std::uint32_t>(yPixelsPerMetre));
    Put32(out, 0);
    Put32(out, 0);
}

ClassicBitmap ConvertToClassicBitmap(const CarrierInspection& inspection, const ByteReader& read)
{
    if (const std::string obstacle = inspection.ConversionObstacle(); !obstacle.empty())
        throw ConversionError(obstacle);
    if (inspection.format == CarrierFormat::Png)
        return FromPng(inspection, read);
    return FromBitmap(inspection, read);
}
