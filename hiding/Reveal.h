// SPDX-License-Identifier: GPL-3.0-or-later
// The one sequence for revealing a message, shared by the window and carvalet-cli:
//   the password record (none: nothing hidden);
//   for a sealed message, its armour, checked before any password is asked for;
//   the password, tried against the record or the armour (wrong: asked again in the window,
//   the end in carvalet-cli);
//   for a plain message, its record, read once the password is right.
// Without a password record (or with bits no password could open), a picture is asked for a
// password all the same, and a stealth message looked for with it: one key derivation and one
// pass, whether or not there is one.
// The caller reads the carrier (ExtractFn), asks for the password and shows the outcome.
#pragma once

#include "engine/BitmapDecoder.h"
#include "engine/CarrierCodec.h"
#include "engine/StealthMessage.h"
#include "hiding/Secrets.h"
#include "hiding/Sentences.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

struct SealedMessage;

namespace hiding
{
// What revealing has come to.
enum class RevealStep
{
    AskPassword,   // a password record, or a picture without one: ask, then Open()
    NothingHidden, // no password record, and the codec said nothing about it
    Reported,      // the codec has shown why it stopped
    Message,       // the message is in Message()
    WrongPassword,
    Damaged, // a sealed message was changed
    NoMemory,
    NotFound, // no stealth message for this password, or none at all
};

// The whole carrier, for a stealth message to be looked for when there is no password record.
struct StealthSource
{
    ByteReader read;
    std::int64_t length = 0;
    StealthKdf kdf = Argon2idKdf();
};

// Extracts the record at a slot, showing the codec's messages through show.
using ExtractFn = std::function<std::string(std::int32_t slotStart, const ShowMessageFn& show)>;

// The sentence for a step that ends revealing with one: wrong password, damaged, no memory,
// not found; nullptr for the others.
const char* RevealSentence(RevealStep step);

// Tries a password against a password record, or against a sealed message when there is one;
// an opened sealed message lands in `message`, cut at its first zero byte as any message is.
RevealStep TryPassword(const std::string& record, const SealedMessage* sealed,
                       const std::string& password, std::string& message);

class Reveal
{
public:
    // Reads the password record and, when it marks a sealed message, the armour.
    // With a stealth source, a picture without a password record is not reported as holding
    // nothing: the codec's words about it are held back, and a stealth message is looked for.
    Reveal(ExtractFn extract, ShowMessageFn show, std::optional<StealthSource> stealth = {});
    ~Reveal();
    Reveal(const Reveal&) = delete;
    Reveal& operator=(const Reveal&) = delete;

    // AskPassword, NothingHidden, Reported or Damaged.
    RevealStep Found() const { return m_found; }
    const std::string& Record() const { return m_record; }
    // The sealed message the password must open; nullptr for a plain one.
    const SealedMessage* Sealed() const { return m_sealed.get(); }
    // Whether the password asked for is tried on a stealth message.
    bool Stealth() const { return m_stealth != nullptr; }

    // Tries the password, then reads a plain message: Message, WrongPassword, Damaged,
    // NoMemory or Reported; for a stealth message Message, NotFound or NoMemory.
    RevealStep Open(const std::string& password);
    // Reads the plain message once its password was accepted elsewhere: Message or Reported.
    RevealStep ReadPlainMessage();
    // The message, once Message was answered; wiped with the Reveal.
    std::string& Message() { return m_message; }

private:
    RevealStep Extract(std::int32_t slotStart, std::string& into);
    bool LookForStealth(const StealthSource& source);
    RevealStep OpenStealth(const std::string& password);

    ExtractFn m_extract;
    ShowMessageFn m_show;
    RevealStep m_found = RevealStep::NothingHidden;
    std::string m_record;
    std::unique_ptr<SealedMessage> m_sealed;
    std::unique_ptr<StealthCover> m_stealth;
    StealthKdf m_kdf;
    std::string m_message;
};
} // namespace hiding
