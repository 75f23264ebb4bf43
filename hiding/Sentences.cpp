// SPDX-License-Identifier: GPL-3.0-or-later
#include "hiding/Sentences.h"

#include <cstdio>

namespace hiding
{
std::string StealthTooLong(std::int64_t longest, double maxBpc, FrontEnd who)
{
    char bpc[32];
    std::snprintf(bpc, sizeof bpc, "%g", maxBpc);
    const std::string sentence = longest == 0
                                     ? "This picture is too small to hide a message unseen at " +
                                           std::string(bpc) + " bits per value."
                                     : "This picture hides at most " + std::to_string(longest) +
                                           " bytes unseen at " + bpc + " bits per value.";
    return sentence + (who == FrontEnd::CommandLine
                           ? " --max-payload raises the limit, and the chance of detection."
                           : "");
}

std::string ConversionFailed(const std::string& why)
{
    return "Carvalet could not convert this picture: " + why + ".";
}

std::string Refusal(const std::string& damage, bool picture, const std::string& obstacle,
                    FrontEnd who)
{
    if (picture)
        return damage + " Carvalet cannot convert it: " + obstacle + ".";
    return damage + (who == FrontEnd::Window
                         ? " Carvalet hides messages in BMP and PNG pictures."
                         : " Carvalet hides messages in BMP pictures, and in PNG pictures with "
                           "--convert.");
}

std::string ConversionOffer(const std::string& damage, int convertedBits, FrontEnd who)
{
    const std::string bitmap = std::to_string(convertedBits) + "-bit bitmap that looks the same";
    return damage + (who == FrontEnd::Window
                         ? " Carvalet can save it as a " + bitmap + ". Continue?"
                         : " Run hide with --convert to save it as a " + bitmap + ".");
}
} // namespace hiding
