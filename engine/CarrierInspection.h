// SPDX-License-Identifier: GPL-3.0-or-later
// What a carrier is, and whether hiding a message in it as it is would damage the picture.
//
// Hiding changes bit 0 of the bytes from 68 on, whatever they hold. A byte is safe when that
// bit cannot change what the picture shows: a palette entry's colour, a raw 24-bit pixel byte,
// a 16/32-bit pixel byte whose bit 0 is the lowest bit of its channel or of no channel at all,
// row padding (also the unused bits at the end of a 1/4-bit row), or the gap between the
// headers and the pixels. Everything else is not: header fields past the 40-byte header,
// bit-field masks, compressed data, palette indices, a colour profile, bytes after the pixels,
// and any file that is not a BMP.
#pragma once

#include "engine/BitmapDecoder.h"

#include <cstdint>
#include <optional>
#include <string>

enum class CarrierFormat
{
    Unknown,
    Bitmap,      // a BMP this program reads
    OtherBitmap, // starts like a BMP but has a layout this program does not read
    Png,
    OtherPicture, // a picture format this program does not take (JPEG, GIF, ...)
};

// The header of a PNG file.
struct PngHeader
{
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bitDepth = 0;
    int colourType = 0; // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGB + alpha
    bool interlaced = false;
    bool hasAlpha = false; // an alpha channel or a transparency chunk
};

enum class HidingPlan
{
    AsIs,    // every byte hiding changes is safe, or the codec refuses the carrier anyway
    Convert, // safe only in a classic bitmap made from the picture
    Refuse,  // not a picture this program can keep whole
};

struct HidingVerdict
{
    HidingPlan plan = HidingPlan::AsIs;
    // Plain words for what would be damaged: "compressed pixels", "PNG format", ...
    std::string reason;
};

struct CarrierInspection
{
    std::int64_t fileSize = 0;
    CarrierFormat format = CarrierFormat::Unknown;
    std::string formatName; // "BMP", "PNG", "JPEG", ...; empty when unknown
    std::optional<BitmapLayout> bitmap;
    PngHeader png;
    // The classic bitmap a conversion makes: its bits per pixel (24, or 32 with alpha) and
    // length; a length of 0 when the picture cannot be converted.
    int convertedBits = 24;
    std::int64_t convertedSize = 0;

    // Whether hiding a message of this many bytes may go ahead on the carrier as it is.
    HidingVerdict ForMessage(std::int64_t messageLength) const;
    // The same, whether or not the message fits: what hiding it would damage.
    HidingVerdict Damage(std::int64_t messageLength) const;
    // The longest message hidden in the carrier as it is without damage; 0 when none.
    std::int64_t LongestSafeMessage() const;
    // Why the carrier cannot be converted, in plain words; empty when it can.
    std::string ConversionObstacle() const;
};

// What hiding would damage, as the first sentence a user reads:
// "Hiding a message in this picture would damage it (compressed pixels)."
std::string DamageSentence(const CarrierInspection& inspection, const HidingVerdict& verdict);

CarrierInspection InspectCarrier(const ByteReader& read, std::int64_t fileSize);

// The first damaging byte among [begin, end) of a bitmap, with what it holds; none when all
// are safe. Offsets outside the file are not looked at.
std::optional<std::string> FirstUnsafeByte(const BitmapLayout& layout, std::int64_t fileSize,
                                           std::int64_t begin, std::int64_t end);
