#include "platform/gdi/BitmapPreview.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;
constexpr std::uint32_t BI_ALPHABITFIELDS = 6;
constexpr std::int64_t kMaxDimension = 1 << 24;
// Compressed bitmaps are decoded whole by Qt; their size is capped before that.
constexpr std::int64_t kMaxCompressedPixels = 16LL * 1024 * 1024;
constexpr int kAllocationLimitMb = 96;
// Rows longer than this are read pixel by pixel instead of whole.
constexpr std::int64_t kMaxRowRead = 1 << 20;

// Reads bytes at an offset; false when they are not all there.
using ReadAt = std::function<bool(std::int64_t offset, std::size_t size, unsigned char* out)>;

std::uint32_t U32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t U16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

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
    int Value(std::uint32_t pixel) const
    {
        if (!max)
            return 0;
        return static_cast<int>((std::uint64_t((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

struct Layout
{
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool bottomUp = true;
    int bpp = 0;
    std::uint32_t compression = BI_RGB;
    std::int64_t pixelOffset = 0;
    std::int64_t stride = 0;
    std::vector<QRgb> palette;
    Channel red, green, blue;
};

bool ReadLayout(const ReadAt& read, std::int64_t fileSize, Layout& out)
{
    unsigned char head[14 + 124]{};
    if (fileSize < 26 || !read(0, 18, head) || head[0] != 'B' || head[1] != 'M')
        return false;
    out.pixelOffset = U32(head + 10);
    const std::uint32_t infoSize = U32(head + 14);
    if (infoSize < 12 || infoSize > 124 ||
        !read(14, std::min<std::size_t>(infoSize, 124), head + 14))
        return false;

    const unsigned char* info = head + 14;
    std::int64_t paletteOffset = 14 + infoSize;
    int paletteEntry = 4;
    std::uint32_t colorsUsed = 0;
    if (infoSize == 12)
    {
        out.width = U16(info + 4);
        out.height = U16(info + 6);
        out.bpp = U16(info + 10);
        paletteEntry = 3;
    }
    else
    {
        if (infoSize < 40)
            return false;
        out.width = static_cast<std::int32_t>(U32(info + 4));
        const auto height = static_cast<std::int32_t>(U32(info + 8));
        out.bottomUp = height > 0;
        out.height = height < 0 ? -std::int64_t(height) : height;
        out.bpp = U16(info + 14);
        out.compression = U32(info + 16);
        colorsUsed = U32(info + 32);
    }
    if (out.width <= 0 || out.height <= 0 || out.width > kMaxDimension ||
        out.height > kMaxDimension)
        return false;

    std::array<std::uint32_t, 3> masks{};
    const bool bitfields = out.compression == BI_BITFIELDS || out.compression == BI_ALPHABITFIELDS;
    if (bitfields)
    {
        if (out.bpp != 16 && out.bpp != 32)
            return false;
        unsigned char raw[12];
        const std::int64_t at = infoSize >= 52 ? 14 + 40 : 14 + infoSize;
        if (!read(at, sizeof raw, raw))
            return false;
        masks = {U32(raw), U32(raw + 4), U32(raw + 8)};
        if (infoSize == 40)
            paletteOffset += out.compression == BI_ALPHABITFIELDS ? 16 : 12;
    }
    else if (out.bpp == 16)
        masks = {0x7C00, 0x03E0, 0x001F};
    else if (out.bpp == 24 || out.bpp == 32)
        masks = {0xFF0000, 0x00FF00, 0x0000FF};
    out.red = Channel(masks[0]);
    out.green = Channel(masks[1]);
    out.blue = Channel(masks[2]);

    switch (out.bpp)
    {
    case 1:
    case 4:
    case 8:
    {
        const std::uint32_t full = 1u << out.bpp;
        const std::uint32_t count = colorsUsed && colorsUsed < full ? colorsUsed : full;
        std::vector<unsigned char> raw(std::size_t(count) * paletteEntry);
        // A palette cut short by the pixel data keeps only the entries before it.
        const std::int64_t room =
            std::max<std::int64_t>(0, std::min<std::int64_t>(out.pixelOffset, fileSize) -
                                          paletteOffset) /
            paletteEntry;
        const auto kept = static_cast<std::uint32_t>(std::min<std::int64_t>(count, room));
        if (kept && !read(paletteOffset, std::size_t(kept) * paletteEntry, raw.data()))
            return false;
        for (std::uint32_t i = 0; i < kept; ++i)
        {
            const unsigned char* e = raw.data() + std::size_t(i) * paletteEntry;
            out.palette.push_back(qRgb(e[2], e[1], e[0]));
        }
        break;
    }
    case 16:
    case 24:
    case 32:
        break;
    default:
        return false;
    }
    if (out.compression != BI_RGB && !bitfields && out.compression != BI_RLE8 &&
        out.compression != BI_RLE4)
        return false;

    out.stride = ((out.width * out.bpp + 31) / 32) * 4;
    return out.pixelOffset >= 14 + 12 && out.pixelOffset < fileSize;
}

bool RowsInsideFile(const Layout& layout, std::int64_t fileSize)
{
    const std::int64_t room = fileSize - layout.pixelOffset;
    const std::int64_t lastRow = (layout.width * layout.bpp + 7) / 8;
    if (layout.stride > room)
        return layout.height == 1 && lastRow <= room;
    return layout.height - 1 <= (room - lastRow) / layout.stride;
}

QRgb PixelAt(const Layout& layout, const unsigned char* row, std::int64_t x)
{
    switch (layout.bpp)
    {
    case 1:
    case 4:
    case 8:
    {
        const std::int64_t bit = x * layout.bpp;
        const int shift = 8 - layout.bpp - static_cast<int>(bit % 8);
        const unsigned index = (row[bit / 8] >> shift) & ((1u << layout.bpp) - 1);
        return index < layout.palette.size() ? layout.palette[index] : qRgb(0, 0, 0);
    }
    case 16:
    {
        const std::uint32_t v = U16(row + x * 2);
        return qRgb(layout.red.Value(v), layout.green.Value(v), layout.blue.Value(v));
    }
    case 24:
        return qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    default:
    {
        const std::uint32_t v = U32(row + x * 4);
        return qRgb(layout.red.Value(v), layout.green.Value(v), layout.blue.Value(v));
    }
    }
}

// Nearest source index for each target index, sampling at pixel centres.
std::vector<std::int64_t> Samples(std::int64_t source, int target)
{
    std::vector<std::int64_t> out(static_cast<std::size_t>(target));
    for (int i = 0; i < target; ++i)
        out[static_cast<std::size_t>(i)] = (2 * std::int64_t(i) + 1) * source / (2 * target);
    return out;
}

QImage SampleRows(const ReadAt& read, const Layout& layout, int cx, int cy)
{
    QImage image(cx, cy, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const auto columns = Samples(layout.width, cx);
    const auto rows = Samples(layout.height, cy);
    const std::int64_t bytesPerPixel = std::max(1, layout.bpp / 8);
    const std::int64_t rowBytes = (layout.width * layout.bpp + 7) / 8;
    const bool wholeRows = rowBytes <= kMaxRowRead;
    std::vector<unsigned char> row(static_cast<std::size_t>(wholeRows ? rowBytes : 8));
    for (int y = 0; y < cy; ++y)
    {
        const std::int64_t sy = rows[static_cast<std::size_t>(y)];
        const std::int64_t fileRow = layout.bottomUp ? layout.height - 1 - sy : sy;
        const std::int64_t start = layout.pixelOffset + fileRow * layout.stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (y > 0 && sy == rows[static_cast<std::size_t>(y - 1)])
        {
            std::memcpy(out, image.scanLine(y - 1), static_cast<std::size_t>(cx) * 4);
            continue;
        }
        if (wholeRows && !read(start, row.size(), row.data()))
            return {};
        for (int x = 0; x < cx; ++x)
        {
            const std::int64_t sx = columns[static_cast<std::size_t>(x)];
            if (wholeRows)
            {
                out[x] = PixelAt(layout, row.data(), sx);
                continue;
            }
            // One pixel's bytes, placed where PixelAt looks for them.
            const std::int64_t first = sx * layout.bpp / 8;
            if (!read(start + first, static_cast<std::size_t>(bytesPerPixel), row.data()))
                return {};
            const std::int64_t within = layout.bpp < 8 ? sx % (8 / layout.bpp) : 0;
            out[x] = PixelAt(layout, row.data(), within);
        }
    }
    return image;
}

QImage DecodeCompressed(QIODevice& device, const Layout& layout, int cx, int cy)
{
    if (layout.width * layout.height > kMaxCompressedPixels)
        return {};
    QImageReader reader(&device, "bmp");
    reader.setDecideFormatFromContent(false);
    reader.setAllocationLimit(kAllocationLimitMb);
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    return image.convertToFormat(QImage::Format_RGB32)
        .scaled(cx, cy, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QImage Preview(const ReadAt& read, std::int64_t fileSize, QIODevice* device, int cx, int cy)
{
    Layout layout;
    if (!ReadLayout(read, fileSize, layout))
        return {};
    if (cx == 0)
        cx = static_cast<int>(layout.width);
    if (cy == 0)
        cy = static_cast<int>(layout.height);
    if (std::int64_t(cx) * cy > kMaxOwnSizePixels)
        return {};
    if (layout.compression == BI_RLE8 || layout.compression == BI_RLE4)
        return device ? DecodeCompressed(*device, layout, cx, cy) : QImage();
    if (!RowsInsideFile(layout, fileSize))
        return {};
    return SampleRows(read, layout, cx, cy);
}
} // namespace

QImage layer::ReadBitmapPreview(const std::string& nativePath, int cx, int cy)
{
    if (cx < 0 || cy < 0)
        return {};
    const int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    struct stat st
    {
    };
    QImage image;
    // Only regular files: a pipe or a device could block or never end.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    {
        const ReadAt read = [fd](std::int64_t offset, std::size_t size, unsigned char* out)
        {
            std::size_t done = 0;
            while (done < size)
            {
                const ssize_t n = ::pread(fd, out + done, size - done, offset + done);
                if (n <= 0)
                    return false;
                done += static_cast<std::size_t>(n);
            }
            return true;
        };
        QFile file;
        if (file.open(fd, QIODevice::ReadOnly))
            image = Preview(read, st.st_size, &file, cx, cy);
    }
    ::close(fd);
    return image;
}

QImage layer::ReadBitmapPreview(const unsigned char* data, std::size_t size, int cx, int cy)
{
    if (cx < 0 || cy < 0 || !data)
        return {};
    const ReadAt read = [data, size](std::int64_t offset, std::size_t count, unsigned char* out)
    {
        if (offset < 0 || std::uint64_t(offset) > size || count > size - std::size_t(offset))
            return false;
        std::memcpy(out, data + offset, count);
        return true;
    };
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return Preview(read, static_cast<std::int64_t>(size), &buffer, cx, cy);
}
