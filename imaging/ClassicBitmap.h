// SPDX-License-Identifier: GPL-3.0-or-later
// Converts a picture to the classic bitmap the hiding format was made for: a 40-byte header,
// rows stored bottom-up, 24-bit pixels, or 32-bit BI_RGB pixels when the picture has alpha.
// Every pixel keeps its colour (channels of more or fewer than 8 bits are scaled to 8).
#pragma once

#include "engine/CarrierInspection.h"

#include <cstdint>
#include <memory>
#include <stdexcept>

struct ClassicBitmap
{
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
};

// Why a picture could not be converted, in plain words.
class ConversionError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// The carrier that inspection describes, read through read. Throws ConversionError when its
// pixels cannot be read, std::bad_alloc when there is no memory for the result.
ClassicBitmap ConvertToClassicBitmap(const CarrierInspection& inspection, const ByteReader& read);

// The header of a classic bitmap of this size and depth.
void WriteClassicHeader(std::uint8_t* out, std::int64_t width, std::int64_t height, int bits,
                        std::int32_t xPixelsPerMetre, std::int32_t yPixelsPerMetre);
