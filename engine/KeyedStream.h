// SPDX-License-Identifier: GPL-3.0-or-later
// A deterministic stream of pseudo-random numbers from a 32-byte key: ChaCha20's key stream
// (RFC 8439 block function, zero nonce, block counter from 0), read as little-endian 32-bit
// words. Both the hiding and the reading side draw the same numbers in the same order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class KeyedStream
{
public:
    explicit KeyedStream(const std::array<std::uint8_t, 32>& key);
    ~KeyedStream();
    KeyedStream(const KeyedStream&) = delete;
    KeyedStream& operator=(const KeyedStream&) = delete;

    std::uint32_t Next();
    // Uniform in [0, bound), bound >= 1: Lemire's multiply-and-reject, so no value is favoured.
    std::uint32_t Below(std::uint32_t bound);

private:
    void Refill();

    std::array<std::uint8_t, 32> m_key;
    std::array<std::uint8_t, 1024> m_block{};
    std::size_t m_at = 1024;
    std::uint32_t m_counter = 0;
};
