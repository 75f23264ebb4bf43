// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CarrierInspection.h"

#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string_view>
#include <vector>

namespace
{
constexpr std::array<std::uint8_t, 8> PNG_SIGNATURE = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Chunks looked through for a transparency chunk before the image data.
constexpr int PNG_MAX_CHUNKS = 4096;
constexpr std::int64_t CLASSIC_HEADERS = BITMAP_FILE_HEADER + 40;

// The bytes the two records change: the password record's count header and payload, then
// the message's, from the first to the last byte each reaches.
struct Span
{
    std::int64_t begin;
    std::int64_t end;
};
std::array<Span, 2> TouchedSpans(std::int64_t messageLength)
{
    const auto padded = [](std::int64_t n) { return (std::max<std::int64_t>(n, 1) + 7) / 8 * 8; };
    const auto span = [&](std::int32_t slot, std::int64_t n) {
        return Span{slot - 32, slot + 8 * padded(n) + 56};
    };
    return {span(PASSWORD_SLOT, PASSWORD_RECORD_LENGTH), span(MESSAGE_SLOT, messageLength)};
}

bool Fits(std::int64_t carrierLength, std::int64_t messageLength)
{
    return carrierLength >= RequiredCarrierLength(PASSWORD_RECORD_LENGTH) &&
           carrierLength >= RequiredCarrierLength(messageLength);
}

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 |
           std::uint32_t(p[3]);
}

// Picture formats recognised by their first bytes, to name them when they are refused.
struct Magic
{
    std::string_view bytes;
    std::size_t at;
    const char* name;
};
using namespace std::string_view_literals;
constexpr Magic OTHER_PICTURES[] = {
    {"\xFF\xD8\xFF"sv, 0, "JPEG"}, {"GIF87a"sv, 0, "GIF"}, {"GIF89a"sv, 0, "GIF"},
    {"II*\0"sv, 0, "TIFF"},        {"MM\0*"sv, 0, "TIFF"}, {"WEBP"sv, 8, "WebP"},
    {"qoif"sv, 0, "QOI"},          {"8BPS"sv, 0, "PSD"},
};

bool ReadPngHeader(const ByteReader& read, std::int64_t fileSize, PngHeader& out)
{
    std::uint8_t head[33];
    if (fileSize < 33 || !read(0, sizeof head, head) ||
        !std::equal(PNG_SIGNATURE.begin(), PNG_SIGNATURE.end(), head) ||
        BigEndian32(head + 8) != 13 || std::memcmp(head + 12, "IHDR", 4) != 0)
        return false;
    out.width = BigEndian32(head + 16);
    out.height = BigEndian32(head + 20);
    out.bitDepth = head[24];
    out.colourType = head[25];
    out.interlaced = head[28] == 1;
    out.hasAlpha = out.colourType == 4 || out.colourType == 6;
    std::int64_t at = 33;
    std::uint8_t chunk[8];
    for (int i = 0; i < PNG_MAX_CHUNKS && !out.hasAlpha && read(at, sizeof chunk, chunk); ++i)
    {
        if (std::memcmp(chunk + 4, "IDAT", 4) == 0 || std::memcmp(chunk + 4, "IEND", 4) == 0)
            break;
        out.hasAlpha = std::memcmp(chunk + 4, "tRNS", 4) == 0;
        at += 12 + std::int64_t{BigEndian32(chunk)};
    }
    return out.width > 0 && out.height > 0;
}

void SetConversion(CarrierInspection& out, std::int64_t width, std::int64_t height, bool alpha)
{
    out.convertedBits = alpha ? 32 : 24;
    const std::int64_t stride = (width * out.convertedBits / 8 + 3) / 4 * 4;
    out.convertedSize = 0;
    if (width > BITMAP_MAX_DIMENSION || height > BITMAP_MAX_DIMENSION)
        return;
    const std::int64_t size = CLASSIC_HEADERS + stride * height;
    if (size <= INT32_MAX)
        out.convertedSize = size;
}

// What the byte at an offset of a bitmap is, between the points where that can change.
enum class Part
{
    Header,
    Masks,
    Profile,
    Compressed,
    Pixels,
    AfterPixels,
    Palette,
    Gap,
};

Part PartAt(const BitmapLayout& layout, std::int64_t offset)
{
    if (offset < BITMAP_FILE_HEADER + layout.headerSize)
        return Part::Header;
    if (offset >= layout.masksBegin && offset < layout.masksEnd)
        return Part::Masks;
    if (offset >= layout.profileBegin && offset < layout.profileEnd)
        return Part::Profile;
    if (offset >= layout.pixelOffset)
    {
        if (layout.RunLength())
            return Part::Compressed;
        return offset < layout.PixelsEnd() ? Part::Pixels : Part::AfterPixels;
    }
    return offset >= layout.paletteBegin && offset < layout.paletteEnd ? Part::Palette : Part::Gap;
}

const char* PartName(const BitmapLayout& layout, Part part)
{
    switch (part)
    {
    case Part::Header:
        return "extended header";
    case Part::Masks:
        return "colour masks";
    case Part::Profile:
        return "colour profile";
    case Part::Compressed:
        return "compressed pixels";
    case Part::Pixels:
        return layout.Indexed()            ? "palette pixels"
               : layout.bitsPerPixel == 16 ? "16-bit pixels"
                                           : "32-bit pixels";
    case Part::AfterPixels:
        return "data after the pixels";
    default:
        return "";
    }
}

// For 16/32-bit pixels: whether bit 0 of the pixel's byte b is the lowest bit of its channel
// or of no channel, so that changing it moves a colour by one step at most.
bool HarmlessPixelByte(const BitmapLayout& layout, int b)
{
    const std::uint32_t bit = 1u << (8 * b);
    return std::all_of(layout.masks.begin(), layout.masks.end(),
                       [bit](std::uint32_t mask) {
                           return !(mask & bit) || std::countr_zero(mask) == std::countr_zero(bit);
                       });
}

// Whether the raw pixel bytes [begin, end) are all safe.
bool PixelBytesSafe(const BitmapLayout& layout, std::int64_t begin, std::int64_t end)
{
    const int bpp = layout.bitsPerPixel;
    if (bpp == 24)
        return true;
    const std::int64_t rowBytes = layout.RowBytes();
    // Bytes of a row whose bit 0 is part of a pixel: all but the trailing bits of a 1/4-bit row.
    const std::int64_t indexedEnd = layout.width * bpp / 8;
    std::vector<bool> harmful(static_cast<std::size_t>(std::max(1, bpp / 8)), true);
    if (!layout.Indexed())
        for (int b = 0; b < bpp / 8; ++b)
            harmful[static_cast<std::size_t>(b)] = !HarmlessPixelByte(layout, b);
    if (layout.Indexed() ? indexedEnd == 0
                         : std::find(harmful.begin(), harmful.end(), true) == harmful.end())
        return true;

    for (std::int64_t row = (begin - layout.pixelOffset) / layout.stride;; ++row)
    {
        const std::int64_t rowStart = layout.pixelOffset + row * layout.stride;
        if (rowStart >= end)
            return true;
        const std::int64_t first = std::max(begin, rowStart) - rowStart;
        const std::int64_t last = std::min(end - rowStart, rowBytes);
        if (layout.Indexed())
        {
            if (first < std::min(last, indexedEnd))
                return false;
            continue;
        }
        // The pattern repeats with every pixel, so one pixel's worth of bytes settles it.
        const std::int64_t stop = std::min(last, first + bpp / 8);
        for (std::int64_t c = first; c < stop; ++c)
            if (harmful[static_cast<std::size_t>(c % (bpp / 8))])
                return false;
    }
}

HidingVerdict Verdict(HidingPlan plan, std::string reason)
{
    return HidingVerdict{plan, std::move(reason)};
}
} // namespace

std::optional<std::string> FirstUnsafeByte(const BitmapLayout& layout, std::int64_t fileSize,
                                           std::int64_t begin, std::int64_t end)
{
    begin = std::max<std::int64_t>(begin, 0);
    end = std::min(end, fileSize);
    // The points where what a byte holds can change.
    std::vector<std::int64_t> cuts = {BITMAP_FILE_HEADER + layout.headerSize,
                                      layout.masksBegin,
                                      layout.masksEnd,
                                      layout.profileBegin,
                                      layout.profileEnd,
                                      layout.pixelOffset,
                                      layout.PixelsEnd(),
                                      layout.paletteBegin,
                                      layout.paletteEnd,
                                      end};
    std::sort(cuts.begin(), cuts.end());
    for (std::int64_t at = begin; at < end;)
    {
        const std::int64_t next = *std::upper_bound(cuts.begin(), cuts.end(), at);
        const Part part = PartAt(layout, at);
        const bool safe = part == Part::Palette || part == Part::Gap ||
                          (part == Part::Pixels && PixelBytesSafe(layout, at, next));
        if (!safe)
            return PartName(layout, part);
        at = next;
    }
    return std::nullopt;
}

CarrierInspection InspectCarrier(const ByteReader& read, std::int64_t fileSize)
{
    CarrierInspection out;
    out.fileSize = fileSize;
    if (auto layout = ReadBitmapLayout(read, fileSize))
    {
        out.format = CarrierFormat::Bitmap;
        out.formatName = "BMP";
        SetConversion(out, layout->width, layout->height, layout->HasAlpha());
        // Uncompressed rows that run past the end of the file cannot be read to convert.
        if (!layout->RunLength() && !layout->RowsInside(fileSize))
            out.convertedSize = 0;
        out.bitmap = std::move(layout);
        return out;
    }
    if (ReadPngHeader(read, fileSize, out.png))
    {
        out.format = CarrierFormat::Png;
        out.formatName = "PNG";
        SetConversion(out, out.png.width, out.png.height, out.png.hasAlpha);
        return out;
    }
    std::uint8_t head[16]{};
    const std::size_t got = static_cast<std::size_t>(std::min<std::int64_t>(fileSize, 16));
    if (!read(0, got, head))
        return out;
    const std::string_view start(reinterpret_cast<const char*>(head), got);
    if (start.substr(0, 2) == "BM")
    {
        out.format = CarrierFormat::OtherBitmap;
        out.formatName = "BMP";
        return out;
    }
    for (const Magic& magic : OTHER_PICTURES)
        if (start.substr(std::min(magic.at, got), magic.bytes.size()) == magic.bytes)
        {
            out.format = CarrierFormat::OtherPicture;
            out.formatName = magic.name;
            return out;
        }
    return out;
}

std::string DamageSentence(const CarrierInspection& inspection, const HidingVerdict& verdict)
{
    if (inspection.format == CarrierFormat::Unknown)
        return "This file is not a picture: hiding a message in it would damage it.";
    return "Hiding a message in this picture would damage it (" + verdict.reason + ").";
}

HidingVerdict CarrierInspection::ForMessage(std::int64_t messageLength) const
{
    const bool fitsConverted = convertedSize > 0 && Fits(convertedSize, messageLength);
    // Too short as it is and once converted: the codec refuses, and nothing is written.
    if (messageLength <= 0 || (!Fits(fileSize, messageLength) && !fitsConverted))
        return Verdict(HidingPlan::AsIs, {});
    return Damage(messageLength);
}

HidingVerdict CarrierInspection::Damage(std::int64_t messageLength) const
{
    const HidingPlan unsafe = convertedSize > 0 ? HidingPlan::Convert : HidingPlan::Refuse;
    switch (format)
    {
    case CarrierFormat::Bitmap:
        break;
    case CarrierFormat::Png:
        return Verdict(unsafe, "PNG format");
    case CarrierFormat::OtherPicture:
        return Verdict(HidingPlan::Refuse, formatName + " format");
    case CarrierFormat::OtherBitmap:
        return Verdict(HidingPlan::Refuse, "a bitmap layout Carvalet cannot read");
    default:
        return Verdict(HidingPlan::Refuse, "not a picture");
    }
    for (const Span& span : TouchedSpans(messageLength))
        if (auto reason = FirstUnsafeByte(*bitmap, fileSize, span.begin, span.end))
            return Verdict(unsafe, std::move(*reason));
    return Verdict(HidingPlan::AsIs, {});
}

std::string CarrierInspection::ConversionObstacle() const
{
    if (convertedSize > 0)
        return {};
    if (format != CarrierFormat::Bitmap && format != CarrierFormat::Png)
        return "it is not a picture Carvalet reads";
    if (bitmap && !bitmap->RunLength() && !bitmap->RowsInside(fileSize))
        return "its pixels run past the end of the file";
    return "it is too large for a bitmap";
}

std::int64_t CarrierInspection::LongestSafeMessage() const
{
    // Safe for a message means safe for every shorter one: the changed bytes only grow.
    const auto safe = [this](std::int64_t n)
    { return Fits(fileSize, n) && Damage(n).plan == HidingPlan::AsIs; };
    std::int64_t low = 0;
    std::int64_t high = LongestMessage(fileSize);
    if (high == 0 || !safe(1))
        return 0;
    low = 1;
    while (low < high)
    {
        const std::int64_t mid = low + (high - low + 1) / 2;
        if (safe(mid))
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}
