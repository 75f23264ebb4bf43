// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of changing each value of a picture plane by one, from HILL (B. Li, M. Wang, J. Huang,
// X. Li, "A new cost function for spatial image steganography", ICIP 2014): the residual of the
// Ker-Boehme 3x3 high-pass filter, its magnitude averaged over 3x3, inverted, then averaged
// over 15x15. Textured areas come out cheap, smooth ones dear.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The costs of the plane's values, which lie `step` bytes apart within rows of `stride` bytes
// (rows from the top). Writes width * height costs, row by row, each in (0, HILL_MAX_COST];
// scratch is resized to a plane and may be reused from call to call.
void HillCosts(const std::uint8_t* plane, std::size_t width, std::size_t height, std::size_t stride,
               std::size_t step, float* costs, std::vector<float>& scratch);

inline constexpr float HILL_MAX_COST = 1.0e4f;
