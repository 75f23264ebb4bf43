// SPDX-License-Identifier: GPL-3.0-or-later
// Traces of JPEG compression in a picture that is no longer a JPEG: the 8x8 block grid. A
// picture that was once a JPEG carries the grid in every later copy, and any change made after
// it (a hidden message among them) disturbs the grid's statistics; the hiding plan refuses such
// pictures where that matters, so the measure lives here, beside the other picture code.
//
// The measure follows Fan and de Queiroz ("Identification of bitmap compression history: JPEG
// detection and quantizer estimation", IEEE Trans. Image Processing 12(2), 2003): differences
// between neighbouring pixels that straddle a block boundary are larger than those inside a
// block. Here the mean absolute difference is gathered for each of the 8 phases of the grid,
// across columns and across rows; a grid shows as one phase standing out in both directions.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class BlockGridMeter
{
public:
    explicit BlockGridMeter(std::int64_t width);

    // One row of luminance, y counted from the top. Rows come one after another, upwards or
    // downwards; a row that does not follow the previous one starts a new run.
    void AddRow(std::int64_t y, const std::uint8_t* luma);

    // How far the strongest phase stands out from the others, the weaker of the two
    // directions: 0 for no grid, about 0.1 and more for a JPEG at usual qualities.
    double Strength() const;
    // Whether the strength shows a grid (JPEG_TRACE_STRENGTH).
    bool Found() const;

private:
    std::int64_t m_width;
    std::vector<std::uint8_t> m_previous;
    std::int64_t m_previousY = -2;
    std::array<double, 8> m_across{}; // |p(x) - p(x+1)| by x mod 8
    std::array<double, 8> m_down{};   // |p(y) - p(y+1)| by y mod 8
    std::array<double, 8> m_acrossCount{};
    std::array<double, 8> m_downCount{};
};

// Chosen on natural photographs (see README, "What a detector sees").
inline constexpr double JPEG_TRACE_STRENGTH = 0.25;
