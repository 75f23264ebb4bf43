// SPDX-License-Identifier: GPL-3.0-or-later
#include "hiding/Sentences.h"

namespace hiding
{
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
