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
    std::uint32_t count = 0;
    for (int i = 0; i < HEADER_BITS; ++i)
    {
        count |= std::uint32_t{carrier[headerStart + i] & 1u} << i;
    }
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
    if (WriteCountHeader(carrier, length, HeaderStartOf(slotStart),
                         static_cast<std::uint32_t>(padded), showMessage) < 0)
    {
        return -1;
    }
    // The second test only matters for slot starts above 944, which the size rule alone
    // would let run past the end of the carrier.
    if (length < RequiredCarrierLength(padded) ||
        std::int64_t{slotStart} + 8 * padded + PAYLOAD_TAIL > length)
    {
        Show(showMessage, TOO_SMALL);
        return -1;
    }

    std::vector<std::uint8_t> payload(static_cast<std::size_t>(padded), 0);
    std::copy(text.begin(), text.end(), payload.begin());
    MakeCipher().Encrypt(payload.data(), payload.data(), static_cast<std::uint32_t>(padded), ECB);

    std::uint8_t* places = carrier + slotStart;
    for (std::size_t k = 0; k < payload.size(); ++k, places += 8)
    {
        const unsigned bits = payload[k];
        for (int j = 0; j < 8; ++j)
        {
            std::uint8_t& byte = places[9 * j];
            byte = static_cast<std::uint8_t>((byte & 0xFE) | ((bits >> j) & 1));
        }
    }
    return 1;
}

std::string ExtractText(const std::uint8_t* carrier, std::int32_t length, std::int32_t slotStart,
                        const ShowMessageFn& showMessage)
{
    const int count = ReadCountHeader(carrier, length, HeaderStartOf(slotStart), showMessage);
    if (count < 0)
    {
        return {};
    }
    if (std::int64_t{slotStart} + 8 * std::int64_t{count} + PAYLOAD_TAIL > length)
    {
        return {};
    }
    // No hide ever writes such a count; the cipher would refuse the partial block.
    if (count % 8 != 0)
    {
        Show(showMessage, NO_DATA);
        return {};
    }

    std::vector<std::uint8_t> payload(static_cast<std::size_t>(count));
    const std::uint8_t* places = carrier + slotStart;
    for (std::size_t k = 0; k < payload.size(); ++k, places += 8)
    {
        unsigned bits = 0;
        for (int j = 0; j < 8; ++j)
        {
            bits |= (places[9 * j] & 1u) << j;
        }
        payload[k] = static_cast<std::uint8_t>(bits);
    }
    MakeCipher().Decrypt(payload.data(), payload.data(), static_cast<std::uint32_t>(count), ECB);

    std::string text(payload.begin(), payload.end());
    text.erase(std::min(text.find('\0'), text.size()));
    TrimRight(text);
    return text;
}

std::int64_t RequiredCarrierLength(std::int64_t textLength)
{
    return 8 * PaddedLength(textLength) + SIZE_RULE_MARGIN;
}

std::int64_t LongestMessage(std::int64_t carrierLength)
{
    if (carrierLength < RequiredCarrierLength(std::int64_t{PASSWORD_RECORD_LENGTH}))
    {
        return 0;
    }
    return (carrierLength - SIZE_RULE_MARGIN) / 8 / 8 * 8;
}
