// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/JpegTraces.h"

#include <algorithm>
#include <cstdlib>

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

void BlockGridMeter::AddRow(std::int64_t y, const std::uint8_t* luma)
{
    // 32-bit sums by phase over stretches short enough not to overflow them; eight
    // independent sums, one per phase, so that the loop runs without waiting on one.
    constexpr std::int64_t STRETCH = std::int64_t{1} << 20;
    const auto difference = [](int a, int b) { return a > b ? a - b : b - a; };
    for (std::int64_t begin = 0; begin + 1 < m_width; begin += STRETCH)
    {
        const std::int64_t end = std::min(m_width - 1, begin + STRETCH); // last x + 1
        std::uint32_t across[8] = {};
        std::int64_t x = begin;
        for (; x + 8 <= end; x += 8)
            for (int k = 0; k < 8; ++k)
                across[k] += std::uint32_t(difference(luma[x + k], luma[x + k + 1]));
        for (; x < end; ++x)
            across[x & 7] += std::uint32_t(difference(luma[x], luma[x + 1]));
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
            const std::int64_t end = std::min(m_width, begin + STRETCH);
            std::uint32_t part = 0;
            for (std::int64_t i = begin; i < end; ++i)
                part += std::uint32_t(difference(luma[i], m_previous[i]));
            sum += double(part);
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
