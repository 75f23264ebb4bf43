// SPDX-License-Identifier: GPL-3.0-or-later
// Reading stealth messages from arbitrary pictures, and picture files as stealth covers: never
// reads outside them, never crashes, never finds a message longer than the picture could hold,
// and a message hidden in any picture big enough comes back. The key derivation is a cheap
// keyed hash here, so that each input costs one pass.

#include "engine/StealthMessage.h"
#include "imaging/StealthPicture.h"

#include <sodium.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace
{

void Check(bool condition)
{
    if (!condition)
    {
        std::abort();
    }
}

bool CheapKdf(std::string_view password, const StealthSalt& salt, StealthKey& key)
{
    crypto_generichash(key.data(), key.size(),
                       reinterpret_cast<const std::uint8_t*>(password.data()), password.size(),
                       salt.data(), salt.size());
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (sodium_init() < 0)
    {
        return 0;
    }
    // As a file: a bitmap or PNG read as a cover, then read for a message.
    const std::vector<std::uint8_t> file(data, data + size);
    const StealthPictureRead read = ReadStealthPicture(file);
    Check(read.picture.has_value() == read.refusal.empty());

    // As raw values: the first three bytes choose the shape, the rest are the values.
    if (size < 3)
    {
        return 0;
    }
    StealthCover cover;
    cover.channels = 1 + data[0] % 4;
    cover.hasAlpha = cover.channels % 2 == 0;
    cover.width = 1 + data[1];
    const std::size_t pixels = (size - 3) / static_cast<std::size_t>(cover.channels);
    cover.height = static_cast<std::int64_t>(pixels) / cover.width;
    cover.values.assign(data + 3, data + 3 + cover.width * cover.height * cover.channels);
    // Small pictures are tiled up to a size that can hold a message.
    while (cover.height > 0 && cover.values.size() < 6000)
    {
        const std::vector<std::uint8_t> copy = cover.values;
        cover.values.insert(cover.values.end(), copy.begin(), copy.end());
        cover.height *= 2;
    }

    const StealthRevealed revealed = RevealStealth(cover, "fuzzing password", CheapKdf);
    Check(revealed.status != StealthStatus::Found ||
          static_cast<std::int64_t>(revealed.message.size()) <=
              LongestStealthMessage(cover, STEALTH_MAX_BPC));

    if (data[2] % 8 == 0 && LongestStealthMessage(cover) >= 4)
    {
        const std::vector<std::uint8_t> message = {data[0], 0, data[1], data[2]};
        const StealthHidden hidden =
            HideStealth(cover, message, "fuzzing password", STEALTH_SAFE_BPC, CheapKdf);
        Check(hidden.refusal.empty());
        StealthCover stego = cover;
        stego.values = hidden.values;
        Check(RevealStealth(stego, "fuzzing password", CheapKdf).message == message);
    }
    return 0;
}
