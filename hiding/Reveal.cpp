// SPDX-License-Identifier: GPL-3.0-or-later
#include "hiding/Reveal.h"

#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"
#include "hiding/MessageKind.h"
#include "imaging/StealthPicture.h"

#include <algorithm>
#include <new>
#include <vector>

namespace hiding
{
const char* RevealSentence(RevealStep step)
{
    switch (step)
    {
    case RevealStep::WrongPassword:
        return WRONG_PASSWORD;
    case RevealStep::Damaged:
        return SEAL_DAMAGED;
    case RevealStep::NoMemory:
        return SEAL_NO_MEMORY;
    case RevealStep::NotFound:
        return STEALTH_NOT_FOUND;
    default:
        return nullptr;
    }
}

RevealStep TryPassword(const std::string& record, const SealedMessage* sealed,
                       const std::string& password, std::string& message)
{
    if (!sealed)
        return PasswordOpensRecord(password, record) ? RevealStep::Message
                                                     : RevealStep::WrongPassword;
    UnsealResult opened = OpenSealed(*sealed, password);
    switch (opened.status)
    {
    case UnsealStatus::Opened:
        break;
    case UnsealStatus::WrongPassword:
        return RevealStep::WrongPassword;
    case UnsealStatus::Damaged:
        return RevealStep::Damaged;
    case UnsealStatus::NoMemory:
        return RevealStep::NoMemory;
    }
    opened.message.erase(std::min(opened.message.find('\0'), opened.message.size()));
    Wipe(message);
    message = opened.message;
    Wipe(opened.message);
    return RevealStep::Message;
}

Reveal::Reveal(ExtractFn extract, ShowMessageFn show, std::optional<StealthSource> stealth)
    : m_extract(std::move(extract)), m_show(std::move(show))
{
    std::vector<std::string> held;
    ShowMessageFn shown = m_show;
    if (stealth)
        m_show = [&held](const std::string& text) { held.push_back(text); };
    const RevealStep read = Extract(PASSWORD_SLOT, m_record);
    m_show = std::move(shown);
    // Bits that only look like a record (a stealth picture's may) open with no password: a
    // stealth message is looked for instead.
    if (!RecordKind(m_record) && stealth && LookForStealth(*stealth))
    {
        Wipe(m_record);
        m_record.clear();
        m_found = RevealStep::AskPassword;
        return;
    }
    for (const std::string& text : held)
        if (m_show)
            m_show(text);
    if (m_record.empty())
    {
        m_found = read == RevealStep::Reported ? read : RevealStep::NothingHidden;
        return;
    }
    m_found = RevealStep::AskPassword;
    if (!IsSealMarker(m_record))
        return;
    std::string armour;
    if (Extract(MESSAGE_SLOT, armour) != RevealStep::Message)
    {
        m_found = RevealStep::Reported;
        return;
    }
    if (std::optional<SealedMessage> sealed = ParseArmour(armour))
        m_sealed = std::make_unique<SealedMessage>(std::move(*sealed));
    else
        m_found = RevealStep::Damaged;
}

namespace
{
// Only a BMP or a PNG can hold a stealth message: nothing else is read whole.
bool MayBeStealthPicture(const StealthSource& source)
{
    static constexpr std::uint8_t PNG[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint8_t head[8] = {};
    const auto size = static_cast<std::size_t>(std::clamp<std::int64_t>(source.length, 0, 8));
    if (!source.read(0, size, head))
        return false;
    return (size >= 2 && head[0] == 'B' && head[1] == 'M') ||
           (size == 8 && std::equal(head, head + 8, PNG));
}
} // namespace

bool Reveal::LookForStealth(const StealthSource& source)
{
    if (!MayBeStealthPicture(source))
        return false;
    try
    {
        std::vector<std::uint8_t> file(static_cast<std::size_t>(source.length));
        if (!source.read(0, file.size(), file.data()))
            return false;
        StealthPictureRead read = ReadStealthPicture(file);
        if (!read.picture)
            return false;
        m_stealth = std::make_unique<StealthCover>(std::move(read.picture->cover));
        m_kdf = source.kdf;
        return true;
    }
    catch (const std::bad_alloc&)
    {
        // Too large to look into: as before stealth messages, the record's absence is told.
        return false;
    }
}

RevealStep Reveal::OpenStealth(const std::string& password)
{
    StealthRevealed revealed = RevealStealth(*m_stealth, password, m_kdf);
    switch (revealed.status)
    {
    case StealthStatus::Found:
        break;
    case StealthStatus::NoMemory:
        return RevealStep::NoMemory;
    default:
        return RevealStep::NotFound;
    }
    Wipe(m_message);
    m_message.assign(revealed.message.begin(), revealed.message.end());
    Wipe(revealed.message.data(), revealed.message.size());
    return RevealStep::Message;
}

Reveal::~Reveal()
{
    Wipe(m_message);
}

RevealStep Reveal::Extract(std::int32_t slotStart, std::string& into)
{
    bool shown = false;
    into = m_extract(slotStart,
                     [this, &shown](const std::string& text)
                     {
                         shown = true;
                         if (m_show)
                             m_show(text);
                     });
    return shown ? RevealStep::Reported : RevealStep::Message;
}

RevealStep Reveal::Open(const std::string& password)
{
    if (m_stealth)
        return OpenStealth(password);
    const RevealStep tried = TryPassword(m_record, Sealed(), password, m_message);
    if (tried != RevealStep::Message || Sealed())
        return tried;
    return ReadPlainMessage();
}

RevealStep Reveal::ReadPlainMessage()
{
    Wipe(m_message);
    return Extract(MESSAGE_SLOT, m_message);
}
} // namespace hiding
