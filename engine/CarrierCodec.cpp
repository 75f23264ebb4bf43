// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CarrierCodec.h"

#include "engine/BlowfishCipher.h"
#include "engine/PasswordRecord.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace
{

constexpr const char* TOO_SMALL = "Image is very small.";
constexpr const char* NO_TEXT = "There are no text to curtain";

constexpr std::int64_t HEADER_BITS = 32;
// Bit 7 of the last payload byte lands 55 bytes past the start of that byte's run.
constexpr std::int64_t PAYLOAD_TAIL = 56;
constexpr std::int64_t SIZE_RULE_MARGIN = 1000;

// Every record in every carrier is enciphered under this key; the password only gates
// access, so the files stay readable by every copy of the program.
constexpr std::uint8_t BUILT_IN_KEY[] = {'f', 'a', 'l', 'c', 'o', 'n', '4', '1',
                                         '1', '7', 'k', 'e', 'e', 'p', 'e', 'r'};

CBlowfishCipher MakeCipher()
{
    return CBlowfishCipher(BUILT_IN_KEY, sizeof BUILT_IN_KEY, CipherBlock{});
}

void Show(const ShowMessageFn& showMessage, const char* text)
{
    if (showMessage)
    {
        showMessage(text);
    }
}

std::int64_t PaddedLength(std::int64_t textLength)
{
    return (textLength + 7) / 8 * 8;
}

// The header's first byte, kept negative (and so refused) for any start below 32: the plain
// subtraction would wrap for starts near the bottom of the 32-bit range.
std::int32_t HeaderStartOf(std::int32_t slotStart)
{
    return slotStart < static_cast<std::int32_t>(HEADER_BITS) ? -1 : slotStart - 32;
}

// Parts of at most this many bytes are read at a time.
constexpr std::int64_t PART_SIZE = 1 << 20;

enum class Fit
{
    Fits,
    Silent,
    NoRoomForHeader,
    NoRoomForPayload,
};

std::int64_t RequiredLength(std::int64_t padded)
{
    return 8 * padded + SIZE_RULE_MARGIN;
}

// The checks EmbedText makes, in its order.
Fit CheckFit(std::int32_t length, std::int32_t slotStart, std::int64_t padded)
{
    const std::int32_t headerStart = HeaderStartOf(slotStart);
    if (headerStart < 0)
    {
        return Fit::Silent;
    }
    if (std::int64_t{length} < std::int64_t{headerStart} + HEADER_BITS)
    {
        return Fit::NoRoomForHeader;
    }
    // The second test only matters for slot starts above 944, which the size rule alone
    // would let run past the end of the carrier.
    if (length < RequiredLength(padded) ||
        std::int64_t{slotStart} + 8 * padded + PAYLOAD_TAIL > length)
    {
        return Fit::NoRoomForPayload;
    }
    return Fit::Fits;
}

std::vector<std::uint8_t> Encipher(const std::string& text)
{
    std::vector<std::uint8_t> payload(
        static_cast<std::size_t>(PaddedLength(static_cast<std::int64_t>(text.size()))), 0);
    std::copy(text.begin(), text.end(), payload.begin());
    MakeCipher().Encrypt(payload.data(), payload.data(), static_cast<std::uint32_t>(payload.size()),
                         ECB);
    return payload;
}

// Calls visit(k, places, all) for each payload byte k with a bit place in [from, to): bit j
// of byte k sits at places + 9j, places = slot + 8k (an absolute offset), and `all` says that
// all eight places lie in the range.
template <typename Visit>
void ForEachPayloadByte(std::int64_t slotStart, std::int64_t count, std::int64_t from,
                        std::int64_t to, Visit visit)
{
    // A byte's places span 64 bytes from slot + 8k.
    const std::int64_t first = std::max<std::int64_t>(0, (from - slotStart - 63) / 8);
    const std::int64_t end = std::min(count, std::max<std::int64_t>(0, (to - slotStart + 7) / 8));
    for (std::int64_t k = first; k < end; ++k)
    {
        const std::int64_t places = slotStart + 8 * k;
        visit(static_cast<std::size_t>(k), places, places >= from && places + 63 < to);
    }
}

std::uint32_t CountOf(const std::uint8_t* header)
{
    std::uint32_t count = 0;
    for (int i = 0; i < HEADER_BITS; ++i)
    {
        count |= std::uint32_t{header[i] & 1u} << i;
    }
    return count;
}

void TrimRight(std::string& text)
{
    const std::size_t end = text.find_last_not_of(" \t\n\v\f\r");
    text.erase(end == std::string::npos ? 0 : end + 1);
}

// ExtractText on bytes that view(offset, size, buffer) gives: a pointer to them, read into the
// buffer if they must be.
template <typename View>
std::string Extract(View view, std::int32_t length, std::int32_t slotStart,
                    const ShowMessageFn& showMessage)
{
    const std::int32_t headerStart = HeaderStartOf(slotStart);
    if (headerStart < 0 || std::int64_t{length} <= std::int64_t{headerStart} + HEADER_BITS)
    {
        return {};
    }
    std::vector<std::uint8_t> part;
    const std::uint32_t count = CountOf(view(headerStart, HEADER_BITS, part));
    if (count == 0 || count > static_cast<std::uint32_t>(length))
    {
        Show(showMessage, NOTHING_HIDDEN);
        return {};
    }
    const std::int64_t end = std::int64_t{slotStart} + 8 * std::int64_t{count} + PAYLOAD_TAIL;
    if (end > length)
    {
        return {};
    }
    // No hide ever writes such a count; the cipher would refuse the partial block.
    if (count % 8 != 0)
    {
        Show(showMessage, NOTHING_HIDDEN);
        return {};
    }

    std::vector<std::uint8_t> payload(count, 0);
    std::uint8_t* const out = payload.data();
    for (std::int64_t offset = slotStart; offset < end; offset += PART_SIZE)
    {
        const auto size = static_cast<std::size_t>(std::min(end - offset, PART_SIZE));
        const std::int64_t partEnd = offset + static_cast<std::int64_t>(size);
        const std::uint8_t* const bytes = view(offset, size, part);
        ForEachPayloadByte(slotStart, count, offset, partEnd,
                           [=](std::size_t k, std::int64_t places, bool all)
                           {
                               unsigned bits = 0;
                               if (all)
                               {
                                   const std::uint8_t* const at = bytes + (places - offset);
                                   for (int j = 0; j < 8; ++j)
                                       bits |= (at[9 * j] & 1u) << j;
                                   out[k] = static_cast<std::uint8_t>(bits);
                                   return;
                               }
                               for (int j = 0; j < 8; ++j)
                               {
                                   const std::int64_t place = places + 9 * j;
                                   if (place >= offset && place < partEnd)
                                       bits |= (bytes[place - offset] & 1u) << j;
                               }
                               out[k] |= static_cast<std::uint8_t>(bits);
                           });
    }
    MakeCipher().Decrypt(payload.data(), payload.data(), count, ECB);

    std::string text(payload.begin(), payload.end());
    text.erase(std::min(text.find('\0'), text.size()));
    TrimRight(text);
    return text;
}

} // namespace

int WriteCountHeader(std::uint8_t* carrier, std::int32_t length, std::int32_t headerStart,
                     std::uint32_t value, const ShowMessageFn& showMessage)
{
    if (headerStart < 0)
    {
        return -1;
    }
    if (std::int64_t{length} < std::int64_t{headerStart} + HEADER_BITS)
    {
        Show(showMessage, TOO_SMALL);
        return -1;
    }
    for (int i = 0; i < HEADER_BITS; ++i)
    {
        std::uint8_t& byte = carrier[headerStart + i];
        byte = static_cast<std::uint8_t>((byte & 0xFE) | ((value >> i) & 1));
    }
    return 1;
}

int ReadCountHeader(const std::uint8_t* carrier, std::int32_t length, std::int32_t headerStart,
                    const ShowMessageFn& showMessage)
{
    if (headerStart < 0 || std::int64_t{length} <= std::int64_t{headerStart} + HEADER_BITS)
    {
        return -1;
    }
    const std::uint32_t count = CountOf(carrier + headerStart);
    if (count == 0 || count > static_cast<std::uint32_t>(length))
    {
        Show(showMessage, NOTHING_HIDDEN);
        return -1;
    }
    return static_cast<int>(count);
}

int EmbedText(std::uint8_t* carrier, std::int32_t length, std::int32_t slotStart,
              const std::string& text, const ShowMessageFn& showMessage)
{
    if (text.empty())
    {
        Show(showMessage, NO_TEXT);
        return -1;
    }
    const auto padded = PaddedLength(static_cast<std::int64_t>(text.size()));
    switch (CheckFit(length, slotStart, padded))
    {
    case Fit::Silent:
        return -1;
    case Fit::NoRoomForHeader:
        Show(showMessage, TOO_SMALL);
        return -1;
    case Fit::NoRoomForPayload:
        // The count header is already written when the size rule refuses the text.
        WriteCountHeader(carrier, length, HeaderStartOf(slotStart),
                         static_cast<std::uint32_t>(padded), nullptr);
        Show(showMessage, TOO_SMALL);
        return -1;
    case Fit::Fits:
        break;
    }
    const HiddenRecord record{slotStart, Encipher(text)};
    WriteRecordPart(record, CarrierPart{carrier, 0, static_cast<std::size_t>(length)});
    return 1;
}

std::string ExtractText(const std::uint8_t* carrier, std::int32_t length, std::int32_t slotStart,
                        const ShowMessageFn& showMessage)
{
    // In memory the bytes are read where they are.
    return Extract([carrier](std::int64_t offset, std::size_t, std::vector<std::uint8_t>&)
                   { return carrier + offset; },
                   length, slotStart, showMessage);
}

std::int64_t HiddenRecord::First() const
{
    return std::int64_t{slotStart} - HEADER_BITS;
}

std::int64_t HiddenRecord::End() const
{
    return std::int64_t{slotStart} + 8 * static_cast<std::int64_t>(payload.size()) + PAYLOAD_TAIL;
}

std::optional<HiddenRecord> PrepareRecord(std::int32_t length, std::int32_t slotStart,
                                          const std::string& text, const ShowMessageFn& showMessage)
{
    if (text.empty())
    {
        Show(showMessage, NO_TEXT);
        return std::nullopt;
    }
    switch (CheckFit(length, slotStart, PaddedLength(static_cast<std::int64_t>(text.size()))))
    {
    case Fit::Silent:
        return std::nullopt;
    case Fit::NoRoomForHeader:
    case Fit::NoRoomForPayload:
        Show(showMessage, TOO_SMALL);
        return std::nullopt;
    case Fit::Fits:
        break;
    }
    return HiddenRecord{slotStart, Encipher(text)};
}

void WriteRecordPart(const HiddenRecord& record, CarrierPart part)
{
    // Plain locals: stores through byte pointers could alias anything reached through memory.
    std::uint8_t* const bytes = part.bytes;
    const std::int64_t offset = part.offset;
    const std::uint8_t* const payload = record.payload.data();
    const std::int64_t partEnd = offset + static_cast<std::int64_t>(part.size);
    const auto set = [bytes, offset](std::int64_t at, unsigned bit)
    {
        std::uint8_t& byte = bytes[at - offset];
        byte = static_cast<std::uint8_t>((byte & 0xFE) | (bit & 1));
    };

    const auto count = static_cast<std::uint32_t>(record.payload.size());
    for (std::int64_t at = std::max(record.First(), offset);
         at < std::min<std::int64_t>(record.slotStart, partEnd); ++at)
    {
        set(at, count >> (at - record.First()));
    }
    ForEachPayloadByte(record.slotStart, count, offset, partEnd,
                       [=](std::size_t k, std::int64_t places, bool all)
                       {
                           const unsigned bits = payload[k];
                           for (int j = 0; j < 8; ++j)
                           {
                               const std::int64_t at = places + 9 * j;
                               if (all || (at >= offset && at < partEnd))
                                   set(at, bits >> j);
                           }
                       });
}

std::string ExtractTextFrom(const ReadCarrierFn& read, std::int32_t length, std::int32_t slotStart,
                            const ShowMessageFn& showMessage)
{
    return Extract(
        [&read](std::int64_t offset, std::size_t size, std::vector<std::uint8_t>& buffer)
        {
            buffer.resize(size);
            read(offset, buffer.data(), size);
            return static_cast<const std::uint8_t*>(buffer.data());
        },
        length, slotStart, showMessage);
}

std::int64_t RequiredCarrierLength(std::int64_t textLength)
{
    return RequiredLength(PaddedLength(textLength));
}

std::int64_t LongestMessage(std::int64_t carrierLength)
{
    if (carrierLength < RequiredCarrierLength(std::int64_t{PASSWORD_RECORD_LENGTH}))
    {
        return 0;
    }
    return (carrierLength - SIZE_RULE_MARGIN) / 8 / 8 * 8;
}
