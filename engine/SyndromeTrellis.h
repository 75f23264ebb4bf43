// SPDX-License-Identifier: GPL-3.0-or-later
// Syndrome-trellis codes (Filler, Judas, Fridrich, "Minimizing additive distortion in
// steganography using syndrome-trellis codes", IEEE TIFS 6(3), 2011): a message of m bits is
// carried by n >= 2m cover bits as the syndrome H*y of the stego bits y, where H is the
// banded parity-check matrix built from an h-row submatrix; the Viterbi algorithm finds the y
// closest to the cover bits under additive costs.
//
// Long messages are cut into chunks (at most STC_CHUNK_BITS message bits and STC_CHUNK_COLUMNS
// cover bits each) coded one after the other, so memory stays bounded. The submatrix's columns
// come from a 32-byte code key. engine/STEALTH.md describes the exact construction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

inline constexpr int STC_HEIGHT = 7;
inline constexpr std::size_t STC_CHUNK_BITS = 8192;
inline constexpr std::size_t STC_CHUNK_COLUMNS = 1 << 18;

using StcKey = std::array<std::uint8_t, 32>;

// The stego bits (0 or 1, one per cover bit) whose syndrome is the message, changing cover
// bits of least total cost. Needs 1 <= message.size() and 2 * message.size() <= cover.size();
// throws std::invalid_argument otherwise. Costs are finite and not negative.
std::vector<std::uint8_t> StcEmbed(std::span<const std::uint8_t> coverBits,
                                   std::span<const float> costs,
                                   std::span<const std::uint8_t> messageBits, const StcKey& key,
                                   int height = STC_HEIGHT);

// The syndrome (messageBits bits, 0 or 1) of the given bits, under the same conditions.
std::vector<std::uint8_t> StcExtract(std::span<const std::uint8_t> stegoBits,
                                     std::size_t messageBits, const StcKey& key,
                                     int height = STC_HEIGHT);
