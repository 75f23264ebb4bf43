// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/StealthPicture.h"

#include "engine/BitmapDecoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <stdexcept>

struct StealthPicture::Kept
{
    bool gamma = false;
    png_fixed_point gammaValue = 0;
    bool srgb = false;
    int intent = 0;
    bool chrm = false;
    std::array<png_fixed_point, 8> chromaticities{};
    bool iccp = false;
    std::string iccName;
    std::vector<std::uint8_t> profile;
    bool phys = false;
    png_uint_32 xPerUnit = 0, yPerUnit = 0;
    int unit = 0;
};

namespace
{

// Beyond this many values (a 16384 x 16384 RGBA picture) a file is refused before its pixels
// are allocated: compressed data can claim far more than its own size.
constexpr std::uint64_t MAX_VALUES = std::uint64_t{1} << 30;

// libpng reports errors with longjmp, so the functions that call into it keep nothing with a
// destructor on their own stack; everything lives in these states.
struct PngState
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    bool writing = false;
    std::string error;

    std::span<const std::uint8_t> file;
    std::size_t offset = 0;
    std::vector<std::uint8_t>* out = nullptr;

    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    std::size_t channels = 0;
    std::vector<png_bytep> rows;

    ~PngState()
    {
        if (png && writing)
        {
            png_destroy_write_struct(&png, info ? &info : nullptr);
        }
        else if (png)
        {
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        }
    }
};

void OnError(png_structp png, png_const_charp message)
{
    static_cast<PngState*>(png_get_error_ptr(png))->error = message ? message : "broken PNG data";
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, std::size_t length)
{
    auto* s = static_cast<PngState*>(png_get_io_ptr(png));
    if (length > s->file.size() - s->offset)
    {
        png_error(png, "the file ends before the picture does");
    }
    std::memcpy(out, s->file.data() + s->offset, length);
    s->offset += length;
}

void OnWrite(png_structp png, png_bytep data, std::size_t length)
{
    auto* s = static_cast<PngState*>(png_get_io_ptr(png));
    s->out->insert(s->out->end(), data, data + length);
}

void OnFlush(png_structp) {}

// Reads the header and the chunks kept, and sets the reading to 8-bit values.
bool ReadHeader(PngState& s, StealthPicture::Kept& kept)
{
    if (setjmp(png_jmpbuf(s.png)))
    {
        return false;
    }
    png_set_user_limits(s.png, 1 << 24, 1 << 24);
    png_set_read_fn(s.png, &s, OnRead);
    png_read_info(s.png, s.info);
    png_get_IHDR(s.png, s.info, &s.width, &s.height, &s.bitDepth, &s.colourType, nullptr, nullptr,
                 nullptr);
    kept.gamma = png_get_gAMA_fixed(s.png, s.info, &kept.gammaValue) != 0;
    kept.srgb = png_get_sRGB(s.png, s.info, &kept.intent) != 0;
    auto& c = kept.chromaticities;
    kept.chrm = png_get_cHRM_fixed(s.png, s.info, &c[0], &c[1], &c[2], &c[3], &c[4], &c[5], &c[6],
                                   &c[7]) != 0;
    kept.phys = png_get_pHYs(s.png, s.info, &kept.xPerUnit, &kept.yPerUnit, &kept.unit) != 0;
    if (s.bitDepth == 16)
    {
        return true;
    }
    if (s.colourType == PNG_COLOR_TYPE_PALETTE)
    {
        png_set_palette_to_rgb(s.png);
    }
    if (s.colourType == PNG_COLOR_TYPE_GRAY && s.bitDepth < 8)
    {
        png_set_expand_gray_1_2_4_to_8(s.png);
    }
    if (png_get_valid(s.png, s.info, PNG_INFO_tRNS))
    {
        png_set_tRNS_to_alpha(s.png);
    }
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    s.channels = png_get_channels(s.png, s.info);
    if (png_get_bit_depth(s.png, s.info) != 8 ||
        png_get_rowbytes(s.png, s.info) != std::size_t{s.width} * s.channels)
    {
        png_error(s.png, "an unexpected pixel format");
    }
    return true;
}

bool ReadIccProfile(PngState& s, StealthPicture::Kept& kept)
{
    if (setjmp(png_jmpbuf(s.png)))
    {
        return false;
    }
    png_charp name = nullptr;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    int compression = 0;
    if (png_get_iCCP(s.png, s.info, &name, &compression, &profile, &length))
    {
        kept.iccp = true;
        kept.iccName = name;
        kept.profile.assign(profile, profile + length);
    }
    return true;
}

bool ReadImage(PngState& s)
{
    if (setjmp(png_jmpbuf(s.png)))
    {
        return false;
    }
    png_read_image(s.png, s.rows.data());
    png_read_end(s.png, nullptr);
    return true;
}

bool WriteImage(PngState& s, const StealthPicture::Kept& kept)
{
    if (setjmp(png_jmpbuf(s.png)))
    {
        return false;
    }
    png_set_write_fn(s.png, &s, OnWrite, OnFlush);
    // A colour chunk libpng finds inconsistent is left out with a warning, never a failure.
    png_set_benign_errors(s.png, 1);
    png_set_IHDR(s.png, s.info, s.width, s.height, 8, s.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (kept.gamma)
    {
        png_set_gAMA_fixed(s.png, s.info, kept.gammaValue);
    }
    const auto& c = kept.chromaticities;
    if (kept.chrm)
    {
        png_set_cHRM_fixed(s.png, s.info, c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]);
    }
    if (kept.srgb)
    {
        png_set_sRGB(s.png, s.info, kept.intent);
    }
    // A profile and the sRGB chunk do not go together; sRGB, the simpler, wins.
    if (kept.iccp && !kept.srgb)
    {
        png_set_iCCP(s.png, s.info, kept.iccName.c_str(), PNG_COMPRESSION_TYPE_BASE,
                     kept.profile.data(), static_cast<png_uint_32>(kept.profile.size()));
    }
    if (kept.phys)
    {
        png_set_pHYs(s.png, s.info, kept.xPerUnit, kept.yPerUnit, kept.unit);
    }
    png_write_info(s.png, s.info);
    png_write_image(s.png, s.rows.data());
    png_write_end(s.png, nullptr);
    return true;
}

StealthPictureRead Refuse(std::string reason, bool convertible = false)
{
    return {std::nullopt, std::move(reason), convertible};
}

StealthPictureRead ReadPng(std::span<const std::uint8_t> file)
{
    PngState s;
    s.file = file;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
    s.info = s.png ? png_create_info_struct(s.png) : nullptr;
    auto kept = std::make_shared<StealthPicture::Kept>();
    if (!s.info || !ReadHeader(s, *kept) || !ReadIccProfile(s, *kept))
    {
        return Refuse("This PNG file cannot be read: " + s.error + ".");
    }
    if (s.bitDepth == 16)
    {
        return Refuse("This PNG picture has 16 bits a channel; a stealth message needs 8-bit "
                      "values, and dropping the lower bits would change every pixel.");
    }
    if (std::uint64_t{s.width} * s.height * s.channels >= MAX_VALUES)
    {
        return Refuse("This PNG picture is too large.");
    }
    StealthPicture picture;
    picture.kind = StealthPicture::Kind::Png;
    picture.cover = {s.width, s.height, static_cast<int>(s.channels), s.channels % 2 == 0, {}};
    picture.cover.values.resize(std::size_t{s.width} * s.height * s.channels);
    s.rows.resize(s.height);
    for (png_uint_32 y = 0; y < s.height; ++y)
    {
        s.rows[y] = picture.cover.values.data() + std::size_t{y} * s.width * s.channels;
    }
    if (!ReadImage(s))
    {
        return Refuse("This PNG file's pixels cannot be read: " + s.error + ".");
    }
    picture.kept = std::move(kept);
    return {std::move(picture), {}, false};
}

StealthPictureRead ReadBitmap(std::span<const std::uint8_t> file)
{
    const ByteReader read = MemoryReader(file.data(), file.size());
    const auto size = static_cast<std::int64_t>(file.size());
    const std::optional<BitmapLayout> layout = ReadBitmapLayout(read, size);
    if (!layout || !layout->RowsInside(size))
    {
        return Refuse("This bitmap cannot be read.");
    }
    const bool classic = layout->headerSize == 40 && layout->compression == BITMAP_RGB;
    const bool grey = layout->bitsPerPixel == 8 && GreyRamp(layout->palette);
    if (!classic || !(layout->bitsPerPixel == 24 || layout->bitsPerPixel == 32 || grey))
    {
        return Refuse("A stealth message needs a classic bitmap of 24-bit or 32-bit pixels, or "
                      "8-bit grey pixels; this one must be converted first.",
                      true);
    }
    const int channels = layout->bitsPerPixel / 8;
    if (static_cast<std::uint64_t>(layout->width) * static_cast<std::uint64_t>(layout->height) *
            static_cast<std::uint64_t>(channels) >=
        MAX_VALUES)
    {
        return Refuse("This bitmap is too large.");
    }
    StealthPicture picture;
    picture.kind = StealthPicture::Kind::Bitmap;
    // The fourth byte of a 32-bit pixel is alpha, or unused: either way it never changes.
    picture.cover = {layout->width, layout->height, channels, channels == 4, {}};
    picture.file.assign(file.begin(), file.end());
    picture.pixelOffset = layout->pixelOffset;
    picture.stride = layout->stride;
    picture.bottomUp = layout->bottomUp;
    const auto rowBytes = static_cast<std::size_t>(layout->width * channels);
    picture.cover.values.resize(rowBytes * static_cast<std::size_t>(layout->height));
    for (std::int64_t y = 0; y < layout->height; ++y)
    {
        const std::int64_t stored = picture.bottomUp ? layout->height - 1 - y : y;
        std::copy_n(file.data() + picture.pixelOffset + stored * picture.stride, rowBytes,
                    picture.cover.values.data() + static_cast<std::size_t>(y) * rowBytes);
    }
    return {std::move(picture), {}, false};
}

} // namespace

bool GreyRamp(const std::vector<Argb>& palette)
{
    if (palette.size() != 256)
    {
        return false;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
    {
        if ((palette[i] & 0xFFFFFF) != (i << 16 | i << 8 | i))
        {
            return false;
        }
    }
    return true;
}

StealthPictureRead ReadStealthPicture(std::span<const std::uint8_t> file)
{
    if (file.size() >= 8 && png_sig_cmp(file.data(), 0, 8) == 0)
    {
        return ReadPng(file);
    }
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M')
    {
        return ReadBitmap(file);
    }
    return Refuse("A stealth message needs a BMP or PNG picture.");
}

std::vector<std::uint8_t> WriteStealthPicture(const StealthPicture& picture,
                                              const std::vector<std::uint8_t>& values)
{
    const StealthCover& cover = picture.cover;
    if (values.size() != cover.values.size())
    {
        throw std::invalid_argument("WriteStealthPicture: values of another shape");
    }
    const auto rowBytes = static_cast<std::size_t>(cover.width * cover.channels);
    if (picture.kind == StealthPicture::Kind::Bitmap)
    {
        std::vector<std::uint8_t> file = picture.file;
        for (std::int64_t y = 0; y < cover.height; ++y)
        {
            const std::int64_t stored = picture.bottomUp ? cover.height - 1 - y : y;
            std::copy_n(values.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes,
                        file.data() + picture.pixelOffset + stored * picture.stride);
        }
        return file;
    }

    static constexpr int TYPES[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                    PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
    std::vector<std::uint8_t> out;
    PngState s;
    s.writing = true;
    s.out = &out;
    s.width = static_cast<png_uint_32>(cover.width);
    s.height = static_cast<png_uint_32>(cover.height);
    s.colourType = TYPES[cover.channels - 1];
    s.rows.resize(s.height);
    for (png_uint_32 y = 0; y < s.height; ++y)
    {
        s.rows[y] = const_cast<png_bytep>(values.data() + std::size_t{y} * rowBytes);
    }
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
    s.info = s.png ? png_create_info_struct(s.png) : nullptr;
    static const StealthPicture::Kept none;
    if (!s.info || !WriteImage(s, picture.kept ? *picture.kept : none))
    {
        throw std::runtime_error("The PNG file could not be written: " + s.error + ".");
    }
    return out;
}
