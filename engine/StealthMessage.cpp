// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/StealthMessage.h"

#include "common/Cp1252.h"
#include "engine/KeyedStream.h"
#include "engine/StealthCost.h"
#include "engine/SyndromeTrellis.h"

#include <sodium.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <numeric>
#include <stdexcept>

namespace
{

// The layout (engine/STEALTH.md): the salt in a public set of values, then the enciphered
// length and the sealed message along the password's order.
constexpr std::size_t SALT_BITS = 8 * STEALTH_SALT_BYTES;
constexpr std::size_t SALT_ELEMENTS = 1024;
constexpr std::size_t LENGTH_BITS = 32;
constexpr std::size_t LENGTH_ELEMENTS = 512;
constexpr std::size_t FIXED_ELEMENTS = SALT_ELEMENTS + LENGTH_ELEMENTS;
constexpr std::size_t FIXED_BITS = SALT_BITS + LENGTH_BITS;
// A short message goes into a keyed subset of about this many values a bit, not the whole
// picture: the code's work grows with the values it runs over.
constexpr std::size_t BODY_MAX_WIDTH = 64;
constexpr std::size_t TAG_BYTES = crypto_aead_xchacha20poly1305_ietf_ABYTES;

using Key = StealthKey;

Key PublicKey(std::string_view label)
{
    Key key;
    crypto_generichash(key.data(), key.size(), reinterpret_cast<const std::uint8_t*>(label.data()),
                       label.size(), nullptr, 0);
    return key;
}

Key SubKey(const Key& master, std::string_view label)
{
    Key key;
    crypto_generichash(key.data(), key.size(), reinterpret_cast<const std::uint8_t*>(label.data()),
                       label.size(), master.data(), master.size());
    return key;
}

void StartSodium()
{
    if (sodium_init() < 0)
    {
        throw std::runtime_error("The cryptography library could not start.");
    }
}

bool ShapeSupported(const StealthCover& c)
{
    const bool alphaFits = !c.hasAlpha || c.channels == 2 || c.channels == 4;
    return c.width > 0 && c.height > 0 && c.channels >= 1 && c.channels <= 4 && alphaFits &&
           c.width <= (std::int64_t{1} << 24) && c.height <= (std::int64_t{1} << 24) &&
           static_cast<std::uint64_t>(c.width) * static_cast<std::uint64_t>(c.height) *
                   static_cast<std::uint64_t>(c.channels) ==
               c.values.size() &&
           c.values.size() < std::numeric_limits<std::uint32_t>::max();
}

int ColourChannels(const StealthCover& c)
{
    return c.channels - (c.hasAlpha ? 1 : 0);
}

// Where changeable value k lies among the cover's values.
std::size_t ValueIndex(const StealthCover& c, std::size_t k)
{
    const auto colours = static_cast<std::size_t>(ColourChannels(c));
    return k / colours * static_cast<std::size_t>(c.channels) + k % colours;
}

// The longest message for n values at maxBpc, possibly negative.
std::int64_t Longest(std::int64_t n, double maxBpc)
{
    if (n <= static_cast<std::int64_t>(FIXED_ELEMENTS) || !(maxBpc > 0) || maxBpc > STEALTH_MAX_BPC)
    {
        return 0;
    }
    const std::int64_t byLimit =
        static_cast<std::int64_t>(std::floor(maxBpc * static_cast<double>(n))) -
        static_cast<std::int64_t>(FIXED_BITS);
    const std::int64_t byRoom = (n - static_cast<std::int64_t>(FIXED_ELEMENTS)) / 2;
    const std::int64_t bytes = std::min(byLimit, byRoom) / 8 - static_cast<std::int64_t>(TAG_BYTES);
    return std::max<std::int64_t>(bytes, 0);
}

std::size_t BodyElements(std::size_t n, std::size_t messageBytes)
{
    const std::size_t bits = 8 * (messageBytes + TAG_BYTES);
    return std::min(n - FIXED_ELEMENTS, bits * BODY_MAX_WIDTH);
}

// Positions moved by the shuffle: an open-addressing table (linear probing, kept at most half
// full), much lighter than a node per entry when hundreds of thousands are drawn.
class MovedPositions
{
public:
    std::size_t size() const { return m_count; }

    const std::uint32_t* Find(std::uint32_t key) const
    {
        if (m_keys.empty())
        {
            return nullptr;
        }
        for (std::size_t at = Slot(key);; at = (at + 1) & (m_keys.size() - 1))
        {
            if (m_keys[at] == key)
            {
                return &m_values[at];
            }
            if (m_keys[at] == EMPTY)
            {
                return nullptr;
            }
        }
    }

    void Put(std::uint32_t key, std::uint32_t value)
    {
        if (2 * (m_count + 1) > m_keys.size())
        {
            Grow();
        }
        std::size_t at = Slot(key);
        while (m_keys[at] != EMPTY && m_keys[at] != key)
        {
            at = (at + 1) & (m_keys.size() - 1);
        }
        m_count += m_keys[at] == EMPTY;
        m_keys[at] = key;
        m_values[at] = value;
    }

    template <typename Visit> void ForEach(Visit visit) const
    {
        for (std::size_t at = 0; at < m_keys.size(); ++at)
        {
            if (m_keys[at] != EMPTY)
            {
                visit(m_keys[at], m_values[at]);
            }
        }
    }

    void Clear()
    {
        m_keys = {};
        m_values = {};
        m_count = 0;
    }

private:
    static constexpr std::uint32_t EMPTY = 0xFFFFFFFF; // never a position: n < 2^32 - 1

    std::size_t Slot(std::uint32_t key) const { return (key * 0x9E3779B1u) & (m_keys.size() - 1); }

    void Grow()
    {
        std::vector<std::uint32_t> keys(std::max<std::size_t>(64, 2 * m_keys.size()), EMPTY);
        std::vector<std::uint32_t> values(keys.size());
        keys.swap(m_keys);
        values.swap(m_values);
        m_count = 0;
        for (std::size_t at = 0; at < keys.size(); ++at)
        {
            if (keys[at] != EMPTY)
            {
                Put(keys[at], values[at]);
            }
        }
    }

    std::vector<std::uint32_t> m_keys;
    std::vector<std::uint32_t> m_values;
    std::size_t m_count = 0;
};

// The order of the changeable values: a Fisher-Yates shuffle drawn one position at a time, so
// that only the positions used are ever drawn. While few are drawn, the values moved are kept
// in a map instead of a table of every value: a short message in a large photo then costs
// neither the time nor the memory of the whole table.
class DrawnOrder
{
public:
    explicit DrawnOrder(std::size_t n) : m_n(n) {}

    void Draw(std::size_t to, KeyedStream& stream)
    {
        m_drawn.reserve(to);
        for (std::size_t i = m_drawn.size(); i < to; ++i)
        {
            if (m_dense.empty() && m_moved.size() > m_n / 16)
            {
                MakeDense();
            }
            const std::size_t j = i + stream.Below(static_cast<std::uint32_t>(m_n - i));
            m_drawn.push_back(At(j));
            Put(j, At(i));
        }
    }

    const std::vector<std::uint32_t>& Drawn() const { return m_drawn; }

    // Frees the table behind the drawing once every position needed is drawn.
    void StopDrawing()
    {
        m_dense = {};
        m_moved.Clear();
    }

private:
    std::uint32_t At(std::size_t i) const
    {
        if (!m_dense.empty())
        {
            return m_dense[i];
        }
        const std::uint32_t* moved = m_moved.Find(static_cast<std::uint32_t>(i));
        return moved ? *moved : static_cast<std::uint32_t>(i);
    }

    void Put(std::size_t i, std::uint32_t value)
    {
        if (!m_dense.empty())
        {
            m_dense[i] = value;
            return;
        }
        m_moved.Put(static_cast<std::uint32_t>(i), value);
    }

    void MakeDense()
    {
        m_dense.resize(m_n);
        std::iota(m_dense.begin(), m_dense.end(), 0u);
        m_moved.ForEach([this](std::uint32_t at, std::uint32_t value) { m_dense[at] = value; });
        m_moved.Clear();
    }

    std::size_t m_n;
    std::vector<std::uint32_t> m_drawn;
    std::vector<std::uint32_t> m_dense;
    MovedPositions m_moved;
};

std::vector<std::uint8_t> ToBits(std::span<const std::uint8_t> bytes)
{
    std::vector<std::uint8_t> bits(8 * bytes.size());
    for (std::size_t i = 0; i < bits.size(); ++i)
    {
        bits[i] = (bytes[i / 8] >> (7 - i % 8)) & 1;
    }
    return bits;
}

std::vector<std::uint8_t> ToBytes(const std::vector<std::uint8_t>& bits)
{
    std::vector<std::uint8_t> bytes(bits.size() / 8);
    for (std::size_t i = 0; i < bits.size(); ++i)
    {
        bytes[i / 8] = static_cast<std::uint8_t>(bytes[i / 8] | bits[i] << (7 - i % 8));
    }
    return bytes;
}

std::uint32_t LengthMask(const Key& master)
{
    const Key mask = SubKey(master, "carvalet stealth 1 length");
    return std::uint32_t{mask[0]} << 24 | std::uint32_t{mask[1]} << 16 |
           std::uint32_t{mask[2]} << 8 | mask[3];
}

std::array<std::uint8_t, 4> BigEndian(std::uint32_t value)
{
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

std::array<std::uint8_t, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES> Nonce(const Key& master)
{
    const Key bytes = SubKey(master, "carvalet stealth 1 nonce");
    std::array<std::uint8_t, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES> nonce;
    std::copy_n(bytes.begin(), nonce.size(), nonce.begin());
    return nonce;
}

// The values' least significant bits at the drawn positions [from, to).
std::vector<std::uint8_t> ReadBits(const StealthCover& cover, const DrawnOrder& order,
                                   std::size_t from, std::size_t to)
{
    std::vector<std::uint8_t> bits(to - from);
    for (std::size_t i = from; i < to; ++i)
    {
        bits[i - from] = cover.values[ValueIndex(cover, order.Drawn()[i])] & 1;
    }
    return bits;
}

// HILL's costs of the drawn values, computed over whole planes one channel at a time.
std::vector<float> Costs(const StealthCover& cover, const std::vector<std::uint32_t>& drawn)
{
    const auto colours = static_cast<std::size_t>(ColourChannels(cover));
    const auto width = static_cast<std::size_t>(cover.width);
    const auto height = static_cast<std::size_t>(cover.height);
    const auto channels = static_cast<std::size_t>(cover.channels);
    std::vector<float> costs(drawn.size());
    std::vector<float> plane(width * height);
    std::vector<float> scratch;
    for (std::size_t c = 0; c < colours; ++c)
    {
        HillCosts(cover.values.data() + c, width, height, width * channels, channels, plane.data(),
                  scratch);
        for (std::size_t t = 0; t < drawn.size(); ++t)
        {
            if (drawn[t] % colours == c)
            {
                costs[t] = plane[drawn[t] / colours];
            }
        }
    }
    return costs;
}

// Hides bits in the drawn positions [from, to) of the stego values, each change +1 or -1
// (forced at 0 and 255, else drawn from the random source).
class Embedder
{
public:
    Embedder(const StealthCover& cover, const DrawnOrder& order, const StealthRandom& random)
        : m_cover(cover), m_order(order), m_costs(Costs(cover, order.Drawn())), m_random(random),
          m_values(cover.values)
    {
    }

    void Embed(std::size_t from, std::size_t to, std::span<const std::uint8_t> bits,
               const Key& code)
    {
        const std::vector<std::uint8_t> cover = ReadBits(m_cover, m_order, from, to);
        const std::span<const float> costs(m_costs.data() + from, to - from);
        const std::vector<std::uint8_t> stego = StcEmbed(cover, costs, bits, code);
        for (std::size_t i = from; i < to; ++i)
        {
            if (stego[i - from] != cover[i - from])
            {
                std::uint8_t& value = m_values[ValueIndex(m_cover, m_order.Drawn()[i])];
                value = static_cast<std::uint8_t>(value == 0     ? 1
                                                  : value == 255 ? 254
                                                  : RandomBit()  ? value + 1
                                                                 : value - 1);
            }
        }
    }

    std::vector<std::uint8_t> Take() { return std::move(m_values); }

private:
    bool RandomBit()
    {
        if (m_used == m_bits.size() * 8)
        {
            m_random(m_bits.data(), m_bits.size());
            m_used = 0;
        }
        const bool bit = (m_bits[m_used / 8] >> (m_used % 8)) & 1;
        ++m_used;
        return bit;
    }

    const StealthCover& m_cover;
    const DrawnOrder& m_order;
    const std::vector<float> m_costs;
    const StealthRandom& m_random;
    std::vector<std::uint8_t> m_values;
    std::array<std::uint8_t, 64> m_bits{};
    std::size_t m_used = 8 * 64;
};

KeyedStream PublicStream()
{
    return KeyedStream(PublicKey("carvalet stealth 1 public order"));
}

StcKey PublicCode()
{
    return PublicKey("carvalet stealth 1 public code");
}

StealthHidden Refuse(std::string reason)
{
    return {{}, std::move(reason)};
}

} // namespace

std::int64_t StealthCover::Elements() const
{
    return ShapeSupported(*this) ? width * height * ColourChannels(*this) : 0;
}

StealthKdf Argon2idKdf(KdfCost cost)
{
    return [cost](std::string_view password, const StealthSalt& salt, StealthKey& key)
    {
        StartSodium();
        // The same password gives the same key whether it was typed in Windows-1252 or UTF-8.
        std::string canonical = carvalet::IsValidUtf8(password) ? std::string(password)
                                                                : carvalet::DecodeText(password);
        static_assert(crypto_pwhash_argon2id_SALTBYTES == STEALTH_SALT_BYTES);
        const bool derived =
            crypto_pwhash(key.data(), key.size(), canonical.data(), canonical.size(), salt.data(),
                          cost.passes, std::size_t{cost.memoryKiB} * 1024,
                          crypto_pwhash_ALG_ARGON2ID13) == 0;
        WipeString(canonical);
        return derived;
    };
}

StealthRandom SystemRandom()
{
    return [](std::uint8_t* out, std::size_t size)
    {
        StartSodium();
        randombytes_buf(out, size);
    };
}

std::int64_t LongestStealthMessage(const StealthCover& cover, double maxBpc)
{
    return Longest(cover.Elements(), maxBpc);
}

std::int64_t LongestStealthFor(std::int64_t values, double maxBpc)
{
    return Longest(values, maxBpc);
}

StealthHidden HideStealth(const StealthCover& cover, std::span<const std::uint8_t> message,
                          std::string_view password, double maxBpc, const StealthKdf& kdf,
                          const StealthRandom& random)
{
    StartSodium();
    const std::string passwordRule =
        CheckNewSealPassword(std::string(password), std::string(password));
    if (!passwordRule.empty())
    {
        return Refuse(passwordRule);
    }
    if (!ShapeSupported(cover))
    {
        return Refuse("This picture's layout cannot carry a stealth message.");
    }
    if (!(maxBpc > 0) || maxBpc > STEALTH_MAX_BPC)
    {
        return Refuse("The payload limit must be more than 0 and at most 0.5 bits per value.");
    }
    const std::int64_t longest = LongestStealthMessage(cover, maxBpc);
    if (message.empty() || static_cast<std::int64_t>(message.size()) > longest)
    {
        return Refuse(longest == 0 ? "This picture is too small for a stealth message."
                                   : "The message is too long: this picture keeps a stealth "
                                     "message of at most " +
                                         std::to_string(longest) + " bytes.");
    }
    const auto n = static_cast<std::size_t>(cover.Elements());
    try
    {
        StealthSalt salt;
        random(salt.data(), salt.size());
        Key master;
        if (!kdf(password, salt, master))
        {
            return Refuse("There is not enough memory to hide the message.");
        }
        const std::size_t bodyElements = BodyElements(n, message.size());
        DrawnOrder order(n);
        KeyedStream publicStream = PublicStream();
        order.Draw(SALT_ELEMENTS, publicStream);
        KeyedStream orderStream(SubKey(master, "carvalet stealth 1 order"));
        order.Draw(FIXED_ELEMENTS + bodyElements, orderStream);
        order.StopDrawing();

        Embedder embedder(cover, order, random);
        embedder.Embed(0, SALT_ELEMENTS, ToBits(salt), PublicCode());

        const auto length = BigEndian(static_cast<std::uint32_t>(message.size()));
        const auto stored =
            BigEndian(static_cast<std::uint32_t>(message.size()) ^ LengthMask(master));
        embedder.Embed(SALT_ELEMENTS, FIXED_ELEMENTS, ToBits(stored),
                       SubKey(master, "carvalet stealth 1 length code"));

        std::vector<std::uint8_t> sealed(message.size() + TAG_BYTES);
        Key cipher = SubKey(master, "carvalet stealth 1 cipher");
        crypto_aead_xchacha20poly1305_ietf_encrypt(sealed.data(), nullptr, message.data(),
                                                   message.size(), length.data(), length.size(),
                                                   nullptr, Nonce(master).data(), cipher.data());
        embedder.Embed(FIXED_ELEMENTS, FIXED_ELEMENTS + bodyElements, ToBits(sealed),
                       SubKey(master, "carvalet stealth 1 message code"));
        WipeBytes(master.data(), master.size());
        WipeBytes(cipher.data(), cipher.size());
        return {embedder.Take(), {}};
    }
    catch (const std::bad_alloc&)
    {
        return Refuse("There is not enough memory to hide the message.");
    }
}

StealthRevealed RevealStealth(const StealthCover& cover, std::string_view password,
                              const StealthKdf& kdf)
{
    StartSodium();
    const std::int64_t longest = Longest(cover.Elements(), STEALTH_MAX_BPC);
    if (longest == 0)
    {
        return {};
    }
    const auto n = static_cast<std::size_t>(cover.Elements());
    try
    {
        DrawnOrder order(n);
        KeyedStream publicStream = PublicStream();
        order.Draw(SALT_ELEMENTS, publicStream);
        const std::vector<std::uint8_t> saltBits =
            StcExtract(ReadBits(cover, order, 0, SALT_ELEMENTS), SALT_BITS, PublicCode());
        StealthSalt salt;
        const std::vector<std::uint8_t> saltBytes = ToBytes(saltBits);
        std::copy(saltBytes.begin(), saltBytes.end(), salt.begin());

        Key master;
        if (!kdf(password, salt, master))
        {
            return {StealthStatus::NoMemory, {}};
        }
        KeyedStream orderStream(SubKey(master, "carvalet stealth 1 order"));
        order.Draw(FIXED_ELEMENTS, orderStream);
        const std::vector<std::uint8_t> stored =
            ToBytes(StcExtract(ReadBits(cover, order, SALT_ELEMENTS, FIXED_ELEMENTS), LENGTH_BITS,
                               SubKey(master, "carvalet stealth 1 length code")));
        const std::uint32_t claimed =
            (std::uint32_t{stored[0]} << 24 | std::uint32_t{stored[1]} << 16 |
             std::uint32_t{stored[2]} << 8 | stored[3]) ^
            LengthMask(master);
        // A length no message can have (a wrong password, or no message) still costs the same
        // work: the longest one is read in its place and fails to open.
        const bool plausible = claimed >= 1 && claimed <= longest;
        const std::size_t length = plausible ? claimed : static_cast<std::size_t>(longest);

        const std::size_t bodyElements = BodyElements(n, length);
        order.Draw(FIXED_ELEMENTS + bodyElements, orderStream);
        const std::vector<std::uint8_t> sealed = ToBytes(StcExtract(
            ReadBits(cover, order, FIXED_ELEMENTS, FIXED_ELEMENTS + bodyElements),
            8 * (length + TAG_BYTES), SubKey(master, "carvalet stealth 1 message code")));

        StealthRevealed revealed{StealthStatus::Found, std::vector<std::uint8_t>(length)};
        const auto plain = BigEndian(static_cast<std::uint32_t>(length));
        Key cipher = SubKey(master, "carvalet stealth 1 cipher");
        const bool opened =
            crypto_aead_xchacha20poly1305_ietf_decrypt(
                revealed.message.data(), nullptr, nullptr, sealed.data(), sealed.size(),
                plain.data(), plain.size(), Nonce(master).data(), cipher.data()) == 0;
        WipeBytes(master.data(), master.size());
        WipeBytes(cipher.data(), cipher.size());
        if (!opened || !plausible)
        {
            WipeBytes(revealed.message.data(), revealed.message.size());
            return {};
        }
        return revealed;
    }
    catch (const std::bad_alloc&)
    {
        return {StealthStatus::NoMemory, {}};
    }
}
