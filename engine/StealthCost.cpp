// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/StealthCost.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

// Index i of a line of n reflected at its ends (..., 1, 0, 0, 1, ...), for any i.
std::size_t Reflect(std::ptrdiff_t i, std::size_t n)
{
    const auto period = static_cast<std::ptrdiff_t>(2 * n);
    std::ptrdiff_t r = i % period;
    if (r < 0)
    {
        r += period;
    }
    return static_cast<std::size_t>(r < static_cast<std::ptrdiff_t>(n) ? r : period - 1 - r);
}

// Replaces the plane with its mean over a (2r+1)^2 window, ends reflected: separable running
// sums in double, the row sums kept in `rows` (a plane of the same size) on the way.
void BoxMean(float* plane, float* rows, std::size_t width, std::size_t height, std::ptrdiff_t r)
{
    const double area = static_cast<double>((2 * r + 1) * (2 * r + 1));
    const float* in = plane;
    float* out = plane;
    std::vector<double> line;
    // Reflected column indices, from -r to width + r, computed once.
    std::vector<std::size_t> at(width + 2 * static_cast<std::size_t>(r) + 1);
    for (std::size_t i = 0; i < at.size(); ++i)
    {
        at[i] = Reflect(static_cast<std::ptrdiff_t>(i) - r, width);
    }
    const auto span = static_cast<std::size_t>(2 * r + 1);
    for (std::size_t y = 0; y < height; ++y)
    {
        const float* src = &in[y * width];
        float* dst = &rows[y * width];
        double sum = 0;
        for (std::size_t k = 0; k < span; ++k)
        {
            sum += src[at[k]];
        }
        for (std::size_t x = 0; x < width; ++x)
        {
            dst[x] = static_cast<float>(sum);
            sum += src[at[x + span]] - src[at[x]];
        }
    }
    line.assign(width, 0.0);
    for (std::ptrdiff_t k = -r; k <= r; ++k)
    {
        const float* src = &rows[Reflect(k, height) * width];
        for (std::size_t x = 0; x < width; ++x)
        {
            line[x] += src[x];
        }
    }
    for (std::size_t y = 0; y < height; ++y)
    {
        const auto row = static_cast<std::ptrdiff_t>(y);
        const float* add = &rows[Reflect(row + r + 1, height) * width];
        const float* drop = &rows[Reflect(row - r, height) * width];
        for (std::size_t x = 0; x < width; ++x)
        {
            out[y * width + x] = static_cast<float>(line[x] / area);
            line[x] += add[x] - drop[x];
        }
    }
}

} // namespace

void HillCosts(const std::uint8_t* plane, std::size_t width, std::size_t height, std::size_t stride,
               std::size_t step, float* costs, std::vector<float>& scratch)
{
    // |X * KB|, KB = [-1 2 -1; 2 -4 2; -1 2 -1], the plane's rows copied one at a time into a
    // line with reflected ends, so the inner loop runs over contiguous integers.
    std::vector<float>& residual = scratch;
    residual.resize(width * height);
    std::vector<std::int32_t> lines(3 * (width + 2));
    const auto copyRow = [&](std::ptrdiff_t y, std::int32_t* line)
    {
        const std::uint8_t* row = plane + Reflect(y, height) * stride;
        for (std::size_t x = 0; x < width; ++x)
        {
            line[x + 1] = row[x * step];
        }
        line[0] = line[Reflect(-1, width) + 1];
        line[width + 1] = line[Reflect(static_cast<std::ptrdiff_t>(width), width) + 1];
    };
    std::int32_t* above = &lines[0];
    std::int32_t* here = &lines[width + 2];
    std::int32_t* below = &lines[2 * (width + 2)];
    copyRow(-1, above);
    copyRow(0, here);
    for (std::size_t y = 0; y < height; ++y)
    {
        // Each row is copied once: the three lines turn over as the rows go down.
        copyRow(static_cast<std::ptrdiff_t>(y) + 1, below);
        float* out = &residual[y * width];
        for (std::size_t x = 0; x < width; ++x)
        {
            const std::int32_t r = 2 * (above[x + 1] + here[x] + here[x + 2] + below[x + 1]) -
                                   (above[x] + above[x + 2] + below[x] + below[x + 2]) -
                                   4 * here[x + 1];
            out[x] = static_cast<float>(r < 0 ? -r : r);
        }
        std::swap(above, here);
        std::swap(here, below);
    }
    // The costs' own plane holds the row sums until the end.
    BoxMean(residual.data(), costs, width, height, 1);
    for (float& v : residual)
    {
        v = std::min(1.0f / (v + 1.0e-10f), HILL_MAX_COST);
    }
    BoxMean(residual.data(), costs, width, height, 7);
    for (std::size_t i = 0; i < width * height; ++i)
    {
        costs[i] = std::clamp(residual[i], 1.0e-6f, HILL_MAX_COST);
    }
}
