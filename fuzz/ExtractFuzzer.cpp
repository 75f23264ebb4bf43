// SPDX-License-Identifier: GPL-3.0-or-later
// Extraction from arbitrary carriers: never reads outside them, never lets the cipher's
// error escape, shows at most one message per call, and a record embedded into any
// carrier big enough comes back.

#include "engine/CarrierCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy, so that any read past the end is caught.
    const std::vector<std::uint8_t> carrier(data, data + size);
    const auto length = static_cast<std::int32_t>(carrier.size());
    int shown = 0;
    const ShowMessageFn count = [&shown](const std::string&) { ++shown; };

    for (const std::int32_t slot : {PASSWORD_SLOT, MESSAGE_SLOT})
    {
        shown = 0;
        const std::string text = ExtractText(carrier.data(), length, slot, count);
        Check(shown <= 1);
        Check(text.find('\0') == std::string::npos);
    }

    // Round trip: the carrier's first bytes as the text.
    std::string text(carrier.begin(), carrier.begin() + std::min<std::size_t>(size, 40));
    text.erase(std::min(text.find('\0'), text.size()));
    std::vector<std::uint8_t> copy = carrier;
    shown = 0;
    if (EmbedText(copy.data(), length, MESSAGE_SLOT, text, count) == 1)
    {
        Check(shown == 0);
        const std::string back = ExtractText(copy.data(), length, MESSAGE_SLOT, count);
        Check(shown == 0);
        Check(text.compare(0, back.size(), back) == 0);
        Check(text.find_first_not_of(" \t\n\v\f\r", back.size()) == std::string::npos);
    }
    else
    {
        Check(shown == 1);
    }
    return 0;
}
