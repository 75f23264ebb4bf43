// SPDX-License-Identifier: GPL-3.0-or-later
// Stealth pictures from files and back: values as ImageMagick reads them, nothing outside the
// pixels changed in a bitmap, no chunk added to a PNG, and a message through a real file.
#include "imaging/StealthPicture.h"
#include "tests/support/PictureFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sodium.h>

using namespace pictures;

namespace
{

constexpr int W = 67; // odd, so that bitmap rows have padding
constexpr int H = 53;

const StealthKdf CHEAP_KDF = [](std::string_view password, const StealthSalt& salt, StealthKey& key)
{
    crypto_generichash(key.data(), key.size(),
                       reinterpret_cast<const std::uint8_t*>(password.data()), password.size(),
                       salt.data(), salt.size());
    return true;
};

std::span<const std::uint8_t> Span(const std::string& bytes)
{
    return {Bytes(bytes), bytes.size()};
}

std::string Text(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

// The picture's values as ImageMagick reads the file, in the cover's channel layout.
std::vector<std::uint8_t> MagickValues(const std::string& path, const StealthCover& cover, bool bgr)
{
    const std::string rgba = MagickPixels(path);
    std::vector<std::uint8_t> values;
    for (std::size_t p = 0; p + 4 <= rgba.size(); p += 4)
    {
        const auto at = [&](int i) { return static_cast<std::uint8_t>(rgba[p + i]); };
        switch (cover.channels)
        {
        case 1:
            values.push_back(at(0));
            break;
        case 2:
            values.insert(values.end(), {at(0), at(3)});
            break;
        case 3:
            values.insert(values.end(),
                          bgr ? std::initializer_list<std::uint8_t>{at(2), at(1), at(0)}
                              : std::initializer_list<std::uint8_t>{at(0), at(1), at(2)});
            break;
        default:
            values.insert(values.end(),
                          bgr ? std::initializer_list<std::uint8_t>{at(2), at(1), at(0), at(3)}
                              : std::initializer_list<std::uint8_t>{at(0), at(1), at(2), at(3)});
        }
    }
    return values;
}

std::vector<std::string> Chunks(const std::string& png)
{
    std::vector<std::string> names;
    for (std::size_t at = 8; at + 8 <= png.size();)
    {
        const std::uint32_t length = std::uint32_t{Bytes(png)[at]} << 24 |
                                     std::uint32_t{Bytes(png)[at + 1]} << 16 |
                                     std::uint32_t{Bytes(png)[at + 2]} << 8 | Bytes(png)[at + 3];
        names.push_back(png.substr(at + 4, 4));
        at += 12 + length;
    }
    return names;
}

// Hides a message in the file, writes it, reads that back and reveals the message.
void RoundTrip(const std::string& path, const std::string& out)
{
    const std::string file = ReadFile(path);
    const StealthPictureRead read = ReadStealthPicture(Span(file));
    ASSERT_TRUE(read.picture) << read.refusal;
    const std::string message = "under the third stone";
    const StealthHidden hidden =
        HideStealth(read.picture->cover, std::vector<std::uint8_t>(message.begin(), message.end()),
                    "a long enough password", 0.2, CHEAP_KDF);
    ASSERT_EQ(hidden.refusal, "");
    const std::vector<std::uint8_t> written = WriteStealthPicture(*read.picture, hidden.values);
    WriteFile(out, std::string(written.begin(), written.end()));
    const StealthPictureRead again = ReadStealthPicture(written);
    ASSERT_TRUE(again.picture);
    EXPECT_EQ(again.picture->cover.values, hidden.values) << path;
    const bool bitmap = again.picture->kind == StealthPicture::Kind::Bitmap;
    if (!bitmap || again.picture->cover.channels != 4) // the unused fourth byte: see below
    {
        EXPECT_EQ(MagickValues(out, again.picture->cover, bitmap), hidden.values) << out;
    }
    EXPECT_EQ(
        Text(RevealStealth(again.picture->cover, "a long enough password", CHEAP_KDF).message),
        message);
}

TEST(StealthPicture, PngsOfEveryKindComeInAsImageMagickSeesThemAndGoOutWithNoNewChunk)
{
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/";
    Shell("convert -size " + std::to_string(W) + "x" + std::to_string(H) +
          " plasma:red-blue -seed 1 " + base + "rgb.ppm 2>/dev/null");
    struct Kind
    {
        const char* name;
        const char* options;
        int channels;
    };
    for (const Kind& kind :
         {Kind{"grey", "-colorspace Gray -define png:color-type=0", 1},
          Kind{"grey-alpha",
               "-colorspace Gray -alpha set -channel A -evaluate set 60% +channel -define "
               "png:color-type=4",
               2},
          Kind{"rgb", "-define png:color-type=2", 3},
          Kind{"rgba", "-alpha set -channel A -evaluate set 70% +channel -define png:color-type=6",
               4},
          Kind{"palette", "-colors 50 -define png:color-type=3", 3},
          Kind{"grey-2-bit",
               "-colorspace Gray -depth 2 -define png:color-type=0 -define png:bit-depth=2", 1}})
    {
        const std::string path = base + kind.name + ".png";
        Shell("convert " + base + "rgb.ppm " + kind.options + " -depth 8 PNG:" + path);
        const std::string file = ReadFile(path);
        const StealthPictureRead read = ReadStealthPicture(Span(file));
        ASSERT_TRUE(read.picture) << kind.name << ": " << read.refusal;
        EXPECT_EQ(read.picture->cover.channels, kind.channels) << kind.name;
        EXPECT_EQ(read.picture->cover.values, MagickValues(path, read.picture->cover, false))
            << kind.name;
        RoundTrip(path, base + kind.name + "-out.png");
        // The colour chunks ImageMagick wrote are kept; its text chunks are not copied, and
        // nothing of ours is added.
        const std::vector<std::string> chunks = Chunks(ReadFile(base + kind.name + "-out.png"));
        for (const std::string& name : chunks)
        {
            EXPECT_TRUE(name == "IHDR" || name == "IDAT" || name == "IEND" || name == "gAMA" ||
                        name == "cHRM" || name == "sRGB" || name == "pHYs" || name == "iCCP")
                << kind.name << ": " << name;
        }
        const auto gamma = std::find(chunks.begin(), chunks.end(), "gAMA");
        EXPECT_EQ(gamma != chunks.end(), ReadFile(path).find("gAMA") != std::string::npos);
    }
    Shell("convert " + base + "rgb.ppm -depth 16 PNG48:" + base + "deep.png");
    const StealthPictureRead deep = ReadStealthPicture(Span(ReadFile(base + "deep.png")));
    EXPECT_FALSE(deep.picture);
    EXPECT_NE(deep.refusal.find("16 bits"), std::string::npos);
}

TEST(StealthPicture, ClassicBitmapsChangeOnlyInTheirPixelValues)
{
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString() + "/";
    std::vector<std::uint32_t> ramp;
    for (std::uint32_t i = 0; i < 256; ++i)
    {
        ramp.push_back(i << 16 | i << 8 | i);
    }
    struct Case
    {
        const char* name;
        BmpShape shape;
    };
    for (const Case& c :
         {Case{"24", BmpShape().Bits(24)}, Case{"24-top-down", BmpShape().Bits(24).TopDown()},
          Case{"32", BmpShape().Bits(32)}, Case{"grey", BmpShape().Bits(8).Colours(ramp)}})
    {
        const std::string path = base + c.name + ".bmp";
        WriteFile(path, MakeBmp(c.shape, W, H,
                                [](int x, int y)
                                { return Pattern(x, y) & (y % 3 ? 0xFFFFFFFF : 0xFF); }));
        const std::string file = ReadFile(path);
        const StealthPictureRead read = ReadStealthPicture(Span(file));
        ASSERT_TRUE(read.picture) << c.name << ": " << read.refusal;
        // Every value moved by one leaves the padding, headers and palette as they were.
        std::vector<std::uint8_t> moved = read.picture->cover.values;
        for (auto& v : moved)
        {
            v ^= 1;
        }
        const std::vector<std::uint8_t> written = WriteStealthPicture(*read.picture, moved);
        ASSERT_EQ(written.size(), file.size());
        std::size_t differ = 0;
        for (std::size_t i = 0; i < file.size(); ++i)
        {
            differ += written[i] != Bytes(file)[i];
        }
        EXPECT_EQ(differ, moved.size()) << c.name;
        if (std::string(c.name) != "32") // ImageMagick takes the unused fourth byte as alpha
        {
            EXPECT_EQ(MagickValues(path, read.picture->cover, true), read.picture->cover.values)
                << c.name;
        }
        RoundTrip(path, base + c.name + "-out.bmp");
    }
    const StealthPictureRead extended =
        ReadStealthPicture(Span(MakeBmp(BmpShape().Header(108), W, H, Pattern)));
    EXPECT_FALSE(extended.picture);
    EXPECT_TRUE(extended.convertible);
    const StealthPictureRead palette =
        ReadStealthPicture(Span(MakeBmp(BmpShape().Bits(8).Colours(Palette(256)), W, H, Pattern)));
    EXPECT_TRUE(palette.convertible);
    EXPECT_FALSE(ReadStealthPicture(Span(std::string("GIF89a"))).picture);
}

} // namespace
