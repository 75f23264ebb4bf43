// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/StealthMessage.h"
#include "engine/StealthCost.h"
#include "engine/SyndromeTrellis.h"

#include <gtest/gtest.h>
#include <sodium.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr const char* PASSWORD = "correct horse";

// Tests never pay for Argon2id at 256 MiB: a keyed hash of the password stands in.
const StealthKdf CHEAP_KDF = [](std::string_view password, const StealthSalt& salt, StealthKey& key)
{
    crypto_generichash(key.data(), key.size(),
                       reinterpret_cast<const std::uint8_t*>(password.data()), password.size(),
                       salt.data(), salt.size());
    return true;
};

StealthRandom CountingRandom()
{
    auto next = std::make_shared<std::uint8_t>(0);
    return [next](std::uint8_t* out, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
        {
            out[i] = (*next)++;
        }
    };
}

// A photo-like picture: smooth gradients, textured patches, and saturated black and white
// corners (values a change must never push out of range); alpha a pattern of its own.
StealthCover Picture(std::int64_t width, std::int64_t height, int channels, bool alpha,
                     unsigned seed = 1)
{
    StealthCover cover{width, height, channels, alpha, {}};
    std::mt19937 noise(seed);
    for (std::int64_t y = 0; y < height; ++y)
    {
        for (std::int64_t x = 0; x < width; ++x)
        {
            for (int c = 0; c < channels; ++c)
            {
                int v = 0;
                if (alpha && c == channels - 1)
                {
                    v = static_cast<int>((x * 7 + y * 3) % 256);
                }
                else if (x < width / 6 && y < height / 6)
                {
                    v = (x + y) % 2 ? 0 : 255;
                }
                else
                {
                    const double wave = 110 * std::sin(x / 9.0 + c) * std::cos(y / 13.0);
                    const int grain = x > width / 2 ? static_cast<int>(noise() % 41) - 20 : 0;
                    v = std::clamp(128 + static_cast<int>(wave) + grain, 0, 255);
                }
                cover.values.push_back(static_cast<std::uint8_t>(v));
            }
        }
    }
    return cover;
}

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

StealthRevealed Reveal(const StealthCover& cover, const std::vector<std::uint8_t>& values,
                       std::string_view password = PASSWORD)
{
    StealthCover stego = cover;
    stego.values = values;
    return RevealStealth(stego, password, CHEAP_KDF);
}

std::vector<std::uint8_t> Hide(const StealthCover& cover, const std::vector<std::uint8_t>& message,
                               const StealthRandom& random = SystemRandom())
{
    StealthHidden hidden =
        HideStealth(cover, message, PASSWORD, STEALTH_SAFE_BPC, CHEAP_KDF, random);
    EXPECT_EQ(hidden.refusal, "");
    return hidden.values;
}

std::string Hex(const std::vector<std::uint8_t>& bytes)
{
    std::array<std::uint8_t, 16> hash{};
    crypto_generichash(hash.data(), hash.size(), bytes.data(), bytes.size(), nullptr, 0);
    std::string hex(2 * hash.size() + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), hash.data(), hash.size());
    hex.pop_back();
    return hex;
}

TEST(SyndromeTrellis, SyndromeOfTheStegoIsTheMessageAndChangesAreFew)
{
    std::mt19937 random(7);
    StcKey key{};
    struct Case
    {
        std::size_t n, m;
        int height;
    };
    // Uneven block widths, the shortest messages, several chunks, other heights.
    for (const Case c : {Case{1000, 125, 8}, Case{1001, 333, 8}, Case{2, 1, 8}, Case{40, 20, 3},
                         Case{70000, 9000, 8}, Case{600000, 2000, 7}, Case{5000, 300, 10}})
    {
        std::vector<std::uint8_t> cover(c.n), message(c.m);
        std::vector<float> costs(c.n);
        for (std::size_t i = 0; i < c.n; ++i)
        {
            cover[i] = random() & 1;
            // Even costs where the count of changes is checked, uneven elsewhere.
            costs[i] = c.n >= 8 * c.m ? 1.0f : 0.5f + static_cast<float>(random() % 100) / 10;
        }
        for (auto& bit : message)
        {
            bit = random() & 1;
        }
        key[0] = static_cast<std::uint8_t>(c.n);
        const auto stego = StcEmbed(cover, costs, message, key, c.height);
        EXPECT_EQ(StcExtract(stego, c.m, key, c.height), message) << c.n << "/" << c.m;
        std::size_t changes = 0;
        for (std::size_t i = 0; i < c.n; ++i)
        {
            changes += stego[i] != cover[i];
        }
        // Plain matrix embedding changes half the message's bits; at these rates the codes
        // should do clearly better.
        if (c.n >= 8 * c.m)
        {
            EXPECT_LT(changes, c.m * 3 / 10) << c.n << "/" << c.m;
        }
    }
    EXPECT_THROW(StcEmbed(std::vector<std::uint8_t>(3), std::vector<float>(3),
                          std::vector<std::uint8_t>(2), key),
                 std::invalid_argument);
}

TEST(StealthCost, SmoothAreasCostMoreThanTexturedOnes)
{
    const StealthCover cover = Picture(90, 60, 1, false);
    std::vector<float> costs(90 * 60), scratch;
    HillCosts(cover.values.data(), 90, 60, 90, 1, costs.data(), scratch);
    for (float cost : costs)
    {
        ASSERT_TRUE(cost > 0 && cost <= HILL_MAX_COST);
    }
    // Grain lies right of the middle; the left half is a smooth wave.
    EXPECT_GT(costs[40 * 90 + 25], 5 * costs[40 * 90 + 70]);
}

TEST(StealthMessage, RoundTripsOverEveryCoverKindWithinOneStepAndAlphaKept)
{
    std::vector<std::uint8_t> message = Bytes("meet at the old mill at nine");
    message.push_back(0); // any bytes, zero included
    message.push_back(0xFF);
    for (const auto& [channels, alpha] :
         {std::pair{1, false}, std::pair{2, true}, std::pair{3, false}, std::pair{4, true}})
    {
        const StealthCover cover = Picture(64, 48, channels, alpha);
        const std::vector<std::uint8_t> stego = Hide(cover, message);
        ASSERT_EQ(stego.size(), cover.values.size());
        std::size_t changed = 0;
        for (std::size_t i = 0; i < stego.size(); ++i)
        {
            const int step = std::abs(int{stego[i]} - int{cover.values[i]});
            ASSERT_LE(step, 1) << i;
            changed += step;
            if (alpha && i % channels == static_cast<std::size_t>(channels - 1))
            {
                ASSERT_EQ(step, 0) << "alpha at " << i;
            }
        }
        EXPECT_GT(changed, 0u);
        const StealthRevealed revealed = Reveal(cover, stego);
        EXPECT_EQ(revealed.status, StealthStatus::Found) << channels;
        EXPECT_EQ(revealed.message, message) << channels;
    }
}

TEST(StealthMessage, WrongPasswordNoMessageAndTamperingAllReadAsNotFound)
{
    const StealthCover cover = Picture(80, 60, 3, false);
    const std::vector<std::uint8_t> stego = Hide(cover, Bytes("the fox is in the henhouse"));
    EXPECT_EQ(Reveal(cover, stego, "correct horsf").status, StealthStatus::NotFound);
    EXPECT_EQ(Reveal(cover, cover.values).status, StealthStatus::NotFound);
    // Undoing any single change reaches the salt, the length or the sealed message.
    int undone = 0;
    for (std::size_t i = 0; i < stego.size() && undone < 12; ++i)
    {
        if (stego[i] != cover.values[i])
        {
            std::vector<std::uint8_t> tampered = stego;
            tampered[i] = cover.values[i];
            EXPECT_EQ(Reveal(cover, tampered).status, StealthStatus::NotFound) << i;
            ++undone;
        }
    }
    EXPECT_EQ(undone, 12);
    // Shapes that do not add up are read as holding nothing, and refused for hiding.
    StealthCover broken = cover;
    broken.values.pop_back();
    EXPECT_EQ(RevealStealth(broken, PASSWORD, CHEAP_KDF).status, StealthStatus::NotFound);
    EXPECT_NE(HideStealth(broken, Bytes("x"), PASSWORD, 0.2, CHEAP_KDF).refusal, "");
}

TEST(StealthMessage, RefusesWhatItCannotKeep)
{
    const StealthCover cover = Picture(64, 64, 1, false);
    const std::int64_t longest = LongestStealthMessage(cover);
    // 4096 values at 0.2 bits: 819 bits, less the salt, the length and the tag.
    EXPECT_EQ(longest, (819 - 160) / 8 - 16);
    EXPECT_EQ(LongestStealthMessage(cover, 0.5), (4096 - 1536) / 2 / 8 - 16);
    EXPECT_EQ(LongestStealthMessage(Picture(30, 30, 1, false)), 0);

    const auto hide = [&](std::size_t length, std::string_view password, double bpc)
    {
        return HideStealth(cover, std::vector<std::uint8_t>(length, 'a'), password, bpc, CHEAP_KDF)
            .refusal;
    };
    EXPECT_EQ(hide(static_cast<std::size_t>(longest), PASSWORD, 0.2), "");
    EXPECT_NE(hide(static_cast<std::size_t>(longest) + 1, PASSWORD, 0.2).find("at most"),
              std::string::npos);
    EXPECT_EQ(hide(static_cast<std::size_t>(longest) + 1, PASSWORD, 0.3), "");
    EXPECT_NE(hide(0, PASSWORD, 0.2), "");
    EXPECT_NE(hide(5, "short", 0.2), "");
    EXPECT_NE(hide(5, std::string(65, 'p'), 0.2), "");
    EXPECT_NE(hide(5, PASSWORD, 0.6), "");
    EXPECT_NE(hide(5, PASSWORD, 0.0), "");
}

TEST(StealthMessage, LeavesNoSignatureAcrossEmbeddings)
{
    const StealthCover cover = Picture(64, 64, 3, false);
    const std::vector<std::uint8_t> message = Bytes("same words, same password");
    constexpr int OUTPUTS = 16;
    std::vector<std::vector<std::uint8_t>> outputs;
    std::vector<int> timesChanged(cover.values.size());
    for (int k = 0; k < OUTPUTS; ++k)
    {
        outputs.push_back(Hide(cover, message));
        for (std::size_t i = 0; i < cover.values.size(); ++i)
        {
            timesChanged[i] += outputs.back()[i] != cover.values[i];
        }
        for (int j = 0; j < k; ++j)
        {
            EXPECT_NE(outputs[j], outputs.back());
        }
    }
    // No value is a marker: none is changed in every output.
    EXPECT_LT(*std::max_element(timesChanged.begin(), timesChanged.end()), OUTPUTS);
}

TEST(StealthMessage, KnownAnswerWithAFixedRandomSource)
{
    const StealthCover cover = Picture(48, 40, 3, false);
    const std::vector<std::uint8_t> stego = Hide(cover, Bytes("known answer"), CountingRandom());
    EXPECT_EQ(Hex(stego), "652814d4b4881a655bd1f9c4cfd4064b");
    EXPECT_EQ(Reveal(cover, stego).message, Bytes("known answer"));
}

} // namespace
