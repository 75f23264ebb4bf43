// SPDX-License-Identifier: GPL-3.0-or-later
// The structural estimators of least-significant-bit replacement and the score for ±1
// embedding, gathered from one colour channel a row at a time so that a picture never needs to
// be in memory whole. Values 0, 1, 254 and 255 (saturated: their pairs under a flipped bit
// stay among themselves) are left out of every estimate.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace analysis
{

// Weighted stego sums over a set of samples (Fridrich and Goljan 2004, with the moderated
// weights, the 3x3 predictor and the bias correction of Ker and Böhme 2008).
struct WsSums
{
    double weight = 0;
    double residual = 0; // sum of w (s - s') (s - prediction), s' the sample with bit 0 flipped
    double parity = 0;   // sum of w (s - s') sum_j c_j (s_j - s_j'): neighbours' parities
    double squares = 0;  // sum of the squared terms of residual: its spread
    double samples = 0;

    void Add(const WsSums& other);
    // The estimate's standard error, taking the samples' terms as independent: a few hundred
    // samples of busy texture leave it far above 1, where a local estimate tells nothing.
    double StandardError() const;
    // The payload in bits per sample; 0 without samples.
    double Estimate() const;
};

// What one channel gives the estimators; counts of several channels add up. Gathered with
// integer counters in one pass over each row.
struct ChannelCounts
{
    std::array<std::uint64_t, 256> histogram{};
    // The histogram of the picture averaged over 2x2 blocks (the calibration of the ±1 score).
    std::array<std::uint64_t, 256> halfHistogram{};
    // Sample pairs, in the trace sets of Dumitrescu, Wu and Wang 2003 (as framed by Ker 2005):
    // pairs sorted so that u <= v; C0 holds pairs with u/2 == v/2, of which equal are equal;
    // oddDifference counts pairs in C1, C2, ... with an odd difference, +1 when u is even
    // and -1 when u is odd. Each sample pairs with its right-hand neighbour and the one below.
    double spaC0 = 0;
    double spaEqual = 0;
    double spaOddDifference = 0;
    // RS groups (Fridrich, Goljan and Du 2001) of four neighbours across a row, mask 0110:
    // the count of regular minus singular groups for flipping F1 (mask M) and F-1 (-M), in the
    // picture and in the picture with every bit 0 flipped.
    double rsM = 0;
    double rsNegM = 0;
    double rsFlippedM = 0;
    double rsFlippedNegM = 0;
    WsSums ws;
    WsSums start; // samples among the first EDGE_SAMPLES in file order
    WsSums end;   // among the last EDGE_SAMPLES

    void Add(const ChannelCounts& other);
};

// The local estimate covers this many samples at each end of the file's pixel data: a 100-byte
// message at the format's fixed place takes about the first 1100.
inline constexpr std::int64_t EDGE_SAMPLES = 1024;

// The estimates in bits per sample (may be negative or above 1 on pictures that defy the
// estimators' assumptions).
double SpaEstimate(const ChannelCounts& counts);
double RsEstimate(const ChannelCounts& counts);
// The probability (Westfeld and Pfitzmann 1999) that the values' pairs were evened out by a
// full embedding: near 1 for a fully replaced bit plane, near 0 for covers.
double ChiSquareP(const ChannelCounts& counts);
// Ker 2005 ("Steganalysis of LSB matching in grayscale images", IEEE Signal Processing
// Letters 12(6)): the centre of mass of the histogram's characteristic function (its discrete
// Fourier transform), calibrated by the same of the 2x2-averaged picture. ±1 changes smooth
// the histogram and lower the first more than the second; the score is 1 - ratio, higher
// meaning more suspicious.
double CalibratedHistogramScore(const ChannelCounts& counts);

// Splits a row of three channels, a pixel every `step` bytes, into one row each, and makes
// their mean (the luminance the block grid is measured on).
void SplitChannels(const std::uint8_t* samples, int step, std::int64_t width, std::uint8_t* first,
                   std::uint8_t* second, std::uint8_t* third, std::uint8_t* luma);

// Gathers one channel's counts from its rows. Rows come one after another (upwards or
// downwards); BreakRows starts a new run, as when only bands of a large picture are read.
class ChannelGatherer
{
public:
    // Sample n of a row lies at file-order position (ordinal * width + x) * stride + channel;
    // total is the count of positions, for the local estimate at the end of the file.
    ChannelGatherer(std::int64_t width, int stride, int channel, std::int64_t total);

    // The row's samples lie `step` apart from `row` on (interleaved channels).
    void AddRow(std::int64_t ordinal, const std::uint8_t* row, int step = 1);
    // The same in two steps, without a copy: fill the width's samples NextRow gives, then
    // commit them.
    std::uint8_t* NextRow();
    void CommitRow(std::int64_t ordinal);
    void BreakRows();
    // Completes the last run; counts are final afterwards (call once).
    const ChannelCounts& Finish();
    const ChannelCounts& Counts() const { return m_counts; }

private:
    void CountRow(const std::uint8_t* row);
    void CountRowPair(const std::uint8_t* upper, const std::uint8_t* lower, bool half);
    void WeightRow(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                   std::int64_t ordinal);
    void WeightEdge(const std::uint8_t* above, const std::uint8_t* row, const std::uint8_t* below,
                    std::int64_t first);

    std::int64_t m_width;
    int m_stride;
    int m_channel;
    std::int64_t m_total;
    ChannelCounts m_counts;
    // The run's last rows, each with one mirrored sample at both ends so that every sample has
    // a whole neighbourhood: the middle row's weighted-stego sums wait for the row after it.
    std::vector<std::uint8_t> m_older;
    std::vector<std::uint8_t> m_middle;
    std::vector<std::uint8_t> m_newest;
    std::int64_t m_middleOrdinal = 0;
    int m_rowsInRun = 0;
    // Integer sums of the pairs and groups, turned into the doubles above by Finish.
    std::int64_t m_c0 = 0;
    std::int64_t m_equal = 0;
    std::int64_t m_odd = 0;
    std::int64_t m_rs[4] = {};
    std::uint64_t m_histograms[4][256] = {};
    std::uint64_t m_half[256] = {};
};

} // namespace analysis
