// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

// One 64-bit block as two big-endian halves: byte 0 is the top byte of `left`.
struct CipherBlock
{
    std::uint32_t left = 0;
    std::uint32_t right = 0;
};

enum CipherMode : int
{
    ECB = 0,
    CBC = 1,
    CFB = 2,
};

void LoadBlock(const std::uint8_t* bytes, CipherBlock& block);
void StoreBlock(const CipherBlock& block, std::uint8_t* bytes);

// Blowfish with 16 rounds. Misuse (key length 0, a buffer length that is 0 or not a
// multiple of 8) throws std::length_error carrying "Incorrect key length" or
// "Incorrect buffer length". A finished object never changes, so it may be shared.
class CBlowfishCipher
{
public:
    static constexpr std::uint32_t MAX_KEY_LENGTH = 56;

    CBlowfishCipher(const std::uint8_t* key, std::uint32_t keyLength, CipherBlock chain = {});

    void EncryptBlock(CipherBlock& block) const;
    void DecryptBlock(CipherBlock& block) const;

    // Whole buffers of 8-byte blocks; output may be input itself. Mode 1 is CBC, 2 is CFB,
    // anything else ECB. CBC and CFB restart from the construction chain on every call.
    void Encrypt(const std::uint8_t* input, std::uint8_t* output, std::uint32_t length,
                 int mode = ECB) const;
    void Decrypt(const std::uint8_t* input, std::uint8_t* output, std::uint32_t length,
                 int mode = ECB) const;

private:
    CipherBlock m_initialChain;
    CipherBlock m_currentChain;
    std::array<std::uint32_t, 18> m_pArray;
    std::array<std::uint32_t, 4 * 256> m_sBoxes;
};
