// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A sealed message is the message enciphered under the password (Argon2id, then
// XChaCha20-Poly1305), written as a short armoured text. That text is what the codec hides in
// the message record, so the carrier format stays as it is; the password record holds
// SEAL_MARKER_RECORD instead of anything taken from the password. The armour is described in
// engine/SEALED.md.

// The record of a sealed carrier: what an empty password would give, which no password that
// can be chosen (8 characters at least) produces.
inline constexpr const char* SEAL_MARKER_RECORD = "58203746";

inline constexpr const char* ARMOUR_FIRST_LINE = "-----BEGIN CARVALET SEALED MESSAGE-----";
inline constexpr const char* ARMOUR_LAST_LINE = "-----END CARVALET SEALED MESSAGE-----";

inline constexpr std::size_t SEAL_PASSWORD_MIN_LENGTH = 8;
inline constexpr std::size_t SEAL_PASSWORD_MAX_LENGTH = 64;

// Argon2id's cost: passes over memoryKiB kibibytes.
struct KdfCost
{
    std::uint32_t passes;
    std::uint32_t memoryKiB;
    friend bool operator==(const KdfCost&, const KdfCost&) = default;
};

// About half a second to seal or open on a 2-core Xeon virtual machine.
inline constexpr KdfCost SEAL_COST = {4, 256 * 1024};

inline constexpr std::size_t SEAL_SALT_BYTES = 16;
inline constexpr std::size_t SEAL_NONCE_BYTES = 24;
inline constexpr std::size_t SEAL_CHECK_BYTES = 16;
inline constexpr std::size_t SEAL_HEADER_BYTES = 66;
inline constexpr std::size_t SEAL_TAG_BYTES = 16;

using SealSalt = std::array<std::uint8_t, SEAL_SALT_BYTES>;
using SealNonce = std::array<std::uint8_t, SEAL_NONCE_BYTES>;

// An armour taken apart; the header is kept whole, as it is authenticated whole.
struct SealedMessage
{
    std::array<std::uint8_t, SEAL_HEADER_BYTES> header{};
    KdfCost cost{};
    SealSalt salt{};
    SealNonce nonce{};
    std::array<std::uint8_t, SEAL_CHECK_BYTES> check{};
    std::vector<std::uint8_t> ciphertext; // with the tag at its end
};

bool IsSealMarker(std::string_view record);

// Whether the text begins as an armour does (it may still be damaged).
bool LooksSealed(std::string_view text);

// The rules for a sealing password, in the order the user meets them: the message for the
// first rule broken, or an empty string. Lengths count characters.
std::string CheckNewSealPassword(const std::string& password, const std::string& confirmation);

// Seals a non-empty message with a fresh random salt and nonce. Throws std::bad_alloc when the
// key derivation finds no memory, std::runtime_error when libsodium cannot start.
std::string SealMessage(std::string_view message, std::string_view password,
                        KdfCost cost = SEAL_COST);
// The same with the salt and nonce given; only known-answer tests need it.
std::string SealMessageWith(std::string_view message, std::string_view password, KdfCost cost,
                            const SealSalt& salt, const SealNonce& nonce);

// None unless the text is an armour exactly as SealMessage writes it, with a cost this
// program is willing to pay when opening.
std::optional<SealedMessage> ParseArmour(std::string_view armour);

enum class UnsealStatus
{
    Opened,
    WrongPassword,
    Damaged,
    NoMemory,
};

struct UnsealResult
{
    UnsealStatus status = UnsealStatus::Damaged;
    std::string message; // only when Opened; the caller wipes it when done
};

// Runs the key derivation at the armour's cost: NoMemory when it finds none, never throws but
// for std::runtime_error when libsodium cannot start.
UnsealResult OpenSealed(const SealedMessage& sealed, std::string_view password);

// The armour's length for a message of this many bytes; the longest message whose armour is a
// record of at most `room` bytes, and whose armour fits in a carrier of this length (0 when none
// does).
std::int64_t ArmourLength(std::int64_t messageLength);
std::int64_t LongestSealedIn(std::int64_t room);
std::int64_t LongestSealedMessage(std::int64_t carrierLength);

// Overwrites the text's bytes in a way the compiler keeps, then empties it.
void WipeString(std::string& text);
void WipeBytes(void* data, std::size_t size);
