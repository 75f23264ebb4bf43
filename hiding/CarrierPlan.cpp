// SPDX-License-Identifier: GPL-3.0-or-later
#include "hiding/CarrierPlan.h"

#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"
#include "imaging/JpegTraces.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <utility>

namespace hiding
{
HiddenText::~HiddenText()
{
    Wipe(text);
}

CarrierPlan::CarrierPlan(ByteReader read, std::int64_t length)
    : m_read(std::move(read)), m_length(length), m_inspection(InspectCarrier(m_read, length))
{
}

CarrierPlan::CarrierPlan(const std::uint8_t* carrier, std::int32_t length)
    : CarrierPlan(MemoryReader(carrier, std::size_t(length)), length)
{
}

Reach CarrierPlan::CarrierReach() const
{
    Reach reach;
    reach.safe = m_inspection.LongestSafeMessage();
    // Up to the first byte that is not safe as it is; beyond it, what a conversion gives.
    reach.beyond = m_inspection.Damage(reach.safe + 1);
    reach.asIs = LongestMessage(m_length);
    reach.converted = LongestMessage(m_inspection.convertedSize);
    if (m_inspection.format == CarrierFormat::Unknown)
        return reach;
    switch (reach.beyond.plan)
    {
    case HidingPlan::AsIs:
        reach.longest = reach.asIs;
        break;
    case HidingPlan::Convert:
        reach.longest = std::max(reach.safe, reach.converted);
        break;
    case HidingPlan::Refuse:
        reach.longest = reach.safe;
        break;
    }
    return reach;
}

std::int64_t CarrierPlan::Longest(MessageKind kind) const
{
    if (kind == MessageKind::Stealth)
        return m_inspection.format == CarrierFormat::Unknown ? -1 : LongestStealth();
    const std::int64_t room = CarrierReach().longest;
    return room < 0 ? room : LongestIn(kind, room);
}

std::int64_t CarrierPlan::LongestWorthReading() const
{
    return std::max(LongestMessage(m_length), LongestMessage(m_inspection.convertedSize));
}

Decision CarrierPlan::Check(MessageKind kind, std::int64_t messageLength, FrontEnd who) const
{
    if (kind == MessageKind::Stealth)
        return CheckStealth(messageLength, STEALTH_SAFE_BPC, who);
    const HidingVerdict verdict = m_inspection.ForMessage(HiddenLength(kind, messageLength));
    if (verdict.plan == HidingPlan::AsIs)
        return {};
    const std::string damage = DamageSentence(m_inspection, verdict);
    if (verdict.plan == HidingPlan::Convert)
        return {verdict.plan, ConversionOffer(damage, m_inspection.convertedBits, who)};
    const bool picture =
        m_inspection.format == CarrierFormat::Bitmap || m_inspection.format == CarrierFormat::Png;
    return {verdict.plan, Refusal(damage, picture, m_inspection.ConversionObstacle(), who)};
}

Conversion CarrierPlan::Convert() const
{
    try
    {
        return {ConvertToClassicBitmap(m_inspection, m_read), {}};
    }
    catch (const ConversionError& e)
    {
        return {{}, ConversionFailed(e.what())};
    }
    catch (const std::bad_alloc&)
    {
        return {{}, CONVERSION_NO_MEMORY};
    }
}

namespace
{
StealthCarrier Refused(std::string why)
{
    StealthCarrier carrier;
    carrier.refusal = std::move(why);
    return carrier;
}

StealthCarrier ReadStealthCarrier(const CarrierPlan& plan, const ByteReader& read,
                                  std::int64_t length)
{
    // Anything but a BMP or a PNG is refused without reading it whole.
    const CarrierFormat format = plan.Inspection().format;
    if (format != CarrierFormat::Bitmap && format != CarrierFormat::OtherBitmap &&
        format != CarrierFormat::Png)
        return Refused("A stealth message needs a BMP or PNG picture.");
    std::vector<std::uint8_t> file(static_cast<std::size_t>(length));
    if (!read(0, file.size(), file.data()))
        return Refused("This file cannot be read.");
    StealthPictureRead direct = ReadStealthPicture(file);
    file = {};
    StealthCarrier carrier;
    if (!direct.picture && direct.convertible)
    {
        Conversion conversion = plan.Convert();
        if (!conversion.failure.empty())
            return Refused(conversion.failure);
        const StealthPictureRead converted = ReadStealthPicture(
            std::span<const std::uint8_t>(conversion.bitmap.bytes.get(), conversion.bitmap.size));
        if (!converted.picture)
            return Refused(converted.refusal);
        direct.picture = converted.picture;
        carrier.converted = true;
        carrier.why = direct.refusal;
    }
    if (!direct.picture)
        return Refused(direct.refusal);
    if (std::string traces = JpegTracesRefusal(direct.picture->cover); !traces.empty())
        return Refused(std::move(traces));
    carrier.picture = std::move(direct.picture);
    return carrier;
}
} // namespace

std::string JpegTracesRefusal(const StealthCover& cover)
{
    const int colours = cover.hasAlpha ? cover.channels - 1 : cover.channels;
    if (cover.Elements() == 0 || colours < 1)
        return {};
    // The mean of the colour channels, as analyze measures it, so both tell the same.
    BlockGridMeter meter(cover.width);
    std::vector<std::uint8_t> luma(static_cast<std::size_t>(cover.width));
    const std::uint8_t* value = cover.values.data();
    for (std::int64_t y = 0; y < cover.height; ++y)
    {
        for (std::uint8_t& out : luma)
        {
            int sum = 0;
            for (int c = 0; c < colours; ++c)
                sum += value[c];
            out = static_cast<std::uint8_t>(sum / colours);
            value += cover.channels;
        }
        meter.AddRow(y, luma.data());
    }
    if (!meter.Found())
        return {};
    return "This picture was once saved as a JPEG: any change to it shows, so it cannot hide a "
           "message unseen.";
}

const StealthCarrier& CarrierPlan::Stealth() const
{
    if (!m_stealth)
    {
        try
        {
            m_stealth =
                std::make_shared<StealthCarrier>(ReadStealthCarrier(*this, m_read, m_length));
        }
        catch (const std::bad_alloc&)
        {
            m_stealth = std::make_shared<StealthCarrier>(Refused(STEALTH_NO_MEMORY));
        }
    }
    return *m_stealth;
}

std::int64_t CarrierPlan::LongestStealth(double maxBpc) const
{
    const StealthCarrier& carrier = Stealth();
    return carrier.picture ? LongestStealthMessage(carrier.picture->cover, maxBpc) : 0;
}

std::int64_t CarrierPlan::StealthRoom(double maxBpc) const
{
    const CarrierInspection& in = m_inspection;
    std::int64_t pixels = 0;
    int colours = 3; // what a conversion makes, and what colour pictures have
    if (in.format == CarrierFormat::Png)
    {
        if (in.png.bitDepth > 8)
            return 0;
        pixels = in.png.width * in.png.height;
        if (in.png.colourType == 0 || in.png.colourType == 4)
            colours = 1;
    }
    else if ((in.format == CarrierFormat::Bitmap || in.format == CarrierFormat::OtherBitmap) &&
             in.bitmap)
    {
        const BitmapLayout& layout = *in.bitmap;
        pixels = layout.width * layout.height;
        if (layout.headerSize == 40 && layout.compression == BITMAP_RGB &&
            layout.bitsPerPixel == 8 && GreyRamp(layout.palette))
            colours = 1;
    }
    if (pixels <= 0 || pixels > (std::int64_t{1} << 30) / colours)
        return 0;
    return LongestStealthFor(pixels * colours, maxBpc);
}

Decision CarrierPlan::CheckStealth(std::int64_t messageLength, double maxBpc, FrontEnd who) const
{
    const StealthCarrier& carrier = Stealth();
    if (!carrier.picture)
        return {HidingPlan::Refuse, carrier.refusal};
    const std::int64_t longest = LongestStealthMessage(carrier.picture->cover, maxBpc);
    if (messageLength > longest)
        return {HidingPlan::Refuse, StealthTooLong(longest, maxBpc, who)};
    if (carrier.converted)
        return {HidingPlan::Convert, ConversionOffer(carrier.why, m_inspection.convertedBits, who)};
    return {};
}

StealthFile CarrierPlan::HideStealthMessage(std::span<const std::uint8_t> message,
                                            std::string_view password,
                                            const StealthSettings& settings) const
{
    const StealthCarrier& carrier = Stealth();
    if (!carrier.picture)
        return {{}, carrier.refusal};
    try
    {
        const StealthHidden hidden = HideStealth(carrier.picture->cover, message, password,
                                                 settings.maxBpc, settings.kdf, settings.random);
        if (!hidden.refusal.empty())
            return {{}, hidden.refusal};
        return {WriteStealthPicture(*carrier.picture, hidden.values), {}};
    }
    catch (const std::bad_alloc&)
    {
        return {{}, STEALTH_NO_MEMORY};
    }
    catch (const std::runtime_error& e)
    {
        return {{}, e.what()};
    }
}

NewPasswordRules NewPasswordRulesFor(MessageKind kind)
{
    return kind == MessageKind::Plain ? ::CheckNewPassword : CheckNewSealPassword;
}

std::string CheckNewPassword(MessageKind kind, const std::string& password,
                             const std::string& confirmation)
{
    return NewPasswordRulesFor(kind)(password, confirmation);
}

std::string PasswordRecordFor(MessageKind kind, const std::string& password)
{
    switch (kind)
    {
    case MessageKind::Plain:
        return MakePasswordRecord(password);
    case MessageKind::Sealed:
        return SEAL_MARKER_RECORD;
    default:
        return {}; // a stealth message leaves no record
    }
}

HiddenText MakeHiddenText(MessageKind kind, const std::string& message, std::string_view password)
{
    HiddenText hidden;
    if (kind != MessageKind::Sealed)
    {
        hidden.text = message;
        return hidden;
    }
    try
    {
        hidden.text = SealMessage(message, password);
    }
    catch (const std::bad_alloc&)
    {
        hidden.failure = SEALING_NO_MEMORY;
    }
    catch (const std::runtime_error& e)
    {
        hidden.failure = e.what();
    }
    return hidden;
}

bool EmbedRecords(std::uint8_t* carrier, std::int32_t length, const std::string& record,
                  const std::string& hidden, const ShowMessageFn& show)
{
    return EmbedText(carrier, length, PASSWORD_SLOT, record, show) != -1 &&
           EmbedText(carrier, length, MESSAGE_SLOT, hidden, show) != -1;
}

std::optional<std::vector<HiddenRecord>> PrepareRecords(std::int32_t length,
                                                        const std::string& record,
                                                        const std::string& hidden,
                                                        const ShowMessageFn& show)
{
    std::vector<HiddenRecord> records;
    for (const auto& [slot, text] : {std::pair{PASSWORD_SLOT, &record}, {MESSAGE_SLOT, &hidden}})
    {
        std::optional<HiddenRecord> prepared = PrepareRecord(length, slot, *text, show);
        if (!prepared)
            return std::nullopt;
        records.push_back(std::move(*prepared));
    }
    return records;
}

void Wipe(std::string& text)
{
    WipeString(text);
}

void Wipe(void* data, std::size_t size)
{
    WipeBytes(data, size);
}
} // namespace hiding
