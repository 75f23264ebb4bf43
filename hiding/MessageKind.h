// SPDX-License-Identifier: GPL-3.0-or-later
// The kinds of message a carrier can hold, and what each takes of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace hiding
{
// Plain: the format every copy reads. Sealed: enciphered under the whole password, as an armour
// in the message record, the password record only marking it. Stealth: no record at all, the
// sealed message spread over the pixel values (the plan's stealth steps).
enum class MessageKind
{
    Plain,
    Sealed,
    Stealth,
};

// The bytes a message of this kind takes in the message record (a stealth message takes none
// of the record's room, so none fits in it).
std::int64_t HiddenLength(MessageKind kind, std::int64_t messageLength);
// The longest message of this kind whose record fits in `room` bytes of message record.
std::int64_t LongestIn(MessageKind kind, std::int64_t room);
// The longest message of this kind a carrier of this length takes, damage aside.
std::int64_t LongestInCarrier(MessageKind kind, std::int64_t carrierLength);
// True when the message reads back empty: reading trims white space from a message's end, so
// one of white space only is refused as an empty one is.
bool ReadsBackEmpty(const std::string& message);
// The kind of message a password record stands for; none when it is not a record at all.
std::optional<MessageKind> RecordKind(const std::string& record);
} // namespace hiding
