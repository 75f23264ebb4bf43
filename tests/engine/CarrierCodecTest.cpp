// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/CarrierCodec.h"
#include "engine/BlowfishCipher.h"
#include "engine/PasswordRecord.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

const std::string TOO_SMALL = "Image is very small.";
const std::string NO_TEXT = "There are no text to curtain";
const std::string NO_DATA = "Image does not contain curtained data ..";

struct Messages
{
    std::vector<std::string> shown;
    ShowMessageFn Sink()
    {
        return [this](const std::string& text) { shown.push_back(text); };
    }
};

Bytes RandomCarrier(std::size_t length, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes carrier(length);
    for (auto& byte : carrier)
    {
        byte = static_cast<std::uint8_t>(rng());
    }
    return carrier;
}

std::int32_t Len(const Bytes& carrier)
{
    return static_cast<std::int32_t>(carrier.size());
}

// The bytes a record of m payload bytes may touch: its header and its 8m bit places.
std::set<std::size_t> RecordPlaces(std::int32_t slot, std::size_t m)
{
    std::set<std::size_t> places;
    for (std::size_t i = 0; i < 32; ++i)
    {
        places.insert(slot - 32 + i);
    }
    for (std::size_t k = 0; k < m; ++k)
    {
        for (std::size_t j = 0; j < 8; ++j)
        {
            places.insert(slot + 8 * k + 9 * j);
        }
    }
    return places;
}

// Only bit 0 of the given places may differ.
void ExpectOnlyBit0Changed(const Bytes& before, const Bytes& after,
                           const std::set<std::size_t>& places)
{
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
    {
        const std::uint8_t mask = places.count(i) ? 0xFE : 0xFF;
        ASSERT_EQ(before[i] & mask, after[i] & mask) << "byte " << i;
    }
}

void SetHeader(Bytes& carrier, std::int32_t slot, std::uint32_t count)
{
    ASSERT_EQ(WriteCountHeader(carrier.data(), Len(carrier), slot - 32, count, nullptr), 1);
}

} // namespace

TEST(CarrierCodec, RefusesEmptyTextAndEmptyCarrier)
{
    Messages messages;
    Bytes carrier = RandomCarrier(2000, 1);
    const Bytes before = carrier;
    EXPECT_EQ(EmbedText(carrier.data(), Len(carrier), MESSAGE_SLOT, "", messages.Sink()), -1);
    EXPECT_EQ(carrier, before);

    EXPECT_EQ(EmbedText(nullptr, 0, MESSAGE_SLOT, "hello", messages.Sink()), -1);
    EXPECT_EQ(ExtractText(nullptr, 0, MESSAGE_SLOT, messages.Sink()), "");
    EXPECT_EQ(messages.shown, (std::vector<std::string>{NO_TEXT, TOO_SMALL}));
}

TEST(CarrierCodec, PadsToWholeBlocksAndPlacesBitsAsDocumented)
{
    struct Case
    {
        std::string text;
        std::uint32_t count;
    };
    for (const Case& c : {Case{"abcde", 8}, Case{"abcdefgh", 8}, Case{"abcdefghi", 16}})
    {
        Bytes carrier = RandomCarrier(2000, 2);
        const Bytes before = carrier;
        ASSERT_EQ(EmbedText(carrier.data(), Len(carrier), MESSAGE_SLOT, c.text, nullptr), 1);
        EXPECT_EQ(ReadCountHeader(carrier.data(), Len(carrier), MESSAGE_SLOT - 32, nullptr),
                  static_cast<int>(c.count));
        ExpectOnlyBit0Changed(before, carrier, RecordPlaces(MESSAGE_SLOT, c.count));

        // The layout other copies of the program read: bit j of enciphered byte k at
        // slot + 8k + 9j, under the built-in key in ECB.
        Bytes payload(c.count, 0);
        std::copy(c.text.begin(), c.text.end(), payload.begin());
        const std::string key = "falcon4117keeper";
        CBlowfishCipher(reinterpret_cast<const std::uint8_t*>(key.data()), 16)
            .Encrypt(payload.data(), payload.data(), c.count);
        for (std::size_t k = 0; k < c.count; ++k)
        {
            for (std::size_t j = 0; j < 8; ++j)
            {
                EXPECT_EQ(carrier[MESSAGE_SLOT + 8 * k + 9 * j] & 1, (payload[k] >> j) & 1);
            }
        }
    }
}

TEST(CarrierCodec, SizeRuleBoundaries)
{
    const std::string text(16, 'x');
    Bytes fits = RandomCarrier(8 * 16 + 1000, 3);
    EXPECT_EQ(EmbedText(fits.data(), Len(fits), MESSAGE_SLOT, text, nullptr), 1);

    // One byte short: refused after the header was written, the payload places untouched.
    Messages messages;
    Bytes shortCarrier = RandomCarrier(8 * 16 + 999, 3);
    const Bytes before = shortCarrier;
    EXPECT_EQ(
        EmbedText(shortCarrier.data(), Len(shortCarrier), MESSAGE_SLOT, text, messages.Sink()), -1);
    EXPECT_EQ(messages.shown, std::vector<std::string>{TOO_SMALL});
    EXPECT_EQ(ReadCountHeader(shortCarrier.data(), Len(shortCarrier), MESSAGE_SLOT - 32, nullptr),
              16);
    ExpectOnlyBit0Changed(before, shortCarrier, RecordPlaces(MESSAGE_SLOT, 0));

    // The password slot: 99 bytes cannot even take the header; 100 bytes take it, then refuse.
    const std::string record = MakePasswordRecord("password");
    Bytes tiny = RandomCarrier(99, 4);
    const Bytes tinyBefore = tiny;
    EXPECT_EQ(EmbedText(tiny.data(), Len(tiny), PASSWORD_SLOT, record, messages.Sink()), -1);
    EXPECT_EQ(tiny, tinyBefore);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown.back(), TOO_SMALL);
    Bytes hundred = RandomCarrier(100, 4);
    const Bytes hundredBefore = hundred;
    EXPECT_EQ(EmbedText(hundred.data(), Len(hundred), PASSWORD_SLOT, record, messages.Sink()), -1);
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown.back(), TOO_SMALL);
    for (std::size_t i = 0; i < 32; ++i)
    {
        EXPECT_EQ(hundred[68 + i] & 1, (16u >> i) & 1);
    }
    ExpectOnlyBit0Changed(hundredBefore, hundred, RecordPlaces(PASSWORD_SLOT, 0));
}

TEST(CarrierCodec, ExtractionFailures)
{
    struct Case
    {
        std::size_t length;
        std::uint32_t count; // 0 leaves every header bit clear
        bool message;
    };
    const std::int32_t s = MESSAGE_SLOT;
    const Case cases[] = {
        {static_cast<std::size_t>(s), 0, false},    // the header cannot be read
        {static_cast<std::size_t>(s) + 1, 0, true}, // read, and empty
        {2000, 0, true},
        {2000, 0x80000010u, true}, // bit 31: beyond any carrier
        {2000, 12, true},          // not whole blocks
        {static_cast<std::size_t>(s) + 1, 16, false},
        {static_cast<std::size_t>(s) + 183, 16, false}, // payload would run past the end
    };
    for (const Case& c : cases)
    {
        Bytes carrier(c.length, 0);
        if (c.count != 0)
        {
            SetHeader(carrier, s, c.count);
        }
        const Bytes before = carrier;
        Messages messages;
        EXPECT_EQ(ExtractText(carrier.data(), Len(carrier), s, messages.Sink()), "");
        EXPECT_EQ(messages.shown,
                  c.message ? std::vector<std::string>{NO_DATA} : std::vector<std::string>{})
            << "length " << c.length << " count " << c.count;
        EXPECT_EQ(carrier, before);
    }

    // From slot + 184 bytes on a count of 16 is gathered and deciphered, without a message.
    Bytes carrier = RandomCarrier(s + 184, 5);
    SetHeader(carrier, s, 16);
    Messages messages;
    ExtractText(carrier.data(), Len(carrier), s, messages.Sink());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(CarrierCodec, RoundTripsTrimTrailingWhiteSpaceOnly)
{
    Bytes carrier = RandomCarrier(4000, 6);
    const std::string record = MakePasswordRecord("open sesame");
    const std::string message = "  first line\r\n\tsecond line \t\r\n\v\f ";
    ASSERT_EQ(EmbedText(carrier.data(), Len(carrier), PASSWORD_SLOT, record, nullptr), 1);
    ASSERT_EQ(EmbedText(carrier.data(), Len(carrier), MESSAGE_SLOT, message, nullptr), 1);
    EXPECT_EQ(ExtractText(carrier.data(), Len(carrier), PASSWORD_SLOT, nullptr), record);
    EXPECT_EQ(ExtractText(carrier.data(), Len(carrier), MESSAGE_SLOT, nullptr),
              "  first line\r\n\tsecond line");
}

TEST(CarrierCodec, SameInputGivesSameBytes)
{
    Bytes a = RandomCarrier(3000, 7);
    Bytes b = a;
    const std::string text = "12345678123456789";
    ASSERT_EQ(EmbedText(a.data(), Len(a), MESSAGE_SLOT, text, nullptr), 1);
    ASSERT_EQ(EmbedText(b.data(), Len(b), MESSAGE_SLOT, text, nullptr), 1);
    EXPECT_EQ(a, b);
    // ECB: the repeated first block leaves the same bits in the first two payload runs.
    for (std::size_t j = 0; j < 8; ++j)
    {
        for (std::size_t k = 0; k < 8; ++k)
        {
            EXPECT_EQ(a[MESSAGE_SLOT + 8 * k + 9 * j] & 1,
                      a[MESSAGE_SLOT + 64 + 8 * k + 9 * j] & 1);
        }
    }
}

TEST(CarrierCodec, SlotStartsThatWouldLeaveTheCarrier)
{
    Bytes carrier = RandomCarrier(1200, 8);
    const Bytes before = carrier;
    EXPECT_EQ(EmbedText(carrier.data(), Len(carrier), 10, "text", nullptr), -1);
    EXPECT_EQ(EmbedText(carrier.data(), Len(carrier), 1100, "text", nullptr), -1);
    EXPECT_EQ(ExtractText(carrier.data(), Len(carrier), 10, nullptr), "");
    ExpectOnlyBit0Changed(before, carrier, RecordPlaces(1100, 0));

    // Starts far below zero are refused silently too, not wrapped round to the top.
    Messages messages;
    const Bytes afterFirst = carrier;
    for (const std::int32_t start : {-1, INT32_MIN, INT32_MIN + 31})
    {
        EXPECT_EQ(EmbedText(carrier.data(), Len(carrier), start, "text", messages.Sink()), -1);
        EXPECT_EQ(ExtractText(carrier.data(), Len(carrier), start, messages.Sink()), "");
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(carrier, afterFirst);
}

TEST(CarrierCodec, LongestMessageFitsAndOneMoreDoesNot)
{
    EXPECT_EQ(LongestMessage(1127), 0);
    EXPECT_EQ(LongestMessage(1128), 16);
    for (std::int32_t length : {1128, 1135, 1136, 57654})
    {
        const auto longest = static_cast<std::size_t>(LongestMessage(length));
        Bytes carrier = RandomCarrier(static_cast<std::size_t>(length), 9);
        ASSERT_EQ(EmbedText(carrier.data(), length, PASSWORD_SLOT, MakePasswordRecord("password"),
                            nullptr),
                  1);
        EXPECT_EQ(
            EmbedText(carrier.data(), length, MESSAGE_SLOT, std::string(longest, 'm'), nullptr), 1);
        EXPECT_EQ(
            EmbedText(carrier.data(), length, MESSAGE_SLOT, std::string(longest + 1, 'm'), nullptr),
            -1);
    }
}

TEST(CarrierCodec, RandomisedRoundTripsChangeOnlyBit0OfTheirPlaces)
{
    std::mt19937 rng(20240611);
    for (int round = 0; round < 300; ++round)
    {
        std::string text(1 + rng() % 300, ' ');
        for (char& c : text)
        {
            c = static_cast<char>(1 + rng() % 255);
        }
        const std::int32_t slot = round % 3 == 0 ? 32 + static_cast<std::int32_t>(rng() % 913)
                                                 : (round % 3 == 1 ? PASSWORD_SLOT : MESSAGE_SLOT);
        const std::size_t m = (text.size() + 7) / 8 * 8;
        const std::size_t length = 8 * m + 1000 + rng() % 600;
        Bytes carrier = RandomCarrier(length, static_cast<unsigned>(round));
        const Bytes before = carrier;

        ASSERT_EQ(EmbedText(carrier.data(), Len(carrier), slot, text, nullptr), 1);
        ExpectOnlyBit0Changed(before, carrier, RecordPlaces(slot, m));
        std::string expected = text;
        expected.erase(expected.find_last_not_of(" \t\n\v\f\r") + 1);
        ASSERT_EQ(ExtractText(carrier.data(), Len(carrier), slot, nullptr), expected)
            << "round " << round;
    }
}

TEST(CarrierCodec, APartAtATimeGivesTheBytesOfTheWholeCarrier)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 60; ++round)
    {
        const std::string text(1 + rng() % 700, static_cast<char>('a' + round % 26));
        const std::size_t length = 8 * ((text.size() + 7) / 8 * 8) + 1000 + rng() % 5000;
        const Bytes original = RandomCarrier(length, static_cast<unsigned>(round));
        const auto len = static_cast<std::int32_t>(length);

        Bytes whole = original;
        ASSERT_EQ(
            EmbedText(whole.data(), len, PASSWORD_SLOT, MakePasswordRecord("password"), nullptr),
            1);
        ASSERT_EQ(EmbedText(whole.data(), len, MESSAGE_SLOT, text, nullptr), 1);

        const auto password = PrepareRecord(len, PASSWORD_SLOT, MakePasswordRecord("password"), {});
        const auto message = PrepareRecord(len, MESSAGE_SLOT, text, {});
        ASSERT_TRUE(password && message);
        EXPECT_EQ(password->First(), 68);
        EXPECT_EQ(message->End(), MESSAGE_SLOT + 8 * std::int64_t(message->payload.size()) + 56);
        Bytes parts = original;
        for (std::size_t offset = 0; offset < length;)
        {
            const std::size_t size = std::min<std::size_t>(1 + rng() % 900, length - offset);
            for (const HiddenRecord* record : {&*password, &*message})
            {
                WriteRecordPart(*record,
                                CarrierPart{parts.data() + offset, std::int64_t(offset), size});
            }
            offset += size;
        }
        ASSERT_EQ(parts, whole) << "round " << round;

        // Reading back touches only the count header and the record's own bytes.
        std::int64_t lowest = len;
        std::int64_t highest = 0;
        const ReadCarrierFn read = [&](std::int64_t offset, std::uint8_t* into, std::size_t size)
        {
            lowest = std::min(lowest, offset);
            highest = std::max(highest, offset + std::int64_t(size));
            std::copy_n(whole.data() + offset, size, into);
        };
        EXPECT_EQ(ExtractTextFrom(read, len, MESSAGE_SLOT, {}), text);
        EXPECT_EQ(lowest, message->First());
        EXPECT_EQ(highest, message->End());
    }
}

TEST(CarrierCodec, PreparingARecordRefusesWhatEmbeddingRefusesWithTheSameMessage)
{
    const struct
    {
        std::int32_t length;
        std::int32_t slot;
        std::string text;
    } cases[] = {
        {2000, MESSAGE_SLOT, ""},
        {99, PASSWORD_SLOT, "x"},
        {100, PASSWORD_SLOT, "x"},
        {1127, PASSWORD_SLOT, std::string(16, 'p')},
        {57654, MESSAGE_SLOT, std::string(7081, 'm')},
        {5000, 10, "x"},
        {1128, PASSWORD_SLOT, std::string(16, 'p')},
    };
    for (const auto& c : cases)
    {
        Bytes carrier = RandomCarrier(static_cast<std::size_t>(c.length), 3);
        Messages embedded;
        Messages prepared;
        const int result = EmbedText(carrier.data(), c.length, c.slot, c.text, embedded.Sink());
        const auto record = PrepareRecord(c.length, c.slot, c.text, prepared.Sink());
        EXPECT_EQ(result == 1, record.has_value()) << c.length << " " << c.slot;
        EXPECT_EQ(prepared.shown, embedded.shown) << c.length << " " << c.slot;
    }
}
