// SPDX-License-Identifier: GPL-3.0-or-later
#include "hiding/CarrierPlan.h"

#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"

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
    const std::int64_t room = CarrierReach().longest;
    return room < 0 ? room : LongestIn(kind, room);
}

std::int64_t CarrierPlan::LongestWorthReading() const
{
    return std::max(LongestMessage(m_length), LongestMessage(m_inspection.convertedSize));
}

Decision CarrierPlan::Check(MessageKind kind, std::int64_t messageLength, FrontEnd who) const
{
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

NewPasswordRules NewPasswordRulesFor(MessageKind kind)
{
    return kind == MessageKind::Sealed ? CheckNewSealPassword : ::CheckNewPassword;
}

std::string CheckNewPassword(MessageKind kind, const std::string& password,
                             const std::string& confirmation)
{
    return NewPasswordRulesFor(kind)(password, confirmation);
}

std::string PasswordRecordFor(MessageKind kind, const std::string& password)
{
    return kind == MessageKind::Sealed ? SEAL_MARKER_RECORD : MakePasswordRecord(password);
}

HiddenText MakeHiddenText(MessageKind kind, const std::string& message, std::string_view password)
{
    HiddenText hidden;
    if (kind == MessageKind::Plain)
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
