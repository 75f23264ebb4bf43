// SPDX-License-Identifier: GPL-3.0-or-later
// Carrier inspection, the bitmap and PNG decoders and the conversion from arbitrary bytes:
// whatever a file claims, nothing reads outside its bytes, nothing hangs or allocates what the
// bytes cannot justify, and a converted picture is a classic bitmap that decodes to the same
// pixels and takes a message as it is.

#include "engine/CarrierCodec.h"
#include "engine/CarrierInspection.h"
#include "imaging/ClassicBitmap.h"
#include "imaging/PngDecoder.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{
// Pictures larger than this are inspected and sampled but not converted, to keep runs fast.
constexpr std::int64_t MAX_CONVERTED = 4 << 20;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<Argb> Decode(const ByteReader& read, std::int64_t size, const BitmapLayout& layout)
{
    std::vector<Argb> out(std::size_t(layout.width * layout.height));
    const bool ok = DecodeBitmap(read, size, layout, {}, {},
                                 [&](std::int64_t y, const Argb* row)
                                 {
                                     Check(y >= 0 && y < layout.height);
                                     std::copy(row, row + layout.width, &out[y * layout.width]);
                                 });
    return ok ? out : std::vector<Argb>{};
}

void CheckConversion(const CarrierInspection& inspection, const ByteReader& read)
{
    ClassicBitmap converted;
    try
    {
        converted = ConvertToClassicBitmap(inspection, read);
    }
    catch (const ConversionError&)
    {
        return;
    }
    Check(std::int64_t(converted.size) == inspection.convertedSize);
    const ByteReader back = MemoryReader(converted.bytes.get(), converted.size);
    const CarrierInspection classic = InspectCarrier(back, std::int64_t(converted.size));
    Check(classic.bitmap && classic.bitmap->headerSize == 40 && classic.bitmap->pixelOffset == 54);
    Check(classic.bitmap->bitsPerPixel == inspection.convertedBits);
    Check(classic.LongestSafeMessage() == LongestMessage(std::int64_t(converted.size)));
    if (!inspection.bitmap)
        return;
    // The same pixels; a 32-bit result keeps alpha in the fourth byte, which Windows ignores.
    const std::vector<Argb> before = Decode(read, inspection.fileSize, *inspection.bitmap);
    const std::vector<Argb> after = Decode(back, std::int64_t(converted.size), *classic.bitmap);
    Check(before.size() == after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        Check((before[i] & 0xFFFFFF) == (after[i] & 0xFFFFFF));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy, so that any read past the end is caught.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const ByteReader read = MemoryReader(bytes.data(), bytes.size());
    const auto length = std::int64_t(bytes.size());
    const CarrierInspection inspection = InspectCarrier(read, length);

    std::int64_t previousSafe = 1;
    for (const std::int64_t n : {1, 8, 40, 400, 4000})
    {
        const HidingVerdict verdict = inspection.ForMessage(n);
        Check(verdict.plan == HidingPlan::AsIs || !verdict.reason.empty());
        // Safe for a message means safe for every shorter one.
        const bool safe = inspection.Damage(n).plan == HidingPlan::AsIs;
        Check(!safe || previousSafe);
        previousSafe = safe;
    }
    const std::int64_t longestSafe = inspection.LongestSafeMessage();
    Check(longestSafe >= 0 && longestSafe <= LongestMessage(length));

    if (inspection.bitmap)
        SampleBitmap(read, length, *inspection.bitmap, 33, 21);
    if (inspection.format == CarrierFormat::Png)
        SamplePng(read, length, 33, 21);
    if (inspection.convertedSize > 0 && inspection.convertedSize <= MAX_CONVERTED)
        CheckConversion(inspection, read);
    return 0;
}
