// SPDX-License-Identifier: GPL-3.0-or-later
// The safe-byte rule on bitmaps built byte by byte: which layouts take a message as they are,
// up to which length, and what a longer one would damage.
#include "engine/CarrierInspection.h"
#include "engine/CarrierCodec.h"
#include "tests/support/PictureFiles.h"

#include <gtest/gtest.h>

using namespace pictures;

namespace
{
CarrierInspection Inspect(const std::string& file)
{
    return InspectCarrier(MemoryReader(Bytes(file), file.size()), std::int64_t(file.size()));
}

std::uint32_t Any(int x, int y)
{
    return Pattern(x, y);
}

std::string Reason(const std::string& file, std::int64_t n)
{
    const HidingVerdict verdict = Inspect(file).ForMessage(n);
    const char* plans[] = {"as is", "convert", "refuse"};
    return std::string(plans[int(verdict.plan)]) +
           (verdict.reason.empty() ? "" : ": " + verdict.reason);
}
} // namespace

TEST(CarrierInspection, ClassicAndRawTrueColourBitmapsTakeAnyMessageThatFits)
{
    const std::string files[] = {
        MakeBmp(BmpShape(), 64, 48, Any),            // the classic layout
        MakeBmp(BmpShape().Bits(32), 64, 48, Any),   // 32-bit, fourth byte unused
        MakeBmp(BmpShape().TopDown(), 64, 48, Any),  // rows from the top
        MakeBmp(BmpShape().Header(12), 64, 48, Any), // OS/2
        // 16 bits whose second byte starts a channel: bit 0 is a lowest bit in both bytes.
        MakeBmp(BmpShape().Bits(16).Compression(BITFIELDS).Masks({0x7F00, 0xE0, 0x1F}), 64, 48,
                Any),
    };
    for (const std::string& file : files)
    {
        const CarrierInspection inspection = Inspect(file);
        const std::int64_t longest = LongestMessage(std::int64_t(file.size()));
        EXPECT_EQ(inspection.format, CarrierFormat::Bitmap);
        EXPECT_EQ(Reason(file, 1), "as is");
        EXPECT_EQ(Reason(file, longest), "as is");
        EXPECT_EQ(inspection.LongestSafeMessage(), longest);
    }
}

TEST(CarrierInspection, PaletteBitmapsTakeMessagesThatStayInThePaletteOrThePadding)
{
    // 256 colours fill bytes 54 to 1077: a message's last byte is 320 + 8 * padded + 55.
    const std::string eight = MakeBmp(BmpShape().Bits(8).Colours(Palette(256)), 64, 48, Any);
    EXPECT_EQ(Reason(eight, 80), "as is");
    EXPECT_EQ(Reason(eight, 81), "convert: palette pixels");
    EXPECT_EQ(Inspect(eight).LongestSafeMessage(), 80);

    // A 1-bit picture one pixel wide uses only the top bit of each row: bit 0 is padding.
    const std::string narrow = MakeBmp(BmpShape().Bits(1).Colours(Palette(2)), 1, 3000, Any);
    EXPECT_EQ(Reason(narrow, 1000), "as is");
    const std::string wide = MakeBmp(BmpShape().Bits(1).Colours(Palette(2)), 8, 3000, Any);
    EXPECT_EQ(Reason(wide, 1), "convert: palette pixels");
    const std::string four = MakeBmp(BmpShape().Bits(4).Colours(Palette(16)), 64, 48, Any);
    EXPECT_EQ(Reason(four, 1), "convert: palette pixels");

    // Run-length data: safe while the message stays in the palette.
    const std::string rle =
        MakeBmp(BmpShape().Bits(8).Compression(RLE8).Colours(Palette(256)), 200, 100, Any);
    EXPECT_EQ(Reason(rle, 80), "as is");
    EXPECT_EQ(Reason(rle, 400), "convert: compressed pixels");
}

TEST(CarrierInspection, HeadersMasksSignificantBitsAndTrailingDataNeedConversion)
{
    const struct
    {
        const char* name;
        std::string file;
        std::string expected;
    } cases[] = {
        {"V4", MakeBmp(BmpShape().Header(108), 64, 48, Any), "convert: extended header"},
        {"V5", MakeBmp(BmpShape().Header(124), 64, 48, Any), "convert: extended header"},
        {"16-bit 5-5-5", MakeBmp(BmpShape().Bits(16), 64, 48, Any), "convert: 16-bit pixels"},
        {"32-bit 10-10-10",
         MakeBmp(BmpShape().Bits(32).Compression(BITFIELDS).Masks({0x3FF00000, 0xFFC00, 0x3FF}), 64,
                 48, Any),
         "convert: 32-bit pixels"},
        {"alpha masks after a 40-byte header",
         MakeBmp(BmpShape()
                     .Bits(32)
                     .Compression(ALPHABITFIELDS)
                     .Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
                 64, 48, Any),
         "convert: colour masks"},
        {"data after the pixels", MakeBmp(BmpShape().Trailer(std::string(10000, 'p')), 64, 2, Any),
         "convert: data after the pixels"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Reason(c.file, 400), c.expected) << c.name;

    // Alpha makes the conversion 32-bit.
    EXPECT_EQ(Inspect(cases[4].file).convertedBits, 32);
    EXPECT_EQ(Inspect(cases[0].file).convertedBits, 24);
    EXPECT_EQ(Inspect(cases[0].file).convertedSize, 54 + 64 * 3 * 48);
}

TEST(CarrierInspection, OtherFilesAreRefusedUnlessTheCodecRefusesThemFirst)
{
    std::string png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x40\0\0\0\x30\x08\x06\0\0\0", 29);
    png += std::string(4, '\0') + std::string(4000, 'z');
    const CarrierInspection inspection = Inspect(png);
    EXPECT_EQ(inspection.format, CarrierFormat::Png);
    EXPECT_TRUE(inspection.png.hasAlpha);
    EXPECT_EQ(Reason(png, 400), "convert: PNG format");
    EXPECT_EQ(inspection.convertedBits, 32);
    // Even a message that fits the PNG's own length: a PNG is never written into.
    EXPECT_EQ(Reason(png, 1), "convert: PNG format");

    const std::string jpeg = "\xFF\xD8\xFF\xE0" + std::string(4000, 'j');
    EXPECT_EQ(Reason(jpeg, 10), "refuse: JPEG format");
    const std::string text(4000, 't');
    EXPECT_EQ(Reason(text, 10), "refuse: not a picture");
    EXPECT_EQ(DamageSentence(Inspect(text), Inspect(text).ForMessage(10)),
              "This file is not a picture: hiding a message in it would damage it.");
    EXPECT_EQ(DamageSentence(inspection, inspection.ForMessage(10)),
              "Hiding a message in this picture would damage it (PNG format).");
    // Too short for the records: the codec refuses, and nothing is written.
    EXPECT_EQ(Reason(std::string(1127, 't'), 1), "as is");
    EXPECT_EQ(Reason("", 1), "as is");
}

TEST(CarrierInspection, ABitmapCutShortIsKeptAsItIsButCannotBeConverted)
{
    std::string cut = MakeBmp(BmpShape(), 64, 48, Any);
    cut.resize(3000);
    EXPECT_EQ(Reason(cut, 100), "as is") << "every byte written is a pixel byte";
    EXPECT_EQ(Inspect(cut).ConversionObstacle(), "its pixels run past the end of the file");

    std::string cutPalette = MakeBmp(BmpShape().Bits(8).Colours(Palette(256)), 64, 48, Any);
    cutPalette.resize(3000);
    EXPECT_EQ(Reason(cutPalette, 200), "refuse: palette pixels");
}
