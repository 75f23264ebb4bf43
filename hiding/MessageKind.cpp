// SPDX-License-Identifier: GPL-3.0-or-later
#include "hiding/MessageKind.h"

#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"

namespace hiding
{
std::int64_t HiddenLength(MessageKind kind, std::int64_t messageLength)
{
    return kind == MessageKind::Sealed ? ArmourLength(messageLength) : messageLength;
}

std::int64_t LongestIn(MessageKind kind, std::int64_t room)
{
    return kind == MessageKind::Sealed ? LongestSealedIn(room) : room;
}

std::int64_t LongestInCarrier(MessageKind kind, std::int64_t carrierLength)
{
    return LongestIn(kind, LongestMessage(carrierLength));
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
