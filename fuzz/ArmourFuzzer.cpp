// SPDX-License-Identifier: GPL-3.0-or-later
// The armour parser on arbitrary text: never reads outside it, accepts only what sealing
// writes, and never opens an armour whose text was changed.

#include "engine/SealedMessage.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{

void Check(bool condition)
{
    if (!condition)
    {
        std::abort();
    }
}

constexpr KdfCost CHEAP = {1, 8};
constexpr const char* PASSWORD = "lanterns";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy, so that any read past the end is caught.
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const std::optional<SealedMessage> sealed = ParseArmour(text))
    {
        Check(LooksSealed(text));
        Check(sealed->ciphertext.size() > SEAL_TAG_BYTES);
        // Only the cheap cost is opened here; dearer ones are the benchmark's business.
        if (sealed->cost == CHEAP)
        {
            const UnsealResult result = OpenSealed(*sealed, PASSWORD);
            Check(result.status != UnsealStatus::NoMemory);
            Check(result.status == UnsealStatus::Opened || result.message.empty());
        }
        return 0;
    }

    // Round trip: the input as a message, sealed, then one byte of its armour changed.
    if (text.empty() || text.size() > 512)
    {
        return 0;
    }
    SealSalt salt{};
    SealNonce nonce{};
    salt[0] = data[0];
    const std::string armour = SealMessageWith(text, PASSWORD, CHEAP, salt, nonce);
    Check(static_cast<std::int64_t>(armour.size()) == ArmourLength(std::int64_t(text.size())));
    const std::optional<SealedMessage> sealed = ParseArmour(armour);
    Check(sealed.has_value());
    const UnsealResult opened = OpenSealed(*sealed, PASSWORD);
    Check(opened.status == UnsealStatus::Opened && opened.message == text);

    std::string changed = armour;
    const std::size_t at = data[size - 1] * 257u % changed.size();
    changed[at] = static_cast<char>(changed[at] ^ (data[size / 2] | 1));
    if (const std::optional<SealedMessage> reparsed = ParseArmour(changed))
    {
        Check(OpenSealed(*reparsed, PASSWORD).status != UnsealStatus::Opened);
    }
    return 0;
}
