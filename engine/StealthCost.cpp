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

// The mean over a (2r+1)^2 window, ends reflected; separable running sums in double.
void BoxMean(const std::vector<float>& in, std::vector<float>& out, std::size_t width,
             std::size_t height, std::ptrdiff_t r)
{
    const double area = static_cast<double>((2 * r + 1) * (2 * r + 1));
    std::vector<float> rows(in.size());
    std::vector<double> line;
    for (std::size_t y = 0; y < height; ++y)
    {
        const float* src = &in[y * width];
        double sum = 0;
        for (std::ptrdiff_t k = -r; k <= r; ++k)
        {
            sum += src[Reflect(k, width)];
        }
        for (std::size_t x = 0; x < width; ++x)
        {
            rows[y * width + x] = static_cast<float>(sum);
            const auto at = static_cast<std::ptrdiff_t>(x);
            sum += src[Reflect(at + r + 1, width)] - src[Reflect(at - r, width)];
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
        const auto at = static_cast<std::ptrdiff_t>(y);
        const float* add = &rows[Reflect(at + r + 1, height) * width];
        const float* drop = &rows[Reflect(at - r, height) * width];
        for (std::size_t x = 0; x < width; ++x)
        {
            out[y * width + x] = static_cast<float>(line[x] / area);
            line[x] += add[x] - drop[x];
        }
    }
}

} // namespace

void HillCosts(const std::uint8_t* plane, std::size_t width, std::size_t height, std::size_t stride,
               std::size_t step, float* costs)
{
    const auto value = [&](std::ptrdiff_t x, std::ptrdiff_t y)
    { return static_cast<float>(plane[Reflect(y, height) * stride + Reflect(x, width) * step]); };
    // |X * KB|, KB = [-1 2 -1; 2 -4 2; -1 2 -1]; the border through reflection, the inside
    // directly.
    std::vector<float> residual(width * height);
    const auto up = static_cast<std::ptrdiff_t>(stride);
    const auto side = static_cast<std::ptrdiff_t>(step);
    const auto kb =
        [](float c, float n, float w, float e, float s, float nw, float ne, float sw, float se)
    { return std::fabs(2 * (n + w + e + s) - (nw + ne + sw + se) - 4 * c); };
    for (std::size_t y = 0; y < height; ++y)
    {
        const auto yy = static_cast<std::ptrdiff_t>(y);
        const bool inside = y > 0 && y + 1 < height;
        for (std::size_t x = 0; x < width; ++x)
        {
            if (inside && x > 0 && x + 1 < width)
            {
                const std::uint8_t* c = plane + y * stride + x * step;
                residual[y * width + x] = kb(c[0], c[-up], c[-side], c[side], c[up], c[-up - side],
                                             c[side - up], c[up - side], c[up + side]);
                continue;
            }
            const auto xx = static_cast<std::ptrdiff_t>(x);
            residual[y * width + x] =
                kb(value(xx, yy), value(xx, yy - 1), value(xx - 1, yy), value(xx + 1, yy),
                   value(xx, yy + 1), value(xx - 1, yy - 1), value(xx + 1, yy - 1),
                   value(xx - 1, yy + 1), value(xx + 1, yy + 1));
        }
    }
    std::vector<float> smoothed(width * height);
    BoxMean(residual, smoothed, width, height, 1);
    for (float& v : smoothed)
    {
        v = std::min(1.0f / (v + 1.0e-10f), HILL_MAX_COST);
    }
    BoxMean(smoothed, residual, width, height, 7);
    for (std::size_t i = 0; i < width * height; ++i)
    {
        costs[i] = std::clamp(residual[i], 1.0e-6f, HILL_MAX_COST);
    }
}
