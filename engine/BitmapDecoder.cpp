// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BitmapDecoder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace
{
// Rows longer than this are read pixel by pixel when only some columns are wanted.
constexpr std::int64_t MAX_ROW_READ = 1 << 20;
// Run-length data is read in pieces of this size.
constexpr std::size_t STREAM_BLOCK = 1 << 16;
constexpr Argb OPAQUE = 0xFF000000u;
constexpr std::uint32_t PROFILE_EMBEDDED = 0x4D424544; // 'MBED'
constexpr std::uint32_t PROFILE_LINKED = 0x4C494E4B;   // 'LINK'

std::uint32_t U32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

Argb Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a = 0xFF)
{
    return a << 24 | r << 16 | g << 8 | b;
}

// One colour channel of a 16/32-bit pixel, scaled to 0..255.
struct Channel
{
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m)
    {
        if (mask)
        {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    std::uint32_t Value(std::uint32_t pixel) const
    {
        if (!max)
            return 0;
        return static_cast<std::uint32_t>((std::uint64_t((pixel & mask) >> shift) * 255 + max / 2) /
                                          max);
    }
};

// Turns stored pixels into colours.
class PixelReader
{
public:
    explicit PixelReader(const BitmapLayout& layout)
        : m_layout(layout), m_red(layout.masks[0]), m_green(layout.masks[1]),
          m_blue(layout.masks[2]), m_alpha(layout.masks[3])
    {
    }

    Argb Index(unsigned index) const
    {
        return index < m_layout.palette.size() ? m_layout.palette[index] : OPAQUE;
    }

    Argb Direct(std::uint32_t v) const
    {
        const std::uint32_t a = m_alpha.mask ? m_alpha.Value(v) : 0xFF;
        return Rgb(m_red.Value(v), m_green.Value(v), m_blue.Value(v), a);
    }

    // Pixel x of a row whose bytes start at row.
    Argb At(const std::uint8_t* row, std::int64_t x) const
    {
        switch (m_layout.bitsPerPixel)
        {
        case 1:
        case 4:
        case 8:
        {
            const int bpp = m_layout.bitsPerPixel;
            const std::int64_t bit = x * bpp;
            const int shift = 8 - bpp - static_cast<int>(bit % 8);
            return Index((row[bit / 8] >> shift) & ((1u << bpp) - 1));
        }
        case 16:
            return Direct(U16(row + x * 2));
        case 24:
            return Rgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
        default:
            return Direct(U32(row + x * 4));
        }
    }

private:
    const BitmapLayout& m_layout;
    Channel m_red, m_green, m_blue, m_alpha;
};

// The rows asked for, in the order the file stores them, handed out as decoding passes them.
class RowPlan
{
public:
    RowPlan(const BitmapLayout& layout, std::span<const std::int64_t> rows)
        : m_layout(layout), m_all(rows.empty())
    {
        if (!m_all)
        {
            m_stored.reserve(rows.size());
            for (const std::int64_t y : rows)
                if (y >= 0 && y < layout.height)
                    m_stored.push_back(Stored(y));
            std::sort(m_stored.begin(), m_stored.end());
            m_stored.erase(std::unique(m_stored.begin(), m_stored.end()), m_stored.end());
        }
    }

    std::int64_t Count() const
    {
        return m_all ? m_layout.height : static_cast<std::int64_t>(m_stored.size());
    }
    // The nth wanted row, counted in storage order.
    std::int64_t StoredRow(std::int64_t n) const
    {
        return m_all ? n : m_stored[static_cast<std::size_t>(n)];
    }
    // Converts between storage order and rows counted from the top (its own inverse).
    std::int64_t Stored(std::int64_t y) const
    {
        return m_layout.bottomUp ? m_layout.height - 1 - y : y;
    }

private:
    const BitmapLayout& m_layout;
    bool m_all;
    std::vector<std::int64_t> m_stored;
};

// Sequential bytes of a file, read a block at a time.
class ByteStream
{
public:
    ByteStream(const ByteReader& read, std::int64_t begin, std::int64_t end)
        : m_read(read), m_next(begin), m_end(end)
    {
    }

    bool Next(std::uint8_t& byte)
    {
        if (m_at == m_buffer.size() && !Refill())
            return false;
        byte = m_buffer[m_at++];
        return true;
    }

private:
    bool Refill()
    {
        if (m_next >= m_end)
            return false;
        const auto size = static_cast<std::size_t>(
            std::min<std::int64_t>(m_end - m_next, static_cast<std::int64_t>(STREAM_BLOCK)));
        m_buffer.resize(size);
        if (!m_read(m_next, size, m_buffer.data()))
            return false;
        m_next += static_cast<std::int64_t>(size);
        m_at = 0;
        return true;
    }

    const ByteReader& m_read;
    std::int64_t m_next;
    std::int64_t m_end;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_at = 0;
};

class Decoder
{
public:
    Decoder(const ByteReader& read, std::int64_t fileSize, const BitmapLayout& layout,
            std::span<const std::int64_t> rows, std::span<const std::int64_t> columns,
            const BitmapRowSink& sink)
        : m_read(read), m_fileSize(fileSize), m_layout(layout), m_plan(layout, rows),
          m_columns(columns), m_sink(sink), m_pixels(layout),
          m_out(columns.empty() ? static_cast<std::size_t>(layout.width) : columns.size())
    {
    }

    bool Run() { return m_layout.RunLength() ? RunLength() : Uncompressed(); }

private:
    std::int64_t Column(std::size_t i) const
    {
        return m_columns.empty() ? static_cast<std::int64_t>(i) : m_columns[i];
    }

    bool Uncompressed()
    {
        if (!m_layout.RowsInside(m_fileSize))
            return false;
        const std::int64_t rowBytes = m_layout.RowBytes();
        const bool wholeRows = m_columns.empty() || rowBytes <= MAX_ROW_READ;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(wholeRows ? rowBytes : 4));
        const std::int64_t bytesPerPixel = std::max(1, m_layout.bitsPerPixel / 8);
        for (std::int64_t n = 0; n < m_plan.Count(); ++n)
        {
            const std::int64_t stored = m_plan.StoredRow(n);
            const std::int64_t start = m_layout.pixelOffset + stored * m_layout.stride;
            if (wholeRows && !m_read(start, row.size(), row.data()))
                return false;
            for (std::size_t i = 0; i < m_out.size(); ++i)
            {
                const std::int64_t x = Column(i);
                if (wholeRows)
                {
                    m_out[i] = m_pixels.At(row.data(), x);
                    continue;
                }
                // One pixel's bytes, placed where At looks for them.
                const std::int64_t first = x * m_layout.bitsPerPixel / 8;
                if (!m_read(start + first, static_cast<std::size_t>(bytesPerPixel), row.data()))
                    return false;
                const std::int64_t within =
                    m_layout.bitsPerPixel < 8 ? x % (8 / m_layout.bitsPerPixel) : 0;
                m_out[i] = m_pixels.At(row.data(), within);
            }
            m_sink(m_plan.Stored(stored), m_out.data());
        }
        return true;
    }

    // Hands out the row being decoded if it is wanted, and blank rows for those it passed.
    void Deliver(std::int64_t stored, bool hasRow)
    {
        while (m_next < m_plan.Count() && m_plan.StoredRow(m_next) <= stored)
        {
            const std::int64_t wanted = m_plan.StoredRow(m_next++);
            const bool blank = !hasRow || wanted != stored;
            for (std::size_t i = 0; i < m_out.size(); ++i)
                m_out[i] =
                    m_pixels.Index(blank ? 0 : m_indices[static_cast<std::size_t>(Column(i))]);
            m_sink(m_plan.Stored(wanted), m_out.data());
        }
    }

    // Clears what the row wrote, so that a row costs what its data wrote and no more.
    void ClearRow()
    {
        if (m_dirtyBegin < m_dirtyEnd)
            std::fill(m_indices.begin() + m_dirtyBegin, m_indices.begin() + m_dirtyEnd, 0);
        m_dirtyBegin = m_layout.width;
        m_dirtyEnd = 0;
    }

    void Put(std::int64_t& x, unsigned index)
    {
        if (x < m_layout.width)
        {
            m_indices[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(index);
            m_dirtyBegin = std::min(m_dirtyBegin, x);
            m_dirtyEnd = std::max(m_dirtyEnd, x + 1);
        }
        ++x;
    }

    bool RunLength()
    {
        const bool four = m_layout.compression == BITMAP_RLE4;
        m_indices.assign(static_cast<std::size_t>(m_layout.width), 0);
        m_dirtyBegin = m_layout.width;
        ByteStream in(m_read, m_layout.pixelOffset, m_fileSize);
        std::int64_t stored = 0;
        std::int64_t x = 0;
        std::uint8_t count = 0;
        std::uint8_t value = 0;
        while (stored < m_layout.height && in.Next(count) && in.Next(value))
        {
            if (count > 0)
            {
                // A run: the value's two nibbles alternate in RLE4.
                const std::int64_t room = std::max<std::int64_t>(0, m_layout.width - x);
                const int shown = static_cast<int>(std::min<std::int64_t>(count, room));
                for (int i = 0; i < shown; ++i)
                    Put(x, four ? (i % 2 ? value & 0x0F : value >> 4) : value);
                x += count - shown;
                continue;
            }
            if (value == 0 || value == 1) // end of line, end of bitmap
            {
                Deliver(stored, true);
                ClearRow();
                stored = value == 0 ? stored + 1 : m_layout.height;
                x = 0;
                continue;
            }
            if (value == 2) // a jump right and up
            {
                std::uint8_t dx = 0;
                std::uint8_t dy = 0;
                if (!in.Next(dx) || !in.Next(dy))
                    break;
                x += dx;
                if (dy)
                {
                    Deliver(stored, true);
                    ClearRow();
                    stored += dy;
                }
                continue;
            }
            // Absolute mode: value pixels, their bytes padded to a whole 16-bit word.
            const int bytes = four ? (value + 1) / 2 : value;
            std::uint8_t b = 0;
            for (int i = 0; i < bytes; ++i)
            {
                if (!in.Next(b))
                    break;
                if (!four)
                    Put(x, b);
                else
                {
                    Put(x, b >> 4);
                    if (2 * i + 1 < value)
                        Put(x, b & 0x0F);
                }
            }
            if (bytes % 2)
                in.Next(b);
        }
        if (stored < m_layout.height)
            Deliver(stored, true);
        Deliver(m_layout.height, false);
        return true;
    }

    const ByteReader& m_read;
    std::int64_t m_fileSize;
    const BitmapLayout& m_layout;
    RowPlan m_plan;
    std::span<const std::int64_t> m_columns;
    const BitmapRowSink& m_sink;
    PixelReader m_pixels;
    std::vector<Argb> m_out;
    // Run-length decoding: the current row's palette indices and the part written so far.
    std::vector<std::uint8_t> m_indices;
    std::int64_t m_dirtyBegin = 0;
    std::int64_t m_dirtyEnd = 0;
    std::int64_t m_next = 0;
};

bool ReadMasks(const ByteReader& read, const std::uint8_t* info, BitmapLayout& out)
{
    const bool alpha = out.compression == BITMAP_ALPHABITFIELDS || out.headerSize >= 56;
    const std::int64_t count = alpha ? 4 : 3;
    std::uint8_t raw[16]{};
    const std::int64_t begin = BITMAP_FILE_HEADER + 40;
    const std::int64_t end = begin + 4 * count;
    const std::int64_t headerEnd = BITMAP_FILE_HEADER + out.headerSize;
    if (headerEnd >= end)
        std::memcpy(raw, info + 40, static_cast<std::size_t>(4 * count));
    else if (!read(begin, static_cast<std::size_t>(4 * count), raw))
        return false;
    if (headerEnd < end)
    {
        out.masksBegin = std::max(begin, headerEnd);
        out.masksEnd = end;
    }
    out.masks = {U32(raw), U32(raw + 4), U32(raw + 8), alpha ? U32(raw + 12) : 0};
    return true;
}

bool ReadPalette(const ByteReader& read, std::int64_t fileSize, std::uint32_t colorsUsed, int entry,
                 BitmapLayout& out)
{
    std::uint64_t count = colorsUsed;
    if (out.Indexed())
    {
        const std::uint32_t full = 1u << out.bitsPerPixel;
        count = colorsUsed && colorsUsed < full ? colorsUsed : full;
    }
    // A palette cut short by the pixel data keeps only the entries before it.
    const std::int64_t room =
        std::max<std::int64_t>(0, std::min(out.pixelOffset, fileSize) - out.paletteBegin) / entry;
    const auto kept =
        static_cast<std::int64_t>(std::min<std::uint64_t>(count, std::uint64_t(room)));
    out.paletteEnd = out.paletteBegin + kept * entry;
    if (!out.Indexed() || kept == 0)
        return true;
    std::vector<std::uint8_t> raw(static_cast<std::size_t>(kept * entry));
    if (!read(out.paletteBegin, raw.size(), raw.data()))
        return false;
    for (std::int64_t i = 0; i < kept; ++i)
    {
        const std::uint8_t* e = raw.data() + i * entry;
        out.palette.push_back(Rgb(e[2], e[1], e[0]));
    }
    return true;
}

void ReadProfile(const std::uint8_t* info, std::int64_t fileSize, BitmapLayout& out)
{
    const std::uint32_t kind = U32(info + 56);
    if (out.headerSize < 124 || (kind != PROFILE_EMBEDDED && kind != PROFILE_LINKED))
        return;
    const std::int64_t begin = BITMAP_FILE_HEADER + U32(info + 112);
    const std::int64_t end = begin + U32(info + 116);
    out.profileBegin = std::min(begin, fileSize);
    out.profileEnd = std::min(end, fileSize);
}

bool SupportedDepth(const BitmapLayout& layout)
{
    switch (layout.compression)
    {
    case BITMAP_RGB:
        return layout.bitsPerPixel == 1 || layout.bitsPerPixel == 4 || layout.bitsPerPixel == 8 ||
               layout.bitsPerPixel == 16 || layout.bitsPerPixel == 24 || layout.bitsPerPixel == 32;
    case BITMAP_RLE8:
        return layout.bitsPerPixel == 8;
    case BITMAP_RLE4:
        return layout.bitsPerPixel == 4;
    case BITMAP_BITFIELDS:
    case BITMAP_ALPHABITFIELDS:
        // OS/2's 64-byte header gives these values other meanings (Huffman, RLE24).
        return (layout.bitsPerPixel == 16 || layout.bitsPerPixel == 32) && layout.headerSize != 64;
    default:
        return false;
    }
}
} // namespace

ByteReader MemoryReader(const std::uint8_t* data, std::size_t size)
{
    return [data, size](std::int64_t offset, std::size_t count, std::uint8_t* out)
    {
        if (offset < 0 || std::uint64_t(offset) > size || count > size - std::size_t(offset))
            return false;
        if (count)
            std::memcpy(out, data + offset, count);
        return true;
    };
}

bool BitmapLayout::RowsInside(std::int64_t fileSize) const
{
    const std::int64_t room = fileSize - pixelOffset;
    const std::int64_t lastRow = RowBytes();
    if (room < lastRow)
        return false;
    if (stride > room)
        return height == 1;
    return height - 1 <= (room - lastRow) / stride;
}

std::optional<BitmapLayout> ReadBitmapLayout(const ByteReader& read, std::int64_t fileSize)
{
    std::uint8_t head[BITMAP_FILE_HEADER + 124]{};
    if (fileSize < 26 || !read(0, 18, head) || head[0] != 'B' || head[1] != 'M')
        return std::nullopt;
    BitmapLayout out;
    out.pixelOffset = U32(head + 10);
    out.headerSize = U32(head + 14);
    if (out.headerSize < 12 || out.headerSize > 124 || !read(14, out.headerSize, head + 14))
        return std::nullopt;

    const std::uint8_t* info = head + BITMAP_FILE_HEADER;
    std::uint32_t colorsUsed = 0;
    int entry = 4;
    if (out.headerSize == 12)
    {
        out.width = U16(info + 4);
        out.height = U16(info + 6);
        out.bitsPerPixel = U16(info + 10);
        entry = 3;
    }
    else
    {
        if (out.headerSize < 40)
            return std::nullopt;
        out.width = static_cast<std::int32_t>(U32(info + 4));
        const auto height = static_cast<std::int32_t>(U32(info + 8));
        out.bottomUp = height > 0;
        out.height = height < 0 ? -std::int64_t(height) : height;
        out.bitsPerPixel = U16(info + 14);
        out.compression = U32(info + 16);
        out.xPixelsPerMetre = static_cast<std::int32_t>(U32(info + 24));
        out.yPixelsPerMetre = static_cast<std::int32_t>(U32(info + 28));
        colorsUsed = U32(info + 32);
    }
    if (out.width <= 0 || out.height <= 0 || out.width > BITMAP_MAX_DIMENSION ||
        out.height > BITMAP_MAX_DIMENSION || !SupportedDepth(out))
        return std::nullopt;
    if (out.pixelOffset < 26 || out.pixelOffset >= fileSize)
        return std::nullopt;

    out.paletteBegin = BITMAP_FILE_HEADER + out.headerSize;
    if (out.compression == BITMAP_BITFIELDS || out.compression == BITMAP_ALPHABITFIELDS)
    {
        if (!ReadMasks(read, info, out))
            return std::nullopt;
        out.paletteBegin = std::max(out.paletteBegin, out.masksEnd);
    }
    else if (out.bitsPerPixel == 16)
        out.masks = {0x7C00, 0x03E0, 0x001F, 0};
    else if (out.bitsPerPixel > 16)
        out.masks = {0xFF0000, 0x00FF00, 0x0000FF, 0};
    if (!ReadPalette(read, fileSize, colorsUsed, entry, out))
        return std::nullopt;
    ReadProfile(info, fileSize, out);
    out.stride = ((out.width * out.bitsPerPixel + 31) / 32) * 4;
    return out;
}

bool DecodeBitmap(const ByteReader& read, std::int64_t fileSize, const BitmapLayout& layout,
                  std::span<const std::int64_t> rows, std::span<const std::int64_t> columns,
                  const BitmapRowSink& sink)
{
    for (const std::int64_t x : columns)
        if (x < 0 || x >= layout.width)
            return false;
    return Decoder(read, fileSize, layout, rows, columns, sink).Run();
}

std::vector<std::int64_t> SamplePositions(std::int64_t source, int target)
{
    std::vector<std::int64_t> out(static_cast<std::size_t>(std::max(target, 0)));
    for (int i = 0; i < target; ++i)
        out[static_cast<std::size_t>(i)] = (2 * std::int64_t(i) + 1) * source / (2 * target);
    return out;
}

std::optional<std::vector<Argb>> SampleBitmap(const ByteReader& read, std::int64_t fileSize,
                                              const BitmapLayout& layout, int cx, int cy)
{
    if (cx <= 0 || cy <= 0)
        return std::nullopt;
    const std::vector<std::int64_t> columns = SamplePositions(layout.width, cx);
    const std::vector<std::int64_t> rows = SamplePositions(layout.height, cy);
    std::vector<Argb> out(static_cast<std::size_t>(cx) * static_cast<std::size_t>(cy));
    // Several target rows may show the same source row.
    const auto sink = [&](std::int64_t y, const Argb* pixels)
    {
        const auto [first, last] = std::equal_range(rows.begin(), rows.end(), y);
        for (auto it = first; it != last; ++it)
            std::copy(pixels, pixels + cx, out.begin() + (it - rows.begin()) * cx);
    };
    if (!DecodeBitmap(read, fileSize, layout, rows, columns, sink))
        return std::nullopt;
    return out;
}
