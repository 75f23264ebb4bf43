// SPDX-License-Identifier: GPL-3.0-or-later
#include "hiding/Reveal.h"

#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"

#include <algorithm>

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

Reveal::Reveal(ExtractFn extract, ShowMessageFn show)
    : m_extract(std::move(extract)), m_show(std::move(show))
{
    const RevealStep read = Extract(PASSWORD_SLOT, m_record);
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
