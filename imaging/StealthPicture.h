// SPDX-License-Identifier: GPL-3.0-or-later
// Picture files as the channel values a stealth message changes, and back. A classic bitmap
// (40-byte header, uncompressed 24-bit or 32-bit pixels, or 8-bit pixels over the grey ramp)
// is written back byte for byte but for the pixel values; an 8-bit PNG (grey, grey and alpha,
// RGB, RGBA; palettes become RGB or RGBA, fewer-bit grey becomes 8-bit) is written again by
// libpng with its colour type and its colour and resolution chunks, and no other chunk.
#pragma once

#include "engine/BitmapDecoder.h"
#include "engine/StealthMessage.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct StealthPicture
{
    enum class Kind
    {
        Bitmap,
        Png,
    };

    Kind kind = Kind::Bitmap;
    StealthCover cover;

    // A bitmap's own bytes, and where its pixel rows lie.
    std::vector<std::uint8_t> file;
    std::int64_t pixelOffset = 0;
    std::int64_t stride = 0;
    bool bottomUp = true;

    // A PNG's chunks that say how its values look (gAMA, cHRM, sRGB, iCCP) and its size
    // (pHYs), kept as libpng read them.
    struct Kept;
    std::shared_ptr<const Kept> kept;
};

struct StealthPictureRead
{
    std::optional<StealthPicture> picture;
    std::string refusal;      // why not, in plain words, when there is no picture
    bool convertible = false; // a bitmap of another layout, which conversion would make usable
};

StealthPictureRead ReadStealthPicture(std::span<const std::uint8_t> file);
// Whether a palette is the 256 greys a grey bitmap carries as its pixels' own values.
bool GreyRamp(const std::vector<Argb>& palette);

// The file with the picture's values replaced by values (the cover's shape). Throws
// std::runtime_error when libpng fails, std::bad_alloc without memory.
std::vector<std::uint8_t> WriteStealthPicture(const StealthPicture& picture,
                                              const std::vector<std::uint8_t>& values);
