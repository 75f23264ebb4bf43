// SPDX-License-Identifier: GPL-3.0-or-later
// What hiding and revealing tell the user, each sentence written once: the window shows them in
// message boxes, carvalet-cli prints them on standard error. The texts are the ones users and
// scripts already know, byte for byte (the blanks after "Operation aborted .." included).
#pragma once

#include <cstdint>
#include <string>

namespace hiding
{
inline constexpr const char* NO_TEXT = "There is no text to curtain";
inline constexpr const char* ABORTED = "Operation aborted ..     ";
inline constexpr const char* WRONG_PASSWORD = "Invalid password try again";
inline constexpr const char* SEAL_DAMAGED = "The hidden message has been changed or damaged";
inline constexpr const char* SEAL_NO_MEMORY =
    "There is not enough memory to open the sealed message.";
inline constexpr const char* SEALING_NO_MEMORY = "There is not enough memory to seal the message.";
inline constexpr const char* STEALTH_NO_MEMORY =
    "There is not enough memory to hide the message unseen in this picture.";
inline constexpr const char* CONVERSION_NO_MEMORY =
    "There is not enough memory to convert this picture.";

// Who offers a conversion: the window asks, the command line names its option.
enum class FrontEnd
{
    Window,
    CommandLine,
};

// A stealth message longer than the payload kept allows; the command line names its option.
std::string StealthTooLong(std::int64_t longest, double maxBpc, FrontEnd who);

// "Carvalet could not convert this picture: <why>."
std::string ConversionFailed(const std::string& why);
// The damage sentence, then why a conversion cannot help.
std::string Refusal(const std::string& damage, bool picture, const std::string& obstacle,
                    FrontEnd who);
// The damage sentence, then the conversion on offer.
std::string ConversionOffer(const std::string& damage, int convertedBits, FrontEnd who);
} // namespace hiding
