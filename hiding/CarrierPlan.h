// SPDX-License-Identifier: GPL-3.0-or-later
// The one plan for hiding a message, shared by the window and carvalet-cli: what a carrier can
// take, whether a message may go in as it is, must wait for a conversion or is refused, what
// goes into the two records, and the records themselves. The plan does no file I/O: the caller
// hands it the carrier's bytes (whole, or a reader for a carrier read part by part) and writes
// what the plan returns.
//
// The steps, in this order, each stopping the hide with its sentence when it fails:
//   a message that is not empty (NO_TEXT);
//   Check(): the damage verdict for what is hidden (the message, or its armour when sealed);
//   the password: CheckNewPassword(), then PasswordRecordFor();
//   MakeHiddenText(): the message, sealed when it is to be;
//   Convert(), when Check() said so;
//   EmbedRecords() or PrepareRecords(): the password record, then the message (ABORTED).
// A stealth message has no records: CheckStealth(), CheckNewPassword(), then
// HideStealthMessage(), which converts when CheckStealth() said so and returns the whole file.
#pragma once

#include "engine/BitmapDecoder.h"
#include "engine/CarrierCodec.h"
#include "engine/CarrierInspection.h"
#include "hiding/MessageKind.h"
#include "hiding/Secrets.h"
#include "hiding/Sentences.h"
#include "imaging/ClassicBitmap.h"
#include "imaging/StealthPicture.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hiding
{
// How far a carrier reaches without damage, and what a longer message needs.
struct Reach
{
    // The longest message hidden as it is without damage; 0 when none.
    std::int64_t safe = 0;
    // What a message one byte longer than `safe` would need, and what it would damage.
    HidingVerdict beyond;
    // The longest message the carrier as it is takes, damage aside, and once converted.
    std::int64_t asIs = 0;
    std::int64_t converted = 0;
    // The longest message a hide can place, converting when it needs that; -1 when the carrier
    // is not a picture.
    std::int64_t longest = -1;
};

// What a step of the plan decided.
struct Decision
{
    HidingPlan plan = HidingPlan::AsIs;
    // Refuse: why, in full. Convert: the damage and the conversion on offer. AsIs: empty.
    std::string sentence;
};

// A conversion's result: the classic bitmap, or why there is none.
struct Conversion
{
    ClassicBitmap bitmap;
    std::string failure; // empty when converted
};

// What is to go in the message record: the message itself, or its armour.
struct HiddenText
{
    std::string text;
    std::string failure; // empty when made
    HiddenText() = default;
    HiddenText(HiddenText&&) = default;
    HiddenText& operator=(HiddenText&&) = default;
    ~HiddenText();
};

// How a stealth message is made: the payload kept, the key derivation and the random source.
// The program keeps the defaults; tests pass a cheap derivation.
struct StealthSettings
{
    double maxBpc = STEALTH_SAFE_BPC;
    StealthKdf kdf = Argon2idKdf();
    StealthRandom random = SystemRandom();
};

// The picture a stealth message would go in: the carrier itself, or its conversion to a
// classic bitmap; or why there is none.
struct StealthCarrier
{
    std::optional<StealthPicture> picture;
    bool converted = false;
    std::string why;     // why the carrier itself needs converting, when converted
    std::string refusal; // when there is no picture
};

// A stealth hide's output, the whole new file (a PNG for a PNG, else a classic bitmap), or
// why there is none.
struct StealthFile
{
    std::vector<std::uint8_t> bytes;
    std::string failure;
};

class CarrierPlan
{
public:
    // A carrier read through `read` (only its headers and a PNG's chunks are read here).
    CarrierPlan(ByteReader read, std::int64_t length);
    // A carrier held whole in memory; the bytes must outlive the plan.
    CarrierPlan(const std::uint8_t* carrier, std::int32_t length);

    const CarrierInspection& Inspection() const { return m_inspection; }
    Reach CarrierReach() const;
    // The longest message of this kind a hide can place; -1 when the carrier is not a picture.
    std::int64_t Longest(MessageKind kind) const;
    // The most a message can hold and still fit, even once converted: reading more is useless.
    std::int64_t LongestWorthReading() const;
    // Whether a message of this kind and length goes in as it is, after a conversion, or not.
    Decision Check(MessageKind kind, std::int64_t messageLength, FrontEnd who) const;
    // The classic bitmap made from the carrier, read again through the plan's reader.
    Conversion Convert() const;

    // The picture a stealth message would go in. Read whole (and converted) when first asked
    // for, then kept.
    const StealthCarrier& Stealth() const;
    // The longest stealth message at this payload; 0 when the picture cannot take one.
    std::int64_t LongestStealth(double maxBpc = STEALTH_SAFE_BPC) const;
    // The same from the picture's headers alone, so that a report on a huge file reads no
    // pixels: what its layout gives room for, before the picture is read and judged (a
    // picture once saved as a JPEG, say, is refused only then).
    std::int64_t StealthRoom(double maxBpc = STEALTH_SAFE_BPC) const;
    // Check() for a stealth message at this payload.
    Decision CheckStealth(std::int64_t messageLength, double maxBpc, FrontEnd who) const;
    // Hides a message of any bytes unseen, in the carrier or its conversion.
    StealthFile HideStealthMessage(std::span<const std::uint8_t> message, std::string_view password,
                                   const StealthSettings& settings = {}) const;

private:
    ByteReader m_read;
    std::int64_t m_length;
    CarrierInspection m_inspection;
    mutable std::shared_ptr<const StealthCarrier> m_stealth;
};

// Why a picture once saved as a JPEG is refused for a stealth message; "" for any other.
std::string JpegTracesRefusal(const StealthCover& cover);

// The rules a new password must pass for a message of this kind: the sentence for the first
// one broken, or "".
using NewPasswordRules = std::string (*)(const std::string& password,
                                         const std::string& confirmation);
NewPasswordRules NewPasswordRulesFor(MessageKind kind);
std::string CheckNewPassword(MessageKind kind, const std::string& password,
                             const std::string& confirmation);
// The password record hidden with a message of this kind; a sealed message's tells nothing.
std::string PasswordRecordFor(MessageKind kind, const std::string& password);
// The message as it goes in the message record. Sealing takes its time and memory.
HiddenText MakeHiddenText(MessageKind kind, const std::string& message, std::string_view password);

// Hides the two records in a carrier held in memory: false once the codec has shown why not
// (the caller then shows ABORTED). The password record goes first, as the format always had it.
bool EmbedRecords(std::uint8_t* carrier, std::int32_t length, const std::string& record,
                  const std::string& hidden, const ShowMessageFn& show);
// The same records for a carrier written part by part, checked before anything is written;
// none once the codec has shown why not.
std::optional<std::vector<HiddenRecord>> PrepareRecords(std::int32_t length,
                                                        const std::string& record,
                                                        const std::string& hidden,
                                                        const ShowMessageFn& show);
} // namespace hiding
