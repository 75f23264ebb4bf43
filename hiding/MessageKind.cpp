// SPDX-License-Identifier: GPL-3.0-or-later
#include "hiding/MessageKind.h"

#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"

namespace hiding
{
std::int64_t HiddenLength(MessageKind kind, std::int64_t messageLength)
{
    switch (kind)
    {
    case MessageKind::Sealed:
        return ArmourLength(messageLength);
    case MessageKind::Stealth:
        return 0;
    default:
        return messageLength;
    }
}

std::int64_t LongestIn(MessageKind kind, std::int64_t room)
{
    switch (kind)
    {
    case MessageKind::Sealed:
        return LongestSealedIn(room);
    case MessageKind::Stealth:
        return 0;
    default:
        return room;
    }
}

std::int64_t LongestInCarrier(MessageKind kind, std::int64_t carrierLength)
{
    return LongestIn(kind, LongestMessage(carrierLength));
}

bool ReadsBackEmpty(const std::string& message)
{
    return message.find_first_not_of(" \t\n\v\f\r") == std::string::npos;
}

std::optional<MessageKind> RecordKind(const std::string& record)
{
    if (IsSealMarker(record))
        return MessageKind::Sealed;
    if (IsPasswordRecord(record))
        return MessageKind::Plain;
    return std::nullopt;
}
} // namespace hiding
