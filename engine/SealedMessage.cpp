// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SealedMessage.h"

#include "common/Cp1252.h"
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"

#include <sodium.h>

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

namespace
{

constexpr std::uint8_t ARMOUR_VERSION = 1;
constexpr std::uint8_t KDF_ARGON2ID13 = 1;
constexpr std::size_t KEY_BYTES = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr std::size_t LINE_CHARS = 64;
constexpr std::string_view LINE_END = "\r\n";

// Where the header's fields lie; the ciphertext and its tag follow the header.
constexpr std::size_t AT_VERSION = 0;
constexpr std::size_t AT_KDF = 1;
constexpr std::size_t AT_PASSES = 2;
constexpr std::size_t AT_MEMORY = 6;
constexpr std::size_t AT_SALT = 10;
constexpr std::size_t AT_NONCE = AT_SALT + SEAL_SALT_BYTES;
constexpr std::size_t AT_CHECK = AT_NONCE + SEAL_NONCE_BYTES;
static_assert(AT_CHECK + SEAL_CHECK_BYTES == SEAL_HEADER_BYTES);
static_assert(crypto_pwhash_argon2id_SALTBYTES == SEAL_SALT_BYTES);
static_assert(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES == SEAL_NONCE_BYTES);
static_assert(crypto_aead_xchacha20poly1305_ietf_ABYTES == SEAL_TAG_BYTES);

// An armour found in a file may ask for any cost; opening pays at most four times our own,
// so a hostile file cannot make the program hang or exhaust memory.
constexpr std::uint32_t MAX_PASSES = 16;
constexpr std::uint32_t MIN_MEMORY_KIB = crypto_pwhash_argon2id_MEMLIMIT_MIN / 1024;
constexpr std::uint32_t MAX_MEMORY_KIB = 1024 * 1024;
constexpr std::uint64_t MAX_WORK = 4ull * SEAL_COST.passes * SEAL_COST.memoryKiB;

bool CostAccepted(KdfCost cost)
{
    return cost.passes >= crypto_pwhash_argon2id_OPSLIMIT_MIN && cost.passes <= MAX_PASSES &&
           cost.memoryKiB >= MIN_MEMORY_KIB && cost.memoryKiB <= MAX_MEMORY_KIB &&
           std::uint64_t{cost.passes} * cost.memoryKiB <= MAX_WORK;
}

void StartSodium()
{
    if (sodium_init() < 0)
    {
        throw std::runtime_error("The cryptography library could not start.");
    }
}

// Locked, guarded memory for passwords and keys, wiped when released.
class SecretBytes
{
public:
    explicit SecretBytes(std::size_t size)
        : m_data(static_cast<std::uint8_t*>(sodium_malloc(std::max<std::size_t>(size, 1)))),
          m_size(size)
    {
        if (!m_data)
        {
            throw std::bad_alloc();
        }
    }
    ~SecretBytes() { sodium_free(m_data); }
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    std::uint8_t* m_data;
    std::size_t m_size;
};

// The password as the program shows it, in UTF-8: typed text may arrive in Windows-1252, and
// the same password must give the same key whichever form it came in.
class KdfPassword
{
public:
    explicit KdfPassword(std::string_view typed)
    {
        StartSodium();
        if (carvalet::IsValidUtf8(typed))
        {
            m_view = typed;
            return;
        }
        std::string converted = carvalet::DecodeText(typed);
        m_copy = std::make_unique<SecretBytes>(converted.size());
        std::copy(converted.begin(), converted.end(), m_copy->data());
        WipeString(converted);
        m_view = std::string_view(reinterpret_cast<const char*>(m_copy->data()), m_copy->size());
    }
    std::string_view bytes() const { return m_view; }

private:
    std::unique_ptr<SecretBytes> m_copy;
    std::string_view m_view;
};

// The key, then the password check, from one run of Argon2id; false when it found no memory.
constexpr std::size_t DERIVED_BYTES = KEY_BYTES + SEAL_CHECK_BYTES;

bool Derive(SecretBytes& derived, std::string_view password, const SealSalt& salt, KdfCost cost)
{
    const KdfPassword canonical(password);
    return crypto_pwhash(derived.data(), derived.size(), canonical.bytes().data(),
                         canonical.bytes().size(), salt.data(), cost.passes,
                         std::size_t{cost.memoryKiB} * 1024, crypto_pwhash_ALG_ARGON2ID13) == 0;
}

void Store32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        at[i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

std::uint32_t Load32(const std::uint8_t* at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
    {
        value = (value << 8) | at[i];
    }
    return value;
}

std::string Armour(const std::vector<std::uint8_t>& bytes)
{
    std::string base64(sodium_base64_ENCODED_LEN(bytes.size(), sodium_base64_VARIANT_ORIGINAL),
                       '\0');
    sodium_bin2base64(base64.data(), base64.size(), bytes.data(), bytes.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    base64.pop_back(); // its terminating zero

    std::string text = ARMOUR_FIRST_LINE;
    text += LINE_END;
    for (std::size_t at = 0; at < base64.size(); at += LINE_CHARS)
    {
        text.append(base64, at, LINE_CHARS);
        text += LINE_END;
    }
    text += ARMOUR_LAST_LINE;
    return text;
}

std::optional<std::vector<std::uint8_t>> Unarmour(std::string_view text)
{
    const std::string first = std::string(ARMOUR_FIRST_LINE) + std::string(LINE_END);
    const std::string last = std::string(LINE_END) + ARMOUR_LAST_LINE;
    if (text.size() < first.size() + last.size() || !text.starts_with(first) ||
        !text.ends_with(last))
    {
        return std::nullopt;
    }
    const std::string_view body =
        text.substr(first.size(), text.size() - first.size() - last.size());
    std::vector<std::uint8_t> bytes(body.size() / 4 * 3 + 3);
    std::size_t length = 0;
    const char* end = nullptr;
    if (sodium_base642bin(bytes.data(), bytes.size(), body.data(), body.size(), "\r\n", &length,
                          &end, sodium_base64_VARIANT_ORIGINAL) != 0 ||
        end != body.data() + body.size())
    {
        return std::nullopt;
    }
    bytes.resize(length);
    // Only the one way of writing these bytes is accepted: any changed character, line break
    // or padding bit is a damaged armour, never a second armour for the same bytes.
    if (Armour(bytes) != text)
    {
        return std::nullopt;
    }
    return bytes;
}

// Characters as the program shows them: UTF-8 when the text is valid UTF-8, else one a byte
// (Windows-1252).
std::size_t CountCharacters(std::string_view text)
{
    if (!carvalet::IsValidUtf8(text))
    {
        return text.size();
    }
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(),
                      [](char c) { return (static_cast<std::uint8_t>(c) & 0xC0) != 0x80; }));
}

} // namespace

bool IsSealMarker(std::string_view record)
{
    return record == SEAL_MARKER_RECORD;
}

bool LooksSealed(std::string_view text)
{
    return text.starts_with(ARMOUR_FIRST_LINE);
}

std::string CheckNewSealPassword(const std::string& password, const std::string& confirmation)
{
    const std::size_t length = CountCharacters(password);
    if (length < SEAL_PASSWORD_MIN_LENGTH)
    {
        return "password  must be at least 8 chars";
    }
    if (length > SEAL_PASSWORD_MAX_LENGTH)
    {
        return "password is to long it must at most 64 chars";
    }
    if (password != confirmation)
    {
        return "Password & Confirm Pw not match";
    }
    return {};
}

std::string SealMessage(std::string_view message, std::string_view password, KdfCost cost)
{
    StartSodium();
    SealSalt salt;
    SealNonce nonce;
    randombytes_buf(salt.data(), salt.size());
    randombytes_buf(nonce.data(), nonce.size());
    return SealMessageWith(message, password, cost, salt, nonce);
}

std::string SealMessageWith(std::string_view message, std::string_view password, KdfCost cost,
                            const SealSalt& salt, const SealNonce& nonce)
{
    StartSodium();
    if (message.empty() || !CostAccepted(cost))
    {
        throw std::invalid_argument("SealMessage: an empty message or a cost out of range");
    }
    SecretBytes derived(DERIVED_BYTES);
    if (!Derive(derived, password, salt, cost))
    {
        throw std::bad_alloc();
    }

    std::vector<std::uint8_t> bytes(SEAL_HEADER_BYTES + message.size() + SEAL_TAG_BYTES);
    bytes[AT_VERSION] = ARMOUR_VERSION;
    bytes[AT_KDF] = KDF_ARGON2ID13;
    Store32(&bytes[AT_PASSES], cost.passes);
    Store32(&bytes[AT_MEMORY], cost.memoryKiB);
    std::copy(salt.begin(), salt.end(), &bytes[AT_SALT]);
    std::copy(nonce.begin(), nonce.end(), &bytes[AT_NONCE]);
    std::copy_n(derived.data() + KEY_BYTES, SEAL_CHECK_BYTES, &bytes[AT_CHECK]);

    unsigned long long length = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        &bytes[SEAL_HEADER_BYTES], &length, reinterpret_cast<const std::uint8_t*>(message.data()),
        message.size(), bytes.data(), SEAL_HEADER_BYTES, nullptr, nonce.data(), derived.data());
    return Armour(bytes);
}

std::optional<SealedMessage> ParseArmour(std::string_view armour)
{
    StartSodium();
    std::optional<std::vector<std::uint8_t>> bytes = Unarmour(armour);
    if (!bytes || bytes->size() <= SEAL_HEADER_BYTES + SEAL_TAG_BYTES ||
        (*bytes)[AT_VERSION] != ARMOUR_VERSION || (*bytes)[AT_KDF] != KDF_ARGON2ID13)
    {
        return std::nullopt;
    }
    SealedMessage sealed;
    sealed.cost = {Load32(&(*bytes)[AT_PASSES]), Load32(&(*bytes)[AT_MEMORY])};
    if (!CostAccepted(sealed.cost))
    {
        return std::nullopt;
    }
    const auto header = bytes->begin();
    std::copy_n(header, SEAL_HEADER_BYTES, sealed.header.begin());
    std::copy_n(header + AT_SALT, SEAL_SALT_BYTES, sealed.salt.begin());
    std::copy_n(header + AT_NONCE, SEAL_NONCE_BYTES, sealed.nonce.begin());
    std::copy_n(header + AT_CHECK, SEAL_CHECK_BYTES, sealed.check.begin());
    sealed.ciphertext.assign(header + SEAL_HEADER_BYTES, bytes->end());
    return sealed;
}

namespace
{
UnsealResult Open(const SealedMessage& sealed, std::string_view password)
{
    if (sealed.ciphertext.size() <= SEAL_TAG_BYTES || !CostAccepted(sealed.cost))
    {
        return {UnsealStatus::Damaged, {}};
    }
    SecretBytes derived(DERIVED_BYTES);
    if (!Derive(derived, password, sealed.salt, sealed.cost))
    {
        return {UnsealStatus::NoMemory, {}};
    }
    // The check comes from the same derivation as the key, so it tells a wrong password from
    // a changed message without making a guess any cheaper than the tag already does.
    if (sodium_memcmp(derived.data() + KEY_BYTES, sealed.check.data(), SEAL_CHECK_BYTES) != 0)
    {
        return {UnsealStatus::WrongPassword, {}};
    }
    UnsealResult result{UnsealStatus::Opened,
                        std::string(sealed.ciphertext.size() - SEAL_TAG_BYTES, '\0')};
    unsigned long long length = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            reinterpret_cast<std::uint8_t*>(result.message.data()), &length, nullptr,
            sealed.ciphertext.data(), sealed.ciphertext.size(), sealed.header.data(),
            sealed.header.size(), sealed.nonce.data(), derived.data()) != 0)
    {
        WipeString(result.message);
        return {UnsealStatus::Damaged, {}};
    }
    return result;
}
} // namespace

UnsealResult OpenSealed(const SealedMessage& sealed, std::string_view password)
{
    StartSodium();
    try
    {
        return Open(sealed, password);
    }
    catch (const std::bad_alloc&)
    {
        return {UnsealStatus::NoMemory, {}};
    }
}

std::int64_t ArmourLength(std::int64_t messageLength)
{
    const std::int64_t bytes =
        static_cast<std::int64_t>(SEAL_HEADER_BYTES + SEAL_TAG_BYTES) + messageLength;
    const std::int64_t base64 = (bytes + 2) / 3 * 4;
    const std::int64_t lines = (base64 + LINE_CHARS - 1) / LINE_CHARS;
    return static_cast<std::int64_t>(std::string_view(ARMOUR_FIRST_LINE).size() + LINE_END.size() +
                                     std::string_view(ARMOUR_LAST_LINE).size()) +
           base64 + lines * static_cast<std::int64_t>(LINE_END.size());
}

std::int64_t LongestSealedIn(std::int64_t room)
{
    if (ArmourLength(1) > room)
    {
        return 0;
    }
    std::int64_t fits = 1;
    std::int64_t tooLong = room + 1;
    while (tooLong - fits > 1)
    {
        const std::int64_t middle = fits + (tooLong - fits) / 2;
        (ArmourLength(middle) <= room ? fits : tooLong) = middle;
    }
    return fits;
}

std::int64_t LongestSealedMessage(std::int64_t carrierLength)
{
    return LongestSealedIn(LongestMessage(carrierLength));
}

void WipeBytes(void* data, std::size_t size)
{
    sodium_memzero(data, size);
}

void WipeString(std::string& text)
{
    text.resize(text.capacity());
    sodium_memzero(text.data(), text.size());
    text.clear();
}
