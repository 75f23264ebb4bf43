// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegTraces.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace
{
// The strongest phase's excess over the median of the others, relative to that median.
double Excess(const std::array<double, 8>& sums, const std::array<double, 8>& counts)
{
    std::array<double, 8> means{};
    for (int k = 0; k < 8; ++k)
    {
        if (counts[k] == 0)
            return 0;
        means[k] = sums[k] / counts[k];
    }
    std::array<double, 8> sorted = means;
    std::sort(sorted.begin(), sorted.end());
    const double median = (sorted[3] + sorted[4]) / 2;
    // A flat picture has no differences at all; a quarter of a grey level keeps noise-free
    // synthetic gradients from looking like a grid.
    if (sorted[7] < 0.25)
        return 0;
    return (sorted[7] - median) / std::max(median, 0.25);
}
} // namespace

BlockGridMeter::BlockGridMeter(std::int64_t width) : m_width(width) {}

namespace
{
// Eight 16-bit lanes, one per phase of the grid (GCC and Clang vector types, so the loop runs
// eight differences at a time on any processor without the vectoriser's help).
using Lanes = std::int16_t __attribute__((vector_size(16)));
using Bytes = std::uint8_t __attribute__((vector_size(8)));

inline Lanes Load(const std::uint8_t* at)
{
    Bytes bytes;
    std::memcpy(&bytes, at, sizeof bytes);
    return __builtin_convertvector(bytes, Lanes);
}

// Sums of |a[i] - b[i]| over i < count by i mod 8. A lane takes 128 differences of at most
// 255 before it is emptied into the 64-bit sums.
std::array<std::int64_t, 8> DifferenceSums(const std::uint8_t* a, const std::uint8_t* b,
                                           std::int64_t count)
{
    std::array<std::int64_t, 8> sums{};
    std::int64_t i = 0;
    while (i + 8 <= count)
    {
        Lanes lanes = {};
        for (int n = 0; n < 128 && i + 8 <= count; ++n, i += 8)
        {
            const Lanes d = Load(a + i) - Load(b + i);
            const Lanes sign = d >> 15;
            lanes += (d ^ sign) - sign;
        }
        for (int k = 0; k < 8; ++k)
            sums[k] += lanes[k];
    }
    for (; i < count; ++i)
        sums[i & 7] += std::abs(int(a[i]) - int(b[i]));
    return sums;
}
} // namespace

void BlockGridMeter::AddRow(std::int64_t y, const std::uint8_t* luma)
{
    // Stretches a multiple of 8 long, so that lane k is phase k throughout.
    constexpr std::int64_t STRETCH = std::int64_t{1} << 20;
    for (std::int64_t begin = 0; begin + 1 < m_width; begin += STRETCH)
    {
        const std::array<std::int64_t, 8> across =
            DifferenceSums(luma + begin, luma + begin + 1, std::min(m_width - 1 - begin, STRETCH));
        for (int k = 0; k < 8; ++k)
            m_across[k] += double(across[k]);
    }
    for (int k = 0; k < 8; ++k)
        // Differences at phase k: x = k, k + 8, ... below m_width - 1.
        m_acrossCount[k] += m_width - 1 > k ? double((m_width - 2 - k) / 8 + 1) : 0;
    if (std::abs(y - m_previousY) == 1)
    {
        const std::int64_t top = std::min(y, m_previousY);
        double sum = 0;
        for (std::int64_t begin = 0; begin < m_width; begin += STRETCH)
        {
            const std::array<std::int64_t, 8> down = DifferenceSums(
                luma + begin, m_previous.data() + begin, std::min(m_width - begin, STRETCH));
            for (int k = 0; k < 8; ++k)
                sum += double(down[k]);
        }
        m_down[top & 7] += sum;
        m_downCount[top & 7] += double(m_width);
    }
    m_previous.assign(luma, luma + m_width);
    m_previousY = y;
}

double BlockGridMeter::Strength() const
{
    return std::min(Excess(m_across, m_acrossCount), Excess(m_down, m_downCount));
}

bool BlockGridMeter::Found() const
{
    return Strength() >= JPEG_TRACE_STRENGTH;
}
