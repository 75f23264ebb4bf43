// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// 18 P-array words followed by the four 256-word S-boxes.
inline constexpr std::size_t BLOWFISH_INIT_WORDS = 18 + 4 * 256;

extern const std::array<std::uint32_t, BLOWFISH_INIT_WORDS> BLOWFISH_INIT;
