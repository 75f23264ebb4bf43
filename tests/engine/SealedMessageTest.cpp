// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SealedMessage.h"
#include "common/Cp1252.h"
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <numeric>
#include <string>
#include <vector>

namespace
{

// The cheapest cost the armour allows: the tests that open hundreds of armours use it.
constexpr KdfCost CHEAP = {1, 8};

SealSalt FixedSalt()
{
    SealSalt salt;
    std::iota(salt.begin(), salt.end(), 0x00);
    return salt;
}

SealNonce FixedNonce()
{
    SealNonce nonce;
    std::iota(nonce.begin(), nonce.end(), 0x10);
    return nonce;
}

UnsealResult Open(const std::string& armour, const std::string& password)
{
    const std::optional<SealedMessage> sealed = ParseArmour(armour);
    if (!sealed)
    {
        return {UnsealStatus::Damaged, "(not an armour)"};
    }
    return OpenSealed(*sealed, password);
}

std::vector<std::uint8_t> Decode(const std::string& armour)
{
    std::string body = armour.substr(std::string(ARMOUR_FIRST_LINE).size());
    body.erase(body.size() - std::string(ARMOUR_LAST_LINE).size());
    std::vector<std::uint8_t> bytes(body.size());
    std::size_t length = 0;
    EXPECT_EQ(sodium_base642bin(bytes.data(), bytes.size(), body.data(), body.size(), "\r\n",
                                &length, nullptr, sodium_base64_VARIANT_ORIGINAL),
              0);
    bytes.resize(length);
    return bytes;
}

std::string Encode(const std::vector<std::uint8_t>& bytes)
{
    std::string base64(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL),
                       '\0');
    sodium_bin2base64(base64.data(), base64.size(), bytes.data(), bytes.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    base64.pop_back();
    std::string text = std::string(ARMOUR_FIRST_LINE) + "\r\n";
    for (std::size_t at = 0; at < base64.size(); at += 64)
    {
        text += base64.substr(at, 64) + "\r\n";
    }
    return text + ARMOUR_LAST_LINE;
}

// Written by an independent implementation of the armour (Python and PyNaCl), from the same
// message, password, salt and nonce.
const std::string KNOWN_ARMOUR =
    "-----BEGIN CARVALET SEALED MESSAGE-----\r\n"
    "AQEAAAAEAAQAAAABAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4fICEiIyQl\r\n"
    "JidscO8o9S8vBpR55ZXOsNdJTjIvCDaytVuF100DJOZWzefFxV7NwFVVe+ZwA5Sn\r\n"
    "EEc=\r\n"
    "-----END CARVALET SEALED MESSAGE-----";
const std::string KNOWN_CHEAP_ARMOUR =
    "-----BEGIN CARVALET SEALED MESSAGE-----\r\n"
    "AQEAAAABAAAACAABAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4fICEiIyQl\r\n"
    "JicU57P0EjZm9YPmK+oQadQFLj8mVvq7gLPIQExdhTGUtm8zBKZw0z/WWHPAZ63e\r\n"
    "GmA=\r\n"
    "-----END CARVALET SEALED MESSAGE-----";

} // namespace

TEST(SealedMessage, KnownAnswerAtTheProgramsCostAndBack)
{
    const std::string armour = SealMessageWith("Meet me at dawn.", "correct horse battery staple",
                                               SEAL_COST, FixedSalt(), FixedNonce());
    EXPECT_EQ(armour, KNOWN_ARMOUR);

    const std::optional<SealedMessage> sealed = ParseArmour(KNOWN_ARMOUR);
    ASSERT_TRUE(sealed);
    EXPECT_EQ(sealed->cost, SEAL_COST);
    EXPECT_EQ(sealed->salt, FixedSalt());
    EXPECT_EQ(sealed->nonce, FixedNonce());
    const UnsealResult opened = OpenSealed(*sealed, "correct horse battery staple");
    EXPECT_EQ(opened.status, UnsealStatus::Opened);
    EXPECT_EQ(opened.message, "Meet me at dawn.");
}

TEST(SealedMessage, KnownAnswerAtTheCheapestCost)
{
    EXPECT_EQ(SealMessageWith("Meet me at dawn.", "lanterns", CHEAP, FixedSalt(), FixedNonce()),
              KNOWN_CHEAP_ARMOUR);
    EXPECT_EQ(Open(KNOWN_CHEAP_ARMOUR, "lanterns").message, "Meet me at dawn.");
    const UnsealResult wrong = Open(KNOWN_CHEAP_ARMOUR, "lanterns-");
    EXPECT_EQ(wrong.status, UnsealStatus::WrongPassword);
    EXPECT_TRUE(wrong.message.empty());
}

TEST(SealedMessage, EverySealIsFreshAndKeepsTheMessagesExactBytes)
{
    const std::string message = "  two lines\r\nand trailing blanks \t\r\n";
    const std::string first = SealMessage(message, "lanterns-8", CHEAP);
    const std::string second = SealMessage(message, "lanterns-8", CHEAP);
    EXPECT_NE(first, second) << "a fresh salt and nonce each time";
    EXPECT_TRUE(LooksSealed(first));
    EXPECT_EQ(Open(first, "lanterns-8").message, message);
    EXPECT_EQ(Open(second, "lanterns-8").message, message);
    EXPECT_EQ(first.find(message), std::string::npos);
}

TEST(SealedMessage, TheWholePasswordCountsInEitherCodePage)
{
    const std::string armour = SealMessage("secret", "sunflower-field", CHEAP);
    for (const char* other : {"sunflowe", "sunflower-fiel", "sunflower-field ", "Sunflower-field"})
    {
        EXPECT_EQ(Open(armour, other).status, UnsealStatus::WrongPassword) << other;
    }

    // Typed on a Windows machine the password arrives in Windows-1252; here, in UTF-8.
    const std::string utf8 = "caf\xC3\xA9-cr\xC3\xA8me \xE2\x82\xAC";
    const std::string cp1252 = "caf\xE9-cr\xE8me \x80";
    ASSERT_EQ(carvalet::EncodeCp1252(utf8), cp1252);
    EXPECT_EQ(Open(SealMessage("secret", utf8, CHEAP), cp1252).message, "secret");
    EXPECT_EQ(Open(SealMessage("secret", cp1252, CHEAP), utf8).message, "secret");
}

TEST(SealedMessage, PassphrasesOfEightToSixtyFourCharacters)
{
    struct Case
    {
        std::string password;
        std::string confirmation;
        std::string message;
    };
    const std::string e = "\xC3\xA9";
    std::string sixtyFourAccents;
    for (int i = 0; i < 64; ++i)
    {
        sixtyFourAccents += e;
    }
    const Case cases[] = {
        {"seven77", "seven77", "password  must be at least 8 chars"},
        {"seven77", "other", "password  must be at least 8 chars"},
        {"lanterns", "lanterns", ""},
        {std::string(64, 'x'), std::string(64, 'x'), ""},
        {std::string(65, 'x'), std::string(65, 'x'),
         "password is to long it must at most 64 chars"},
        {std::string(65, 'x'), "other", "password is to long it must at most 64 chars"},
        {sixtyFourAccents, sixtyFourAccents, ""},
        {sixtyFourAccents + e, sixtyFourAccents + e,
         "password is to long it must at most 64 chars"},
        {e + e + e + e + e + e + e, e + e + e + e + e + e + e,
         "password  must be at least 8 chars"},
        // Windows-1252, as the window may store typed text: one byte a character.
        {std::string(64, '\xE9'), std::string(64, '\xE9'), ""},
        {std::string(65, '\xE9'), std::string(65, '\xE9'),
         "password is to long it must at most 64 chars"},
        {"lanterns-8", "Lanterns-8", "Password & Confirm Pw not match"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(CheckNewSealPassword(c.password, c.confirmation), c.message) << c.password;
    }

    const std::string passphrase = "the quick brown fox jumps over the lazy dog, twice, at noon!!";
    const std::string armour = SealMessage("long", passphrase, CHEAP);
    EXPECT_EQ(Open(armour, passphrase).message, "long");
    std::string lastChanged = passphrase;
    lastChanged.back() = '?';
    EXPECT_EQ(Open(armour, lastChanged).status, UnsealStatus::WrongPassword);
}

TEST(SealedMessage, EachByteOfTheArmourChangedFailsCleanly)
{
    const std::string armour = SealMessage("Meet me at dawn.", "lanterns-8", CHEAP);
    int wrongPassword = 0;
    int damaged = 0;
    for (std::size_t i = 0; i < armour.size(); ++i)
    {
        for (const std::uint8_t flip : {0x01, 0x02, 0x20, 0x80, 0xFF})
        {
            std::string changed = armour;
            changed[i] = static_cast<char>(changed[i] ^ flip);
            const UnsealResult result = Open(changed, "lanterns-8");
            ASSERT_NE(result.status, UnsealStatus::Opened) << "byte " << i << " ^ " << int(flip);
            EXPECT_TRUE(result.message.empty() || result.message == "(not an armour)");
            (result.status == UnsealStatus::WrongPassword ? wrongPassword : damaged) += 1;
        }
    }
    EXPECT_GT(wrongPassword, 0) << "a changed salt or check reads as a wrong password";
    EXPECT_GT(damaged, 0);

    // With the right key, a changed ciphertext, tag or header field is told apart from a wrong
    // password.
    const std::vector<std::uint8_t> bytes = Decode(armour);
    for (std::size_t i = 0; i < bytes.size(); ++i)
    {
        if (i >= 2 && i < 10 + SEAL_SALT_BYTES)
        {
            continue; // the cost and the salt change the key itself
        }
        if (i >= SEAL_HEADER_BYTES - SEAL_CHECK_BYTES && i < SEAL_HEADER_BYTES)
        {
            EXPECT_EQ(Open(Encode(
                               [&]
                               {
                                   auto copy = bytes;
                                   copy[i] ^= 1;
                                   return copy;
                               }()),
                           "lanterns-8")
                          .status,
                      UnsealStatus::WrongPassword);
            continue;
        }
        std::vector<std::uint8_t> copy = bytes;
        copy[i] ^= 0x40;
        EXPECT_EQ(Open(Encode(copy), "lanterns-8").status, UnsealStatus::Damaged) << i;
    }
}

TEST(SealedMessage, OnlyTheExactArmourParses)
{
    const std::string armour = SealMessage("Meet me at dawn.", "lanterns-8", CHEAP);
    ASSERT_TRUE(ParseArmour(armour));

    std::string lfOnly;
    for (char c : armour)
    {
        if (c != '\r')
        {
            lfOnly += c;
        }
    }
    const std::vector<std::uint8_t> bytes = Decode(armour);
    auto with = [&](std::size_t at, std::uint8_t value)
    {
        std::vector<std::uint8_t> copy = bytes;
        copy[at] = value;
        return Encode(copy);
    };
    auto cost = [&](std::uint32_t passes, std::uint32_t memoryKiB)
    {
        std::vector<std::uint8_t> copy = bytes;
        for (int i = 0; i < 4; ++i)
        {
            copy[2 + i] = static_cast<std::uint8_t>(passes >> (24 - 8 * i));
            copy[6 + i] = static_cast<std::uint8_t>(memoryKiB >> (24 - 8 * i));
        }
        return Encode(copy);
    };
    std::vector<std::uint8_t> headerOnly(bytes.begin(), bytes.begin() + SEAL_HEADER_BYTES + 16);

    const std::string refused[] = {
        "",
        armour.substr(0, armour.size() - 1),
        armour + "\r\n",
        " " + armour,
        lfOnly,
        std::string(ARMOUR_FIRST_LINE) + "\r\n" + ARMOUR_LAST_LINE,
        Encode(headerOnly),
        with(0, 2),               // a version this program does not know
        with(1, 2),               // another key derivation
        cost(0, 8),               // no pass at all
        cost(17, 8),              // more passes than opening pays for
        cost(1, 7),               // less memory than Argon2id takes
        cost(1, 1024 * 1024 + 1), // more memory than opening pays for
        cost(16, 257 * 1024),     // within each limit, but four times beyond the cost
    };
    for (const std::string& text : refused)
    {
        EXPECT_FALSE(ParseArmour(text)) << text;
    }
    EXPECT_TRUE(ParseArmour(cost(4, 1024 * 1024)));
    EXPECT_TRUE(ParseArmour(cost(16, 64 * 1024)));
}

TEST(SealedMessage, TheMarkerIsNoRecordAPasswordMakes)
{
    EXPECT_TRUE(IsSealMarker(SEAL_MARKER_RECORD));
    const std::string candidates[] = {
        "lanterns",
        "58203746",
        "5820374658203746",
        std::string(8, '\0'),
        "\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9",
        std::string(64, ' '),
    };
    for (const std::string& password : candidates)
    {
        EXPECT_FALSE(IsSealMarker(MakePasswordRecord(password))) << password;
        EXPECT_FALSE(PasswordOpensRecord(password, SEAL_MARKER_RECORD)) << password;
    }
    // Every password of one to 64 characters leaves 8 of its bytes in the record.
    for (std::size_t length = 1; length <= 64; ++length)
    {
        EXPECT_FALSE(IsSealMarker(MakePasswordRecord(std::string(length, '5'))));
    }
}

TEST(SealedMessage, CapacityCountsTheArmour)
{
    for (const std::size_t length : {1u, 2u, 3u, 16u, 17u, 46u, 47u, 48u, 100u, 1000u})
    {
        const std::string armour = SealMessage(std::string(length, 'm'), "lanterns-8", CHEAP);
        EXPECT_EQ(ArmourLength(static_cast<std::int64_t>(length)),
                  static_cast<std::int64_t>(armour.size()))
            << length;
    }

    EXPECT_EQ(LongestSealedMessage(0), 0);
    EXPECT_EQ(LongestSealedMessage(RequiredCarrierLength(ArmourLength(1)) - 1), 0);
    EXPECT_GE(LongestSealedMessage(RequiredCarrierLength(ArmourLength(1))), 1);
    for (const std::int64_t carrierLength : {3000, 57654, 100000})
    {
        const std::int64_t longest = LongestSealedMessage(carrierLength);
        ASSERT_GT(longest, 0);
        std::vector<std::uint8_t> carrier(static_cast<std::size_t>(carrierLength), 0x55);
        const auto length = static_cast<std::int32_t>(carrierLength);
        const std::string fits =
            SealMessage(std::string(static_cast<std::size_t>(longest), 'm'), "lanterns-8", CHEAP);
        EXPECT_EQ(EmbedText(carrier.data(), length, MESSAGE_SLOT, fits, {}), 1);
        const std::string tooLong = SealMessage(
            std::string(static_cast<std::size_t>(longest) + 1, 'm'), "lanterns-8", CHEAP);
        EXPECT_EQ(EmbedText(carrier.data(), length, MESSAGE_SLOT, tooLong, {}), -1);
        EXPECT_LT(longest, LongestMessage(carrierLength));
    }
}

TEST(SealedMessage, ThroughACarrierWithTheMarkerRecord)
{
    std::vector<std::uint8_t> carrier(20000);
    for (std::size_t i = 0; i < carrier.size(); ++i)
    {
        carrier[i] = static_cast<std::uint8_t>(i * 7 + i / 5);
    }
    const auto length = static_cast<std::int32_t>(carrier.size());
    const std::string message = "Meet me at dawn.  \n";
    ASSERT_EQ(EmbedText(carrier.data(), length, PASSWORD_SLOT, SEAL_MARKER_RECORD, {}), 1);
    ASSERT_EQ(EmbedText(carrier.data(), length, MESSAGE_SLOT,
                        SealMessage(message, "lanterns-8", CHEAP), {}),
              1);

    EXPECT_TRUE(IsSealMarker(ExtractText(carrier.data(), length, PASSWORD_SLOT, {})));
    const std::string armour = ExtractText(carrier.data(), length, MESSAGE_SLOT, {});
    EXPECT_EQ(Open(armour, "lanterns-8").message, message) << "trailing blanks kept when sealed";
}
