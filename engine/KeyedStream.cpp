// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/KeyedStream.h"

#include <sodium.h>

KeyedStream::KeyedStream(const std::array<std::uint8_t, 32>& key) : m_key(key)
{
    static_assert(crypto_stream_chacha20_ietf_KEYBYTES == 32);
}

KeyedStream::~KeyedStream()
{
    sodium_memzero(m_key.data(), m_key.size());
    sodium_memzero(m_block.data(), m_block.size());
}

void KeyedStream::Refill()
{
    static const std::array<std::uint8_t, crypto_stream_chacha20_ietf_NONCEBYTES> nonce{};
    m_block.fill(0);
    crypto_stream_chacha20_ietf_xor_ic(m_block.data(), m_block.data(), m_block.size(), nonce.data(),
                                       m_counter, m_key.data());
    m_counter += static_cast<std::uint32_t>(m_block.size() / 64);
    m_at = 0;
}

std::uint32_t KeyedStream::Next()
{
    if (m_at + 4 > m_block.size())
    {
        Refill();
    }
    const std::uint8_t* at = &m_block[m_at];
    m_at += 4;
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
           std::uint32_t{at[3]} << 24;
}

std::uint32_t KeyedStream::Below(std::uint32_t bound)
{
    std::uint64_t product = std::uint64_t{Next()} * bound;
    auto low = static_cast<std::uint32_t>(product);
    if (low < bound)
    {
        const std::uint32_t threshold = (0u - bound) % bound;
        while (low < threshold)
        {
            product = std::uint64_t{Next()} * bound;
            low = static_cast<std::uint32_t>(product);
        }
    }
    return static_cast<std::uint32_t>(product >> 32);
}
