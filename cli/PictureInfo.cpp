// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PictureInfo.h"

#include <algorithm>
#include <map>

namespace
{
std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

InfoFact Text(std::string key, std::string label, const std::string& value)
{
    return {std::move(key), std::move(label), value, Quoted(value)};
}

InfoFact Number(std::string key, std::string label, std::int64_t value,
                const std::string& unit = "")
{
    return {std::move(key), std::move(label), std::to_string(value) + unit, std::to_string(value)};
}

InfoFact Dimensions(std::int64_t width, std::int64_t height)
{
    const std::string w = std::to_string(width);
    const std::string h = std::to_string(height);
    std::string json = "[";
    json.append(w).append(", ").append(h).append("]");
    return {"dimensions", "Dimensions", w + " x " + h, json};
}

std::string Compression(std::uint32_t value)
{
    static const std::map<std::uint32_t, std::string> names = {
        {BITMAP_RGB, "none"},
        {BITMAP_RLE8, "RLE8"},
        {BITMAP_RLE4, "RLE4"},
        {BITMAP_BITFIELDS, "bit fields"},
        {BITMAP_ALPHABITFIELDS, "bit fields with alpha"}};
    const auto it = names.find(value);
    return it != names.end() ? it->second : std::to_string(value);
}

std::string PngColour(const PngHeader& png)
{
    static const std::map<int, std::string> names = {
        {0, "grey"}, {2, "RGB"}, {3, "palette"}, {4, "grey with alpha"}, {6, "RGB with alpha"}};
    const auto it = names.find(png.colourType);
    std::string out =
        it != names.end() ? it->second : "colour type " + std::to_string(png.colourType);
    if (png.hasAlpha && (png.colourType == 0 || png.colourType == 2 || png.colourType == 3))
        out += " with transparency";
    return out;
}

void BitmapFacts(const BitmapLayout& layout, std::vector<InfoFact>& out)
{
    out.push_back(Number("header_size", "Header", layout.headerSize, " bytes"));
    out.push_back(Number("bits_per_pixel", "Bits per pixel", layout.bitsPerPixel));
    out.push_back(Text("compression", "Compression", Compression(layout.compression)));
    if (layout.paletteEnd > layout.paletteBegin)
    {
        const std::int64_t entries =
            (layout.paletteEnd - layout.paletteBegin) / (layout.headerSize == 12 ? 3 : 4);
        out.push_back({"palette_colours", "Palette",
                       std::to_string(entries) + " colours (bytes " +
                           std::to_string(layout.paletteBegin) + " to " +
                           std::to_string(layout.paletteEnd - 1) + ")",
                       std::to_string(entries)});
    }
    out.push_back(Number("pixels_begin", "Pixels from byte", layout.pixelOffset));
    if (!layout.RunLength())
        out.push_back(Number("pixels_end", "Pixels up to byte", layout.PixelsEnd() - 1));
    if (layout.profileEnd > layout.profileBegin)
        out.push_back({"colour_profile", "Colour profile",
                       "bytes " + std::to_string(layout.profileBegin) + " to " +
                           std::to_string(layout.profileEnd - 1),
                       "true"});
}

std::string Converted(const CarrierInspection& inspection)
{
    return "conversion to a " + std::to_string(inspection.convertedBits) + "-bit bitmap";
}

void HidingFacts(const CarrierInspection& inspection, const hiding::Reach& reach,
                 std::vector<InfoFact>& out)
{
    const std::int64_t safe = reach.safe;
    // What a message damages once it reaches the first byte that is not safe.
    const HidingVerdict& damage = reach.beyond;
    std::string plan;
    std::string line;
    switch (damage.plan)
    {
    case HidingPlan::AsIs:
        plan = "as-is";
        line = "as it is";
        break;
    case HidingPlan::Convert:
        plan = safe > 0 ? "partly-as-is" : "convert";
        line = "needs " + Converted(inspection) + " (" + damage.reason + ")";
        break;
    case HidingPlan::Refuse:
        plan = safe > 0 ? "partly-as-is" : "refuse";
        line = "refused (" + damage.reason + ")";
        break;
    }
    if (safe > 0 && damage.plan != HidingPlan::AsIs)
        line = "as it is up to " + std::to_string(safe) + " bytes; longer messages " +
               (damage.plan == HidingPlan::Convert ? "need " + Converted(inspection)
                                                   : std::string("are refused")) +
               " (" + damage.reason + ")";
    out.push_back({"hiding", "Hiding", line, Quoted(plan)});
    out.push_back(Number("longest_safe_message", "Longest message as it is",
                         std::min(safe, reach.asIs), " bytes"));
    if (!damage.reason.empty())
        out.push_back(Text("damage", "Would damage", damage.reason));
    if (damage.plan == HidingPlan::Refuse && !inspection.ConversionObstacle().empty() &&
        inspection.format != CarrierFormat::Unknown)
        out.push_back(Text("no_conversion", "Cannot convert", inspection.ConversionObstacle()));
    if (damage.plan == HidingPlan::Convert)
    {
        out.push_back(
            Number("converted_bits", "Converted bits per pixel", inspection.convertedBits));
        out.push_back(Number("longest_converted_message", "Longest message once converted",
                             reach.converted, " bytes"));
    }
}
} // namespace

std::vector<InfoFact> PictureFacts(const hiding::CarrierPlan& plan)
{
    const CarrierInspection& inspection = plan.Inspection();
    std::vector<InfoFact> out;
    out.push_back(Text("format", "Format",
                       inspection.formatName.empty() ? "not a picture" : inspection.formatName));
    if (inspection.bitmap)
    {
        out.push_back(Dimensions(inspection.bitmap->width, inspection.bitmap->height));
        BitmapFacts(*inspection.bitmap, out);
    }
    else if (inspection.format == CarrierFormat::Png)
    {
        const PngHeader& png = inspection.png;
        out.push_back(Dimensions(png.width, png.height));
        out.push_back(Text("colour", "Colour", PngColour(png)));
        out.push_back(Number("bits_per_sample", "Bits per sample", png.bitDepth));
        out.push_back({"interlaced", "Interlaced", png.interlaced ? "yes" : "no",
                       png.interlaced ? "true" : "false"});
    }
    HidingFacts(inspection, plan.CarrierReach(), out);
    return out;
}
