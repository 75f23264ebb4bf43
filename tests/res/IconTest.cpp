// SPDX-License-Identifier: GPL-3.0-or-later
// The application icon: a real ICO whose 32x32 image has 256 colours, plus the desktop sizes.
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace
{

std::vector<std::uint8_t> ReadAll(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | b.at(at + static_cast<std::size_t>(i));
    return v;
}

struct IcoEntry
{
    int width, height, colours, bits;
    std::uint32_t size, offset;
};

} // namespace

TEST(Icon, IcoHoldsA32By32ImageOf256ColoursInsideTheFile)
{
    const std::vector<std::uint8_t> ico = ReadAll(CARVALET_ICON_DIR "/Carvalet.ico");
    ASSERT_GE(ico.size(), 6u);
    ASSERT_EQ(Le(ico, 0, 2), 0u);
    ASSERT_EQ(Le(ico, 2, 2), 1u) << "not an icon file";
    const std::size_t count = Le(ico, 4, 2);
    ASSERT_GE(count, 1u);
    ASSERT_GE(ico.size(), 6 + 16 * count);

    std::vector<IcoEntry> entries;
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::size_t at = 6 + 16 * i;
        const IcoEntry e{ico[at] ? ico[at] : 256,
                         ico[at + 1] ? ico[at + 1] : 256,
                         ico[at + 2],
                         static_cast<int>(Le(ico, at + 6, 2)),
                         Le(ico, at + 8, 4),
                         Le(ico, at + 12, 4)};
        ASSERT_LE(std::uint64_t{e.offset} + e.size, ico.size()) << "entry " << i;
        entries.push_back(e);
    }
    // The 32x32 256-colour image comes first: it is what the window and the about box use.
    const IcoEntry& first = entries.front();
    EXPECT_EQ(first.width, 32);
    EXPECT_EQ(first.height, 32);
    EXPECT_EQ(first.bits, 8);
    ASSERT_EQ(Le(ico, first.offset, 4), 40u);
    EXPECT_EQ(Le(ico, first.offset + 4, 4), 32u);
    EXPECT_EQ(Le(ico, first.offset + 8, 4), 64u); // colour rows and mask rows
    EXPECT_EQ(Le(ico, first.offset + 14, 2), 8u);
    EXPECT_EQ(first.size, 40u + 256 * 4 + 32 * 32 + 32 * 4);

    const bool hasLarge = std::any_of(entries.begin(), entries.end(),
                                      [](const IcoEntry& e) { return e.width == 256; });
    EXPECT_TRUE(hasLarge);

    QImageReader reader(CARVALET_ICON_DIR "/Carvalet.ico");
    if (reader.canRead())
    {
        const QImage image = reader.read();
        EXPECT_EQ(image.size(), QSize(32, 32));
    }
}

TEST(Icon, DesktopSizesAreSquareWithTransparentCornersAndAnOpaqueMiddle)
{
    for (int size : {16, 32, 48, 64, 128, 256})
    {
        const QImage image(QString(CARVALET_ICON_DIR "/carvalet-%1.png").arg(size));
        ASSERT_FALSE(image.isNull()) << size;
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
    }
}
