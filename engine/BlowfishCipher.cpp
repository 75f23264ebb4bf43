// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/BlowfishCipher.h"

#include "engine/BlowfishTables.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>

namespace
{

// Byte-wise big-endian access: safe on unaligned buffers, and compilers turn it into a
// single load plus bswap.
inline std::uint32_t Load32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

inline void Store32(std::uint32_t v, std::uint8_t* p)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

inline std::uint32_t Round(const std::uint32_t* s, std::uint32_t x)
{
    return ((s[x >> 24] + s[256 + ((x >> 16) & 0xFF)]) ^ s[512 + ((x >> 8) & 0xFF)]) +
           s[768 + (x & 0xFF)];
}

void CheckBufferLength(std::uint32_t length)
{
    if (length == 0 || length % 8 != 0)
    {
        throw std::length_error("Incorrect buffer length");
    }
}

// N independent blocks advance through the rounds side by side, so the S-box lookups of
// one block overlap the dependency chain of the others.
template <std::size_t N>
inline void EncryptLanes(const std::uint32_t* p, const std::uint32_t* s, std::uint32_t (&l)[N],
                         std::uint32_t (&r)[N])
{
#pragma GCC unroll 8
    for (std::size_t n = 0; n < N; ++n)
    {
        l[n] ^= p[0];
    }
#pragma GCC unroll 8
    for (std::size_t i = 1; i <= 16; i += 2)
    {
#pragma GCC unroll 8
        for (std::size_t n = 0; n < N; ++n)
        {
            r[n] ^= Round(s, l[n]) ^ p[i];
        }
#pragma GCC unroll 8
        for (std::size_t n = 0; n < N; ++n)
        {
            l[n] ^= Round(s, r[n]) ^ p[i + 1];
        }
    }
#pragma GCC unroll 8
    for (std::size_t n = 0; n < N; ++n)
    {
        const std::uint32_t t = r[n] ^ p[17];
        r[n] = l[n];
        l[n] = t;
    }
}

template <std::size_t N>
inline void DecryptLanes(const std::uint32_t* p, const std::uint32_t* s, std::uint32_t (&l)[N],
                         std::uint32_t (&r)[N])
{
#pragma GCC unroll 8
    for (std::size_t n = 0; n < N; ++n)
    {
        l[n] ^= p[17];
    }
#pragma GCC unroll 8
    for (std::size_t i = 16; i >= 2; i -= 2)
    {
#pragma GCC unroll 8
        for (std::size_t n = 0; n < N; ++n)
        {
            r[n] ^= Round(s, l[n]) ^ p[i];
        }
#pragma GCC unroll 8
        for (std::size_t n = 0; n < N; ++n)
        {
            l[n] ^= Round(s, r[n]) ^ p[i - 1];
        }
    }
#pragma GCC unroll 8
    for (std::size_t n = 0; n < N; ++n)
    {
        const std::uint32_t t = r[n] ^ p[0];
        r[n] = l[n];
        l[n] = t;
    }
}

// Every lane is loaded before any is stored, which keeps output == input safe.
template <std::size_t N, bool Encrypting>
inline void CryptLanes(const std::uint32_t* p, const std::uint32_t* s, const std::uint8_t* in,
                       std::uint8_t* out)
{
    std::uint32_t l[N];
    std::uint32_t r[N];
#pragma GCC unroll 8
    for (std::size_t n = 0; n < N; ++n)
    {
        l[n] = Load32(in + 8 * n);
        r[n] = Load32(in + 8 * n + 4);
    }
    if constexpr (Encrypting)
    {
        EncryptLanes<N>(p, s, l, r);
    }
    else
    {
        DecryptLanes<N>(p, s, l, r);
    }
#pragma GCC unroll 8
    for (std::size_t n = 0; n < N; ++n)
    {
        Store32(l[n], out + 8 * n);
        Store32(r[n], out + 8 * n + 4);
    }
}

template <bool Encrypting>
void CryptEcb(const std::uint32_t* p, const std::uint32_t* s, const std::uint8_t* in,
              std::uint8_t* out, std::uint32_t blocks)
{
    constexpr std::uint32_t LANES = 4;
    std::size_t offset = 0;
    for (; blocks >= LANES; blocks -= LANES, offset += 8 * LANES)
    {
        CryptLanes<LANES, Encrypting>(p, s, in + offset, out + offset);
    }
    for (; blocks > 0; --blocks, offset += 8)
    {
        CryptLanes<1, Encrypting>(p, s, in + offset, out + offset);
    }
}

} // namespace

void LoadBlock(const std::uint8_t* bytes, CipherBlock& block)
{
    block.left = Load32(bytes);
    block.right = Load32(bytes + 4);
}

void StoreBlock(const CipherBlock& block, std::uint8_t* bytes)
{
    Store32(block.left, bytes);
    Store32(block.right, bytes + 4);
}

CBlowfishCipher::CBlowfishCipher(const std::uint8_t* key, std::uint32_t keyLength,
                                 CipherBlock chain)
    : m_initialChain(chain), m_currentChain(m_initialChain)
{
    if (keyLength == 0)
    {
        throw std::length_error("Incorrect key length");
    }
    const std::uint32_t used = std::min(keyLength, MAX_KEY_LENGTH);

    std::copy_n(BLOWFISH_INIT.begin(), m_pArray.size(), m_pArray.begin());
    std::copy_n(BLOWFISH_INIT.begin() + m_pArray.size(), m_sBoxes.size(), m_sBoxes.begin());

    std::uint32_t position = 0;
    for (std::uint32_t& subkey : m_pArray)
    {
        std::uint32_t word = 0;
        for (int i = 0; i < 4; ++i)
        {
            word = (word << 8) | key[position];
            position = (position + 1 == used) ? 0 : position + 1;
        }
        subkey ^= word;
    }

    CipherBlock block;
    for (std::size_t i = 0; i < m_pArray.size(); i += 2)
    {
        EncryptBlock(block);
        m_pArray[i] = block.left;
        m_pArray[i + 1] = block.right;
    }
    for (std::size_t i = 0; i < m_sBoxes.size(); i += 2)
    {
        EncryptBlock(block);
        m_sBoxes[i] = block.left;
        m_sBoxes[i + 1] = block.right;
    }
}

void CBlowfishCipher::EncryptBlock(CipherBlock& block) const
{
    std::uint32_t l[1] = {block.left};
    std::uint32_t r[1] = {block.right};
    EncryptLanes<1>(m_pArray.data(), m_sBoxes.data(), l, r);
    block.left = l[0];
    block.right = r[0];
}

void CBlowfishCipher::DecryptBlock(CipherBlock& block) const
{
    std::uint32_t l[1] = {block.left};
    std::uint32_t r[1] = {block.right};
    DecryptLanes<1>(m_pArray.data(), m_sBoxes.data(), l, r);
    block.left = l[0];
    block.right = r[0];
}

void CBlowfishCipher::Encrypt(const std::uint8_t* input, std::uint8_t* output, std::uint32_t length,
                              int mode) const
{
    CheckBufferLength(length);
    const std::uint32_t blocks = length / 8;
    if (mode != CBC && mode != CFB)
    {
        CryptEcb<true>(m_pArray.data(), m_sBoxes.data(), input, output, blocks);
        return;
    }

    CipherBlock chain = m_currentChain;
    for (std::size_t offset = 0; offset < length; offset += 8)
    {
        CipherBlock block;
        LoadBlock(input + offset, block);
        if (mode == CBC)
        {
            block.left ^= chain.left;
            block.right ^= chain.right;
            EncryptBlock(block);
        }
        else
        {
            EncryptBlock(chain);
            block.left ^= chain.left;
            block.right ^= chain.right;
        }
        StoreBlock(block, output + offset);
        chain = block;
    }
}

void CBlowfishCipher::Decrypt(const std::uint8_t* input, std::uint8_t* output, std::uint32_t length,
                              int mode) const
{
    CheckBufferLength(length);
    const std::uint32_t blocks = length / 8;
    if (mode != CBC && mode != CFB)
    {
        CryptEcb<false>(m_pArray.data(), m_sBoxes.data(), input, output, blocks);
        return;
    }

    CipherBlock chain = m_currentChain;
    for (std::size_t offset = 0; offset < length; offset += 8)
    {
        CipherBlock cipherText;
        LoadBlock(input + offset, cipherText);
        CipherBlock block = cipherText;
        if (mode == CBC)
        {
            DecryptBlock(block);
            block.left ^= chain.left;
            block.right ^= chain.right;
        }
        else
        {
            EncryptBlock(chain);
            block.left ^= chain.left;
            block.right ^= chain.right;
        }
        StoreBlock(block, output + offset);
        chain = cipherText;
    }
}
