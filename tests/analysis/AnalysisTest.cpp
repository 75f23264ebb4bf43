// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Analysis.h"
#include "analysis/Estimators.h"
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"
#include "imaging/ClassicBitmap.h"
#include "imaging/JpegTraces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace
{

using Samples = std::vector<std::uint8_t>;
constexpr int SIDE = 256;

// A smooth picture with a little sensor noise: what the estimators' assumptions describe.
Samples Natural(int channels, unsigned seed = 1)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, 2);
    Samples out(std::size_t(SIDE * SIDE * channels));
    for (int y = 0; y < SIDE; ++y)
        for (int x = 0; x < SIDE; ++x)
            for (int c = 0; c < channels; ++c)
            {
                const double v = 128 + 60 * std::sin(x / 9.0 + c) * std::cos(y / 13.0) +
                                 20 * std::sin((x + y) / 31.0) + noise(random);
                out[std::size_t((y * SIDE + x) * channels + c)] =
                    std::uint8_t(std::clamp(std::lround(v), 0L, 255L));
            }
    return out;
}

// Replaces bit 0 of each sample with a random bit with this probability, from `first` on.
Samples Replaced(Samples s, double rate, std::size_t first = 0, std::size_t count = SIZE_MAX)
{
    std::mt19937 random(7);
    std::bernoulli_distribution chosen(rate), bit(0.5);
    for (std::size_t i = first; i < s.size() && i - first < count; ++i)
        if (chosen(random))
            s[i] = std::uint8_t((s[i] & ~1) | int(bit(random)));
    return s;
}

analysis::Report Score(const Samples& s, int channels, bool bottomUp = false)
{
    return analysis::AnalysePixels({SIDE, SIDE, channels, s.data(), bottomUp});
}

TEST(Estimators, MeasureThePayloadOfRandomReplacement)
{
    for (const int channels : {1, 3})
    {
        const Samples cover = Natural(channels);
        const analysis::Report clean = Score(cover, channels);
        EXPECT_NEAR(clean.estimates.spa, 0, 0.03) << channels;
        EXPECT_NEAR(clean.estimates.rs, 0, 0.05) << channels;
        EXPECT_NEAR(clean.estimates.ws, 0, 0.05) << channels;
        EXPECT_EQ(clean.verdict, analysis::Verdict::NoSign);
        EXPECT_EQ(clean.channels.size(), std::size_t(channels));

        const analysis::Report half = Score(Replaced(cover, 0.5), channels);
        EXPECT_NEAR(half.estimates.spa, 0.5, 0.05) << channels;
        EXPECT_NEAR(half.estimates.rs, 0.5, 0.08) << channels;
        EXPECT_NEAR(half.estimates.ws, 0.5, 0.05) << channels;
        EXPECT_EQ(half.verdict, analysis::Verdict::Suspicious);

        // A whole bit plane replaced: every estimate near 1 and the pairs of values evened out.
        const analysis::Report full = Score(Replaced(cover, 1), channels);
        EXPECT_NEAR(full.estimates.spa, 1, 0.08) << channels;
        EXPECT_NEAR(full.estimates.ws, 1, 0.08) << channels;
        EXPECT_GT(full.chiSquareP, 0.9);
    }
}

TEST(Estimators, TheLocalEstimateFindsSequentialHidingWhereTheFileStarts)
{
    const Samples cover = Natural(3);
    // The file stores the bottom row first: the hidden run lies at the end of the samples.
    const std::size_t total = cover.size();
    const Samples atEnd = Replaced(cover, 1, total - SIDE * 3, 900);
    const analysis::Report bottomUp = Score(atEnd, 3, true);
    EXPECT_GT(bottomUp.estimates.wsStart, 0.5);
    EXPECT_LT(bottomUp.estimates.wsEnd, bottomUp.estimates.wsStart - 0.3);
    EXPECT_LT(std::abs(bottomUp.estimates.ws), 0.03) << "900 samples of 196608";
    EXPECT_EQ(bottomUp.verdict, analysis::Verdict::Suspicious);
    const analysis::Report topDown = Score(atEnd, 3, false);
    EXPECT_GT(topDown.estimates.wsEnd, 0.5);
    EXPECT_LT(topDown.estimates.wsStart, topDown.estimates.wsEnd - 0.3);
}

TEST(Estimators, FlatAndSaturatedPicturesGiveNoSign)
{
    for (const int value : {0, 128, 255})
    {
        const Samples flat(SIDE * SIDE * 3, std::uint8_t(value));
        const analysis::Report r = Score(flat, 3);
        for (const double e : {r.estimates.spa, r.estimates.rs, r.estimates.ws, r.estimates.wsStart,
                               r.chiSquareP, r.pm1Score})
        {
            EXPECT_TRUE(std::isfinite(e));
            EXPECT_NEAR(e, 0, 1e-9) << value;
        }
        EXPECT_FALSE(r.jpegTraces);
        EXPECT_EQ(r.verdict, analysis::Verdict::NoSign);
    }
    // One row, one column, a single pixel: nothing to pair, nothing out of bounds.
    const Samples tiny = {10, 20, 30};
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{3, 1}, std::pair{1, 3}})
        EXPECT_EQ(analysis::AnalysePixels({w, h, 1, tiny.data(), false}).verdict,
                  analysis::Verdict::NoSign);
}

TEST(Estimators, SolveTheirEquationsForKnownPairStructures)
{
    // Sample pairs: a cover where |E1| = -X gives t = 1; the same trace sets seen after a full
    // replacement (equal pairs half of C0, X = 0) give p = 1.
    analysis::ChannelCounts counts;
    counts.spaC0 = 100;
    counts.spaEqual = 70;
    counts.spaOddDifference = -30;
    EXPECT_NEAR(analysis::SpaEstimate(counts), 0, 1e-9);
    counts.spaEqual = 50;
    counts.spaOddDifference = 0;
    EXPECT_NEAR(analysis::SpaEstimate(counts), 1, 1e-9);
    // RS: as many regular as singular groups under both masks means no payload.
    counts.rsM = counts.rsNegM = 40;
    counts.rsFlippedM = 10;
    counts.rsFlippedNegM = 60;
    EXPECT_NEAR(analysis::RsEstimate(counts), 0, 1e-9);
    // Chi-square: a histogram of evenly split pairs is the signature of full replacement.
    for (int k = 2; k < 250; k += 2)
        counts.histogram[k] = counts.histogram[k + 1] = 500;
    EXPECT_GT(analysis::ChiSquareP(counts), 0.999);
    for (int k = 2; k < 250; k += 2)
        counts.histogram[k + 1] = 300;
    EXPECT_LT(analysis::ChiSquareP(counts), 1e-6);
}

// The counters run in narrow lanes over stretches of a row: a row far wider than a stretch must
// count as a plain loop over its pairs does.
TEST(Estimators, WideRowsCountTheirPairsAsAPlainLoopDoes)
{
    constexpr int WIDE = 40000;
    std::mt19937 random(5);
    std::uniform_int_distribution<int> value(0, 255);
    Samples rows(std::size_t(WIDE) * 2);
    for (std::size_t x = 0; x < rows.size(); ++x)
        rows[x] = std::uint8_t(x < WIDE ? 100 + (x / 7) % 3 : value(random)); // runs, then noise
    analysis::ChannelGatherer gatherer(WIDE, 1, 0, 2 * WIDE);
    gatherer.AddRow(0, rows.data());
    gatherer.AddRow(1, rows.data() + WIDE);
    const analysis::ChannelCounts& counts = gatherer.Finish();
    double c0 = 0, equal = 0, odd = 0;
    const auto pair = [&](int u, int v)
    {
        if (std::min(u, v) < 2 || std::max(u, v) > 253)
            return;
        const int low = std::min(u, v), high = std::max(u, v);
        if (low / 2 == high / 2)
        {
            ++c0;
            equal += low == high;
        }
        else if ((high - low) % 2 == 1)
            odd += low % 2 == 0 ? 1 : -1;
    };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x + 1 < WIDE; ++x)
            pair(rows[y * WIDE + x], rows[y * WIDE + x + 1]);
    for (int x = 0; x < WIDE; ++x)
        pair(rows[x], rows[WIDE + x]);
    EXPECT_EQ(counts.spaC0, c0);
    EXPECT_EQ(counts.spaEqual, equal);
    EXPECT_EQ(counts.spaOddDifference, odd);
    EXPECT_EQ(counts.histogram[101], std::uint64_t(std::count(rows.begin(), rows.end(), 101)));
}

// The same pixels give the same numbers whichever way they are read: in memory, or from a
// 24-bit or a 32-bit bitmap (read straight from the file, a pixel every 3 or 4 bytes).
TEST(Estimators, BitmapsOfEveryDepthGiveTheNumbersOfTheirPixels)
{
    const Samples rgb = Natural(3);
    const analysis::Report inMemory = Score(rgb, 3, true);
    for (const int bits : {24, 32})
    {
        const int bytes = bits / 8;
        std::vector<std::uint8_t> bmp(54 + std::size_t(SIDE) * SIDE * bytes);
        WriteClassicHeader(bmp.data(), SIDE, SIDE, bits, 0, 0);
        for (int y = 0; y < SIDE; ++y)
            for (int x = 0; x < SIDE; ++x)
                for (int c = 0; c < 3; ++c) // blue, green, red; bottom row first
                    bmp[54 + ((SIDE - 1 - y) * SIDE + x) * bytes + c] =
                        rgb[(y * SIDE + x) * 3 + 2 - c];
        const analysis::Report r =
            analysis::Analyse(MemoryReader(bmp.data(), bmp.size()), std::int64_t(bmp.size()));
        EXPECT_NEAR(r.estimates.spa, inMemory.estimates.spa, 1e-9) << bits;
        EXPECT_NEAR(r.estimates.rs, inMemory.estimates.rs, 1e-9) << bits;
        EXPECT_NEAR(r.estimates.ws, inMemory.estimates.ws, 1e-6) << bits;
        EXPECT_NEAR(r.pm1Score, inMemory.pm1Score, 1e-9) << bits;
        EXPECT_NEAR(r.jpegStrength, inMemory.jpegStrength, 1e-9) << bits;
    }
}

// A picture compressed in 8x8 blocks: each block flat at its own level, plus noise.
TEST(JpegTraces, TheBlockGridShowsAndSmoothPicturesShowNone)
{
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0, 1);
    Samples blocks(SIDE * SIDE);
    for (int y = 0; y < SIDE; ++y)
        for (int x = 0; x < SIDE; ++x)
        {
            const double level = 128 + 40 * std::sin((x / 8) * 0.7) * std::cos((y / 8) * 0.5);
            blocks[y * SIDE + x] = std::uint8_t(std::lround(level + noise(random)));
        }
    const analysis::Report grid = Score(blocks, 1);
    EXPECT_TRUE(grid.jpegTraces) << grid.jpegStrength;
    EXPECT_NE(std::find_if(grid.reasons.begin(), grid.reasons.end(),
                           [](const std::string& r)
                           { return r.find("once a JPEG") != std::string::npos; }),
              grid.reasons.end());
    const analysis::Report smooth = Score(Natural(1), 1);
    EXPECT_FALSE(smooth.jpegTraces) << smooth.jpegStrength;
    // The grid is found at any offset, and rows may come upwards.
    BlockGridMeter meter(SIDE - 3);
    for (int y = SIDE - 1; y >= 5; --y)
        meter.AddRow(y - 5, blocks.data() + y * SIDE + 3);
    EXPECT_TRUE(meter.Found()) << meter.Strength();
}

// A classic bitmap of the natural picture, with or without this program's records.
std::vector<std::uint8_t> Carrier(const char* record, const std::string& message)
{
    const Samples rgb = Natural(3);
    const std::size_t stride = SIDE * 3;
    std::vector<std::uint8_t> bmp(54 + stride * SIDE);
    WriteClassicHeader(bmp.data(), SIDE, SIDE, 24, 0, 0);
    std::copy(rgb.begin(), rgb.end(), bmp.begin() + 54);
    if (record != nullptr)
    {
        const auto length = std::int32_t(bmp.size());
        EXPECT_EQ(EmbedText(bmp.data(), length, PASSWORD_SLOT, record, {}), 1);
        EXPECT_EQ(EmbedText(bmp.data(), length, MESSAGE_SLOT, message, {}), 1);
    }
    return bmp;
}

TEST(RecordCheck, TellsPlainAndSealedCarriersFromPictures)
{
    const std::string message(100, 'm');
    const std::string plainRecord = MakePasswordRecord("lanterns!");
    const struct
    {
        const char* record;
        analysis::CarvaletRecord expected;
    } cases[] = {{nullptr, analysis::CarvaletRecord::None},
                 {plainRecord.c_str(), analysis::CarvaletRecord::Plain},
                 {SEAL_MARKER_RECORD, analysis::CarvaletRecord::Sealed}};
    for (const auto& c : cases)
    {
        const std::vector<std::uint8_t> bmp = Carrier(c.record, message);
        const analysis::Report r =
            analysis::Analyse(MemoryReader(bmp.data(), bmp.size()), std::int64_t(bmp.size()));
        EXPECT_EQ(r.format, "BMP");
        EXPECT_EQ(r.carvalet, c.expected);
        EXPECT_EQ(r.layoutCounts, c.record != nullptr);
        EXPECT_EQ(r.verdict,
                  c.record ? analysis::Verdict::CarriesMessage : analysis::Verdict::NoSign);
        // The message's run of bits sits where the file's pixels start.
        if (c.record)
        {
            EXPECT_GT(r.estimates.wsStart, 0.5);
        }
    }
}

// A message in the layout behind a record this program never makes: the count headers alone
// tell it, and the message's bits must fit the file.
TEST(RecordCheck, TheLayoutsCountHeadersShowAMessageBehindAForeignRecord)
{
    const std::vector<std::uint8_t> foreign = Carrier("foreign-rec!", "hello");
    const analysis::Report r = analysis::Analyse(MemoryReader(foreign.data(), foreign.size()),
                                                 std::int64_t(foreign.size()));
    EXPECT_EQ(r.carvalet, analysis::CarvaletRecord::None);
    EXPECT_TRUE(r.layoutCounts);
    EXPECT_EQ(r.verdict, analysis::Verdict::Suspicious);
    // The same headers with the file cut short of the message's bits: no layout.
    const std::vector<std::uint8_t> bmp = Carrier(SEAL_MARKER_RECORD, std::string(100, 'm'));
    EXPECT_TRUE(analysis::CheckLayoutCounts(MemoryReader(bmp.data(), bmp.size()), 1208));
    EXPECT_FALSE(analysis::CheckLayoutCounts(MemoryReader(bmp.data(), bmp.size()), 1207));
}

TEST(RecordCheck, FilesThatAreNotPicturesOrAreBrokenAreReportedNotAnalysed)
{
    const std::string text = "just some text, long enough to be read as a carrier";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    EXPECT_THROW(analysis::Analyse(MemoryReader(bytes, text.size()), std::int64_t(text.size())),
                 analysis::NotAnalysed);
    std::vector<std::uint8_t> bmp = Carrier(nullptr, "");
    bmp.resize(bmp.size() / 2);
    EXPECT_THROW(analysis::Analyse(MemoryReader(bmp.data(), bmp.size()), std::int64_t(bmp.size())),
                 analysis::AnalysisError);
    EXPECT_EQ(analysis::VerdictLine(MemoryReader(bytes, text.size()), std::int64_t(text.size())),
              "not analysed (not a BMP or PNG picture)");
}

TEST(RecordCheck, LargePicturesAreReadInBandsThatKeepBothEnds)
{
    const std::vector<std::uint8_t> bmp =
        Carrier(MakePasswordRecord("lanterns!").c_str(), std::string(100, 'm'));
    const analysis::Report r = analysis::Analyse(MemoryReader(bmp.data(), bmp.size()),
                                                 std::int64_t(bmp.size()), {SIDE * 3 * 64});
    EXPECT_EQ(r.rowsRead, 64);
    EXPECT_GT(r.estimates.wsStart, 0.5);
    EXPECT_NEAR(r.estimates.ws, 0, 0.05);
}

} // namespace
