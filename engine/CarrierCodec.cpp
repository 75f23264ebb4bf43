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
constexpr const char* NO_DATA = "Image does not contain curtained data ..";

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
        Show(showMessage, NO_DATA);
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
    return ExtractTextFrom([carrier](std::int64_t offset, std::uint8_t* into, std::size_t size)
                           { std::copy_n(carrier + offset, size, into); },
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
    const std::int64_t partEnd = part.offset + static_cast<std::int64_t>(part.size);
    const auto set = [&part](std::int64_t at, unsigned bit)
    {
        std::uint8_t& byte = part.bytes[at - part.offset];
        byte = static_cast<std::uint8_t>((byte & 0xFE) | (bit & 1));
    };

    const auto count = static_cast<std::uint32_t>(record.payload.size());
    for (std::int64_t at = std::max(record.First(), part.offset);
         at < std::min<std::int64_t>(record.slotStart, partEnd); ++at)
    {
        set(at, count >> (at - record.First()));
    }
    // Bit j of payload byte k sits at slot + 8k + 9j, so a byte's distance from the slot
    // gives j (modulo 8) and then k.
    for (std::int64_t at = std::max<std::int64_t>(record.slotStart, part.offset);
         at < std::min(record.End(), partEnd); ++at)
    {
        const std::int64_t distance = at - record.slotStart;
        const std::int64_t j = distance % 8;
        const std::int64_t k = (distance - 9 * j) / 8;
        if (distance >= 9 * j && k < static_cast<std::int64_t>(count))
        {
            set(at, record.payload[static_cast<std::size_t>(k)] >> j);
        }
    }
}

std::string ExtractTextFrom(const ReadCarrierFn& read, std::int32_t length, std::int32_t slotStart,
                            const ShowMessageFn& showMessage)
{
    const std::int32_t headerStart = HeaderStartOf(slotStart);
    if (headerStart < 0 || std::int64_t{length} <= std::int64_t{headerStart} + HEADER_BITS)
    {
        return {};
    }
    std::uint8_t header[HEADER_BITS];
    read(headerStart, header, sizeof header);
    const std::uint32_t count = CountOf(header);
    if (count == 0 || count > static_cast<std::uint32_t>(length))
    {
        Show(showMessage, NO_DATA);
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
        Show(showMessage, NO_DATA);
        return {};
    }

    std::vector<std::uint8_t> payload(count, 0);
    std::vector<std::uint8_t> part(static_cast<std::size_t>(std::min(end - slotStart, PART_SIZE)));
    for (std::int64_t offset = slotStart; offset < end; offset += PART_SIZE)
    {
        const auto size = static_cast<std::size_t>(std::min(end - offset, PART_SIZE));
        read(offset, part.data(), size);
        for (std::size_t i = 0; i < size; ++i)
        {
            const std::int64_t distance = offset + static_cast<std::int64_t>(i) - slotStart;
            const std::int64_t j = distance % 8;
            const std::int64_t k = (distance - 9 * j) / 8;
            if (distance >= 9 * j && k < std::int64_t{count})
            {
                payload[static_cast<std::size_t>(k)] |=
                    static_cast<std::uint8_t>((part[i] & 1u) << j);
            }
        }
    }
    MakeCipher().Decrypt(payload.data(), payload.data(), count, ECB);

    std::string text(payload.begin(), payload.end());
    text.erase(std::min(text.find('\0'), text.size()));
    TrimRight(text);
    return text;
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
