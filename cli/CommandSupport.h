// Small pieces the commands share.
#pragma once

#include "CarrierCodec.h"

#include <cstdint>
#include <iostream>
#include <vector>

// Reports codec messages on standard error and remembers that one was shown.
struct CodecMessages
{
    bool shown = false;
    ShowMessageFn Fn()
    {
        return [this](const std::string& text)
        {
            shown = true;
            std::cerr << text << '\n';
        };
    }
};

inline std::int32_t LengthOf(const std::vector<std::uint8_t>& carrier)
{
    return static_cast<std::int32_t>(carrier.size());
}
