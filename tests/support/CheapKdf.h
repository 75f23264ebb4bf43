// SPDX-License-Identifier: GPL-3.0-or-later
// Tests never pay for Argon2id at 256 MiB: a cheap mix of password and salt stands in for the
// stealth key derivation.
#pragma once

#include "engine/StealthMessage.h"

#include <cstdint>

namespace cheapkdf
{
inline bool Derive(std::string_view password, const StealthSalt& salt, StealthKey& key)
{
    std::uint64_t h = 1469598103934665603u;
    const auto mix = [&h](std::uint8_t b) { h = (h ^ b) * 1099511628211u; };
    for (const char c : password)
        mix(static_cast<std::uint8_t>(c));
    for (const std::uint8_t b : salt)
        mix(b);
    for (std::size_t i = 0; i < key.size(); ++i)
    {
        mix(static_cast<std::uint8_t>(i));
        key[i] = static_cast<std::uint8_t>(h >> 56);
    }
    return true;
}
} // namespace cheapkdf
