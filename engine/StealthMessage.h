// SPDX-License-Identifier: GPL-3.0-or-later
// Stealth messages: a sealed message spread over a picture's pixel values with no record, no
// marker and no field at a place anyone could look for. Changes are +1 or -1, placed by
// syndrome-trellis codes where HILL's costs are low, along an order only the password gives.
// engine/STEALTH.md describes the layout precisely.
#pragma once

#include "engine/SealedMessage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A picture as its channel values: rows from the top, `channels` interleaved values a pixel
// (1 grey, 2 grey and alpha, 3 RGB, 4 RGBA), no padding. Alpha, when there is one, is the last
// channel of a pixel and never changes.
struct StealthCover
{
    std::int64_t width = 0;
    std::int64_t height = 0;
    int channels = 0;
    bool hasAlpha = false;
    std::vector<std::uint8_t> values;

    // The values a message may change: every channel but alpha. Zero when the cover's shape
    // is not one of the above.
    std::int64_t Elements() const;
};

inline constexpr std::size_t STEALTH_SALT_BYTES = 16;
inline constexpr std::size_t STEALTH_KEY_BYTES = 32;
using StealthSalt = std::array<std::uint8_t, STEALTH_SALT_BYTES>;
using StealthKey = std::array<std::uint8_t, STEALTH_KEY_BYTES>;

// The payload kept by default, in bits per changeable value, and the most ever allowed.
inline constexpr double STEALTH_SAFE_BPC = 0.2;
inline constexpr double STEALTH_MAX_BPC = 0.5;

// Turns the password and salt into the master key; false when it finds no memory. The program
// uses Argon2id at the sealing cost; tests and the fuzz build pass a cheap stand-in.
using StealthKdf =
    std::function<bool(std::string_view password, const StealthSalt& salt, StealthKey& key)>;
StealthKdf Argon2idKdf(KdfCost cost = SEAL_COST);

// Fills a buffer with random bytes; the program passes libsodium's, known-answer tests a
// fixed sequence.
using StealthRandom = std::function<void(std::uint8_t* out, std::size_t size)>;
StealthRandom SystemRandom();

// The longest message (bytes) that fits at most maxBpc bits per changeable value; 0 when
// none does.
std::int64_t LongestStealthMessage(const StealthCover& cover, double maxBpc = STEALTH_SAFE_BPC);
// The same for a cover of this many changeable values.
std::int64_t LongestStealthFor(std::int64_t values, double maxBpc = STEALTH_SAFE_BPC);

struct StealthHidden
{
    std::vector<std::uint8_t> values; // the stego picture's values, same shape as the cover
    std::string refusal;              // why nothing was hidden; empty on success
};

// Hides a non-empty message of any bytes. Refuses, with a sentence, a password of fewer than
// 8 or more than 64 characters, a message over the limit, a limit outside (0, 0.5], a cover
// of no supported shape, and a key derivation without memory.
StealthHidden HideStealth(const StealthCover& cover, std::span<const std::uint8_t> message,
                          std::string_view password, double maxBpc = STEALTH_SAFE_BPC,
                          const StealthKdf& kdf = Argon2idKdf(),
                          const StealthRandom& random = SystemRandom());

enum class StealthStatus
{
    Found,
    NotFound, // no message, a wrong password and a damaged message alike
    NoMemory, // the key derivation found no memory
};

struct StealthRevealed
{
    StealthStatus status = StealthStatus::NotFound;
    std::vector<std::uint8_t> message; // only when Found; the caller wipes it when done
};

// One key derivation and one pass over the picture, whatever it holds: a picture without a
// message and a wrong password give the same answer after the same work.
StealthRevealed RevealStealth(const StealthCover& cover, std::string_view password,
                              const StealthKdf& kdf = Argon2idKdf());

inline constexpr const char* STEALTH_NOT_FOUND = "No hidden message for this password.";
