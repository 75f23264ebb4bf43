// SPDX-License-Identifier: GPL-3.0-or-later
// What `info` tells about a carrier's picture: its layout, and whether hiding needs a
// conversion. Each fact has a name and a JSON value as well as its plain line, so that a
// JSON printer can use the same facts.
#pragma once

#include "hiding/CarrierPlan.h"

#include <string>
#include <vector>

struct InfoFact
{
    std::string key;   // JSON member name: "bits_per_pixel"
    std::string label; // plain line: "Bits per pixel"
    std::string value; // plain value: "24"
    std::string json;  // JSON value: 24, "none", true
};

std::vector<InfoFact> PictureFacts(const hiding::CarrierPlan& plan);
