// SPDX-License-Identifier: GPL-3.0-or-later
// Real pictures of every layout, from ImageMagick and built by hand: which ones are written
// into as they are, and which are converted; either way every pixel afterwards equals the
// original's within bit 0, read by this program's decoders and by ImageMagick alike.
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "imaging/ClassicBitmap.h"
#include "imaging/PngDecoder.h"
#include "tests/support/PictureFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pictures;

namespace
{
constexpr int W = 67; // odd, so that rows have padding
constexpr int H = 43;

struct Layout
{
    const char* name;
    // ImageMagick's arguments after the source, or empty for a bitmap built by hand.
    std::string magick;
    std::function<std::string()> build;
    HidingPlan shortMessage; // 40 bytes
    HidingPlan longMessage;  // 400 bytes
    std::string reason;      // what the long message would damage
    int convertedBits = 24;
    bool scaled = false; // channels of other than 8 bits: ImageMagick may round differently
    bool magickReads = true;
};

std::uint32_t Rgb565(int x, int y)
{
    return Pattern(x, y) & 0xFFFF;
}

std::uint32_t Rgb555(int x, int y)
{
    return Pattern(x, y) & 0x7FFF;
}

const Layout LAYOUTS[] = {
    {"classic-24", "BMP3:", {}, HidingPlan::AsIs, HidingPlan::AsIs, ""},
    {"classic-32-alpha",
     "-define bmp3:alpha=true BMP3:",
     {},
     HidingPlan::AsIs,
     HidingPlan::AsIs,
     ""},
    {"os2-24", "", [] { return MakeBmp(BmpShape().Header(12), W, H, Pattern); }, HidingPlan::AsIs,
     HidingPlan::AsIs, ""},
    {"v4-24", "", [] { return MakeBmp(BmpShape().Header(108), W, H, Pattern); },
     HidingPlan::Convert, HidingPlan::Convert, "extended header"},
    {"v5-24", "BMP:", {}, HidingPlan::Convert, HidingPlan::Convert, "extended header"},
    {"v5-32-alpha-bitfields",
     "BMP:",
     {},
     HidingPlan::Convert,
     HidingPlan::Convert,
     "extended header",
     32},
    {"v5-16-565",
     "-define bmp:subtype=RGB565 BMP:",
     {},
     HidingPlan::Convert,
     HidingPlan::Convert,
     "extended header",
     24,
     true},
    {"16-555", "", [] { return MakeBmp(BmpShape().Bits(16), W, H, Rgb555); }, HidingPlan::Convert,
     HidingPlan::Convert, "16-bit pixels", 24, true},
    {"16-565-bitfields", "",
     []
     {
         return MakeBmp(BmpShape().Bits(16).Compression(BITFIELDS).Masks({0xF800, 0x7E0, 0x1F}), W,
                        H, Rgb565);
     },
     HidingPlan::Convert, HidingPlan::Convert, "16-bit pixels", 24, true},
    {"32-alpha-bitfields-after-header", "",
     []
     {
         return MakeBmp(BmpShape()
                            .Bits(32)
                            .Compression(ALPHABITFIELDS)
                            .Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
                        W, H, Pattern);
     },
     HidingPlan::Convert, HidingPlan::Convert, "colour masks", 32, false,
     false}, // ImageMagick does not read alpha bit fields
    {"rle8",
     "-colors 200 -compress RLE BMP3:",
     {},
     HidingPlan::AsIs,
     HidingPlan::Convert,
     "compressed pixels"},
    {"rle4", "",
     []
     {
         return MakeBmp(BmpShape().Bits(4).Compression(RLE4).Colours(Palette(16)), W, H,
                        [](int x, int y) { return Pattern(x, y) % 16; });
     },
     HidingPlan::Convert, HidingPlan::Convert, "compressed pixels"},
    {"8-bit",
     "-colors 200 -compress none BMP3:",
     {},
     HidingPlan::AsIs,
     HidingPlan::Convert,
     "palette pixels"},
    {"4-bit",
     "-colors 16 -compress none BMP3:",
     {},
     HidingPlan::Convert,
     HidingPlan::Convert,
     "palette pixels"},
    {"1-bit",
     "-monochrome -compress none BMP3:",
     {},
     HidingPlan::Convert,
     HidingPlan::Convert,
     "palette pixels"},
    {"png-rgb", "PNG24:", {}, HidingPlan::Convert, HidingPlan::Convert, "PNG format"},
    {"png-rgba", "PNG32:", {}, HidingPlan::Convert, HidingPlan::Convert, "PNG format", 32},
    {"png-rgb-16",
     "-depth 16 PNG48:",
     {},
     HidingPlan::Convert,
     HidingPlan::Convert,
     "PNG format",
     24,
     true},
    {"png-grey",
     "-colorspace Gray PNG8:",
     {},
     HidingPlan::Convert,
     HidingPlan::Convert,
     "PNG format"},
    {"png-palette-transparent",
     "-colors 30 PNG8:",
     {},
     HidingPlan::Convert,
     HidingPlan::Convert,
     "PNG format",
     32},
    {"png-interlaced",
     "-interlace PNG PNG24:",
     {},
     HidingPlan::Convert,
     HidingPlan::Convert,
     "PNG format"},
};

// Every pixel as this program decodes it: 0xAARRGGBB, rows from the top.
std::vector<Argb> OwnPixels(const std::string& file)
{
    const ByteReader read = MemoryReader(Bytes(file), file.size());
    const CarrierInspection inspection = InspectCarrier(read, std::int64_t(file.size()));
    std::vector<Argb> out;
    if (inspection.bitmap)
    {
        const BitmapLayout& layout = *inspection.bitmap;
        out.resize(std::size_t(layout.width * layout.height));
        EXPECT_TRUE(DecodeBitmap(read, inspection.fileSize, layout, {}, {},
                                 [&](std::int64_t y, const Argb* row)
                                 { std::copy(row, row + layout.width, &out[y * layout.width]); }));
        // Like ImageMagick, take the fourth byte of classic 32-bit pixels as alpha, as the
        // conversion writes it there.
        if (layout.bitsPerPixel == 32 && layout.compression == 0)
            for (std::int64_t y = 0; y < layout.height; ++y)
                for (std::int64_t x = 0; x < layout.width; ++x)
                {
                    const std::int64_t stored = layout.bottomUp ? layout.height - 1 - y : y;
                    const std::uint8_t a =
                        Bytes(file)[layout.pixelOffset + stored * layout.stride + 4 * x + 3];
                    Argb& p = out[std::size_t(y * layout.width + x)];
                    p = (p & 0xFFFFFF) | Argb(a) << 24;
                }
        return out;
    }
    PngDecoder png(read, std::int64_t(file.size()));
    EXPECT_TRUE(png.ReadHeader()) << png.Error();
    out.resize(std::size_t(png.Width() * png.Height()));
    EXPECT_TRUE(png.Decode(
        [&](std::int64_t y, std::int64_t x0, std::int64_t step, std::int64_t count,
            const std::uint8_t* p)
        {
            for (std::int64_t i = 0; i < count; ++i, p += 4)
                out[std::size_t(y * png.Width() + x0 + i * step)] =
                    Argb(p[3]) << 24 | Argb(p[2]) << 16 | Argb(p[1]) << 8 | p[0];
        }))
        << png.Error();
    return out;
}

std::vector<Argb> FromRgba(const std::string& rgba)
{
    std::vector<Argb> out(rgba.size() / 4);
    for (std::size_t i = 0; i < out.size(); ++i)
    {
        const auto* p = Bytes(rgba) + 4 * i;
        out[i] = Argb(p[3]) << 24 | Argb(p[0]) << 16 | Argb(p[1]) << 8 | p[2];
    }
    return out;
}

// The largest difference between two pictures' channels, or -1 when their sizes differ;
// bit0Only: whether every channel differs at most in bit 0.
int Difference(const std::vector<Argb>& a, const std::vector<Argb>& b, bool* bit0Only = nullptr)
{
    if (a.size() != b.size() || a.empty())
        return -1;
    int most = 0;
    bool onlyBit0 = true;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
        {
            const int x = int(a[i] >> shift & 0xFF);
            const int y = int(b[i] >> shift & 0xFF);
            most = std::max(most, std::abs(x - y));
            onlyBit0 = onlyBit0 && (x ^ y) <= 1;
        }
    if (bit0Only)
        *bit0Only = onlyBit0;
    return most;
}

// Hides a message as the window and carvalet-cli do; false when the codec refuses.
bool Hide(std::string& carrier, std::size_t length)
{
    auto* data = reinterpret_cast<std::uint8_t*>(carrier.data());
    const auto size = std::int32_t(carrier.size());
    return EmbedText(data, size, PASSWORD_SLOT, MakePasswordRecord("lanterns-8"), nullptr) == 1 &&
           EmbedText(data, size, MESSAGE_SLOT, std::string(length, 'm'), nullptr) == 1;
}

class Pictures : public ::testing::TestWithParam<Layout>
{
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        const std::string d = dir->path().toStdString();
        Shell("convert -seed 7 -size " + std::to_string(W) + "x" + std::to_string(H) +
              " plasma:fractal -depth 8 '" + d + "/source.png'");
        Shell("convert '" + d + "/source.png' -alpha set -channel A -fx '(i+j)/(w+h)' -depth 8 '" +
              d + "/alpha.png'");
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }

    std::string Path(const std::string& name) const
    {
        return dir->filePath(QString::fromStdString(name)).toStdString();
    }

    // The layout's file, made now.
    std::string Make(const Layout& layout)
    {
        const std::string path = Path(layout.name);
        if (layout.build)
        {
            WriteFile(path, layout.build());
            return path;
        }
        const bool alpha = std::string(layout.name).find("alpha") != std::string::npos ||
                           std::string(layout.name).find("rgba") != std::string::npos ||
                           std::string(layout.name).find("transparent") != std::string::npos;
        Shell("convert '" + Path(alpha ? "alpha.png" : "source.png") + "' " + layout.magick + "'" +
              path + "'");
        return path;
    }

    // A file written from bytes, for ImageMagick to read.
    std::vector<Argb> MagickRead(const std::string& bytes, const std::string& name)
    {
        const std::string path = Path(name);
        WriteFile(path, bytes);
        return FromRgba(MagickPixels(path));
    }

    static QTemporaryDir* dir;
};
QTemporaryDir* Pictures::dir = nullptr;
} // namespace

TEST_P(Pictures, AreWrittenIntoOnlyWhereBit0IsHarmlessAndConvertedOtherwise)
{
    const Layout& layout = GetParam();
    const std::string path = Make(layout);
    const std::string original = ReadFile(path);
    const CarrierInspection inspection = InspectCarrier(
        MemoryReader(Bytes(original), original.size()), std::int64_t(original.size()));

    // This program's decoders agree with ImageMagick's on the original.
    const std::vector<Argb> own = OwnPixels(original);
    const std::vector<Argb> magick = layout.magickReads ? FromRgba(MagickPixels(path)) : own;
    ASSERT_EQ(own.size(), std::size_t(W * H));
    const int agreement = Difference(own, magick);
    EXPECT_GE(agreement, 0) << "ImageMagick could not read it";
    EXPECT_LE(agreement, layout.scaled ? 1 : 0);

    for (const auto& [length, plan] :
         {std::pair{40u, layout.shortMessage}, std::pair{400u, layout.longMessage}})
    {
        SCOPED_TRACE(std::to_string(length) + "-byte message");
        const HidingVerdict verdict = inspection.ForMessage(length);
        ASSERT_EQ(verdict.plan, plan) << verdict.reason;
        std::string carrier = original;
        if (plan == HidingPlan::Convert)
        {
            EXPECT_EQ(verdict.reason, layout.reason);
            ClassicBitmap converted =
                ConvertToClassicBitmap(inspection, MemoryReader(Bytes(original), original.size()));
            carrier.assign(reinterpret_cast<const char*>(converted.bytes.get()), converted.size);
            // The classic layout: 40-byte header, bottom-up, 24 or 32 bits, no compression.
            const BitmapLayout classic = *ReadBitmapLayout(
                MemoryReader(Bytes(carrier), carrier.size()), std::int64_t(carrier.size()));
            EXPECT_EQ(classic.headerSize, 40u);
            EXPECT_EQ(classic.pixelOffset, 54);
            EXPECT_TRUE(classic.bottomUp);
            EXPECT_EQ(classic.bitsPerPixel, layout.convertedBits);
            EXPECT_EQ(classic.compression, 0u);
            EXPECT_EQ(classic.PixelsEnd(), std::int64_t(carrier.size()));
            EXPECT_EQ(Difference(OwnPixels(carrier), own), 0) << "the same pixels";
            EXPECT_EQ(InspectCarrier(MemoryReader(Bytes(carrier), carrier.size()),
                                     std::int64_t(carrier.size()))
                          .ForMessage(length)
                          .plan,
                      HidingPlan::AsIs);
        }
        ASSERT_TRUE(Hide(carrier, length));
        bool bit0Only = false;
        const std::vector<Argb> after =
            MagickRead(carrier, std::string(layout.name) + "-hidden.bmp");
        EXPECT_GE(Difference(after, layout.scaled ? own : magick, &bit0Only), 0);
        EXPECT_TRUE(bit0Only) << "a pixel changed beyond bit 0";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, Pictures, ::testing::ValuesIn(LAYOUTS),
                         [](const auto& info)
                         {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(PngDecoder, BrokenAndForeignFilesAreRefusedWithAReason)
{
    QTemporaryDir dir;
    const std::string png = dir.filePath("small.png").toStdString();
    Shell("convert -size 20x10 gradient:red-blue '" + png + "'");
    const std::string good = ReadFile(png);
    const auto decodes = [](const std::string& bytes, std::string* error = nullptr)
    {
        const ByteReader read = MemoryReader(Bytes(bytes), bytes.size());
        PngDecoder decoder(read, std::int64_t(bytes.size()));
        const bool ok = decoder.Decode([](auto...) {});
        if (error)
            *error = decoder.Error();
        return ok;
    };
    EXPECT_TRUE(decodes(good));
    std::string error;
    EXPECT_FALSE(decodes(good.substr(0, good.size() / 2), &error));
    EXPECT_EQ(error, "the file ends before the picture does");
    std::string badCrc = good;
    const std::size_t idat = badCrc.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    badCrc[idat + 6] ^= 0x40;
    EXPECT_FALSE(decodes(badCrc, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(decodes(std::string(1000, 'x')));

    // The inspection refuses a PNG it cannot convert, with the decoder's reason.
    const CarrierInspection inspection =
        InspectCarrier(MemoryReader(Bytes(badCrc), badCrc.size()), std::int64_t(badCrc.size()));
    EXPECT_THROW(ConvertToClassicBitmap(inspection, MemoryReader(Bytes(badCrc), badCrc.size())),
                 ConversionError);
}

TEST(PngDecoder, PreviewSamplesTheSamePixelsAsTheFullDecode)
{
    QTemporaryDir dir;
    const std::string plain = dir.filePath("plain.png").toStdString();
    const std::string interlaced = dir.filePath("interlaced.png").toStdString();
    Shell("convert -seed 3 -size 40x30 plasma:fractal -depth 8 PNG24:'" + plain + "'");
    Shell("convert '" + plain + "' -interlace PNG PNG24:'" + interlaced + "'");
    for (const std::string& path : {plain, interlaced})
    {
        const std::string bytes = ReadFile(path);
        const std::vector<Argb> all = OwnPixels(bytes);
        const auto sampled = SamplePng(MemoryReader(Bytes(bytes), bytes.size()),
                                       std::int64_t(bytes.size()), 330, 218);
        ASSERT_TRUE(sampled);
        const auto columns = SamplePositions(40, 330);
        const auto rows = SamplePositions(30, 218);
        for (int y = 0; y < 218; y += 7)
            for (int x = 0; x < 330; x += 11)
                ASSERT_EQ((*sampled)[std::size_t(y * 330 + x)],
                          all[std::size_t(rows[std::size_t(y)] * 40 + columns[std::size_t(x)])])
                    << path << " at " << x << "," << y;
    }
    EXPECT_EQ(OwnPixels(ReadFile(plain)), OwnPixels(ReadFile(interlaced)));
}
