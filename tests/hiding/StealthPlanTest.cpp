// SPDX-License-Identifier: GPL-3.0-or-later
// Stealth messages through the plan: what it accepts, converts and refuses, and a message of
// any bytes back through Reveal from every kind of cover file.
#include "hiding/CarrierPlan.h"
#include "hiding/Reveal.h"
#include "tests/support/CheapKdf.h"
#include "tests/support/PictureFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace hiding;
using pictures::BmpShape;

namespace
{
namespace fs = std::filesystem;

constexpr const char* PASSWORD = "correct horse";

const StealthKdf CHEAP_KDF = cheapkdf::Derive;

CarrierPlan PlanOf(const std::string& file)
{
    return CarrierPlan(pictures::Bytes(file), static_cast<std::int32_t>(file.size()));
}

RevealStep Open(const std::string& file, const std::string& password, std::string& message)
{
    Reveal reveal(
        [&file](std::int32_t slot, const ShowMessageFn& show)
        { return ExtractText(pictures::Bytes(file), std::int32_t(file.size()), slot, show); },
        {},
        StealthSource{MemoryReader(pictures::Bytes(file), file.size()), std::int64_t(file.size()),
                      CHEAP_KDF});
    if (reveal.Found() != RevealStep::AskPassword || !reveal.Stealth())
        return reveal.Found();
    const RevealStep step = reveal.Open(password);
    message = reveal.Message();
    return step;
}

std::uint32_t Grey(int x, int y)
{
    return (pictures::Pattern(x, y) & 0xFF) * 0x010101u;
}

class StealthPlan : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string name = (fs::temp_directory_path() / "carvalet-stealth-XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        dir = name;
        pictures::WriteFile(dir / "rgb.bmp",
                            pictures::MakeBmp(BmpShape(), 96, 64, pictures::Pattern));
    }
    void TearDown() override { fs::remove_all(dir); }
    // The test picture saved by ImageMagick with these options, in this PNG flavour.
    std::string Png(const std::string& options, const std::string& flavour)
    {
        const fs::path png = dir / "out.png";
        pictures::Shell("convert " + (dir / "rgb.bmp").string() + " " + options + " " + flavour +
                        ":" + png.string());
        return pictures::ReadFile(png);
    }
    fs::path dir;
};
} // namespace

TEST_F(StealthPlan, EveryCoverKindTakesAMessageOfAnyBytesAndRevealFindsItWithItsPasswordOnly)
{
    const std::string message("meet\0at noon\xff", 13);
    const std::vector<std::uint32_t> greyRamp = []
    {
        std::vector<std::uint32_t> ramp;
        for (std::uint32_t i = 0; i < 256; ++i)
            ramp.push_back(i * 0x010101u);
        return ramp;
    }();
    struct Cover
    {
        const char* name;
        std::string file;
        HidingPlan plan;
        const char* signature; // the output's
    };
    const std::vector<Cover> covers = {
        {"24-bit", pictures::MakeBmp(BmpShape(), 96, 64, pictures::Pattern), HidingPlan::AsIs,
         "BM"},
        {"32-bit", pictures::MakeBmp(BmpShape().Bits(32), 96, 64, pictures::Pattern),
         HidingPlan::AsIs, "BM"},
        {"8-bit grey", pictures::MakeBmp(BmpShape().Bits(8).Colours(greyRamp), 96, 64, Grey),
         HidingPlan::AsIs, "BM"},
        {"palette",
         pictures::MakeBmp(BmpShape().Bits(8).Colours(pictures::Palette(256)), 96, 64,
                           [](int x, int y) { return std::uint32_t(x * y + x) % 256; }),
         HidingPlan::Convert, "BM"},
        {"grey PNG", Png("-type Grayscale -depth 8", "PNG"), HidingPlan::AsIs, "\x89PNG"},
        {"RGB PNG", Png("-depth 8", "PNG24"), HidingPlan::AsIs, "\x89PNG"},
        {"RGBA PNG", Png("-alpha set -depth 8", "PNG32"), HidingPlan::AsIs, "\x89PNG"},
    };
    for (const Cover& cover : covers)
    {
        SCOPED_TRACE(cover.name);
        const CarrierPlan plan = PlanOf(cover.file);
        const Decision decision = plan.CheckStealth(std::int64_t(message.size()), STEALTH_SAFE_BPC,
                                                    FrontEnd::CommandLine);
        EXPECT_EQ(decision.plan, cover.plan) << decision.sentence;
        // The room told from the headers alone is the room of the picture read whole.
        EXPECT_EQ(plan.StealthRoom(), plan.LongestStealth());
        const StealthFile out = plan.HideStealthMessage({pictures::Bytes(message), message.size()},
                                                        PASSWORD, {STEALTH_SAFE_BPC, CHEAP_KDF});
        ASSERT_EQ(out.failure, "");
        const std::string written(out.bytes.begin(), out.bytes.end());
        EXPECT_TRUE(written.starts_with(cover.signature));

        std::string found;
        EXPECT_EQ(Open(written, PASSWORD, found), RevealStep::Message);
        EXPECT_EQ(found, message);
        EXPECT_EQ(Open(written, "correct horsE", found), RevealStep::NotFound);
        // Nothing hidden: the same answer; a palette bitmap cannot hold one, so is not searched.
        EXPECT_EQ(Open(cover.file, PASSWORD, found),
                  cover.plan == HidingPlan::AsIs ? RevealStep::NotFound : RevealStep::Reported);
    }
    EXPECT_STREQ(RevealSentence(RevealStep::NotFound), "No hidden message for this password.");
}

TEST_F(StealthPlan, RefusalsSayWhyAndThePayloadLimitsTheMessage)
{
    const std::string deepFile = Png("-depth 16", "PNG48");
    const CarrierPlan deep = PlanOf(deepFile);
    EXPECT_EQ(deep.CheckStealth(10, STEALTH_SAFE_BPC, FrontEnd::Window).plan, HidingPlan::Refuse);
    EXPECT_NE(deep.Check(MessageKind::Stealth, 10, FrontEnd::Window).sentence.find("16 bits"),
              std::string::npos);
    EXPECT_EQ(deep.Longest(MessageKind::Stealth), 0);
    EXPECT_EQ(PlanOf(std::string(20000, 'x')).Longest(MessageKind::Stealth), -1);
    // Once a JPEG: its block grid betrays any change.
    pictures::Shell("convert " + (dir / "rgb.bmp").string() + " -resize 400% -quality 80 " +
                    (dir / "once.jpg").string());
    pictures::Shell("convert " + (dir / "once.jpg").string() +
                    " BMP3:" + (dir / "once.bmp").string());
    const Decision once = PlanOf(pictures::ReadFile(dir / "once.bmp"))
                              .CheckStealth(10, STEALTH_SAFE_BPC, FrontEnd::CommandLine);
    EXPECT_EQ(once.plan, HidingPlan::Refuse);
    EXPECT_NE(once.sentence.find("JPEG"), std::string::npos) << once.sentence;

    const std::string file = pictures::ReadFile(dir / "rgb.bmp");
    const CarrierPlan plan = PlanOf(file);
    const std::int64_t safe = plan.Longest(MessageKind::Stealth);
    EXPECT_GT(safe, 100);
    EXPECT_GT(plan.LongestStealth(0.4), safe);
    EXPECT_EQ(plan.Check(MessageKind::Stealth, safe, FrontEnd::Window).plan, HidingPlan::AsIs);
    const Decision line = plan.CheckStealth(safe + 1, STEALTH_SAFE_BPC, FrontEnd::CommandLine);
    EXPECT_EQ(line.plan, HidingPlan::Refuse);
    EXPECT_EQ(line.sentence, StealthTooLong(safe, STEALTH_SAFE_BPC, FrontEnd::CommandLine));
    EXPECT_NE(line.sentence.find("--max-payload"), std::string::npos);
    EXPECT_EQ(plan.CheckStealth(safe + 1, 0.4, FrontEnd::CommandLine).plan, HidingPlan::AsIs);
    EXPECT_FALSE(plan.HideStealthMessage(
                         {pictures::Bytes(std::string(safe + 1, 'm')), std::size_t(safe + 1)},
                         PASSWORD, {STEALTH_SAFE_BPC, CHEAP_KDF})
                     .failure.empty());
}

TEST_F(StealthPlan, ARecordOrAFileThatIsNoPictureKeepsTheFormatsOwnWay)
{
    // A plain record: its password is asked for, no stealth message looked for.
    std::string plain = pictures::ReadFile(dir / "rgb.bmp");
    ASSERT_TRUE(EmbedRecords(reinterpret_cast<std::uint8_t*>(plain.data()),
                             std::int32_t(plain.size()),
                             PasswordRecordFor(MessageKind::Plain, PASSWORD), "hello", {}));
    std::string found;
    EXPECT_EQ(Open(plain, "wrong password", found), RevealStep::AskPassword);
    // Bits no password could open are no record: the picture is searched as any other.
    std::string odd = pictures::ReadFile(dir / "rgb.bmp");
    ASSERT_EQ(EmbedText(reinterpret_cast<std::uint8_t*>(odd.data()), std::int32_t(odd.size()),
                        PASSWORD_SLOT, "no record, this", {}),
              1);
    EXPECT_EQ(Open(odd, PASSWORD, found), RevealStep::NotFound);

    // No picture: the codec's words are shown as ever, not held back.
    const std::string noise(500, '\x02');
    std::vector<std::string> shown;
    Reveal reveal(
        [&noise](std::int32_t slot, const ShowMessageFn& show)
        { return ExtractText(pictures::Bytes(noise), std::int32_t(noise.size()), slot, show); },
        [&shown](const std::string& text) { shown.push_back(text); },
        StealthSource{MemoryReader(pictures::Bytes(noise), noise.size()),
                      std::int64_t(noise.size()), CHEAP_KDF});
    EXPECT_FALSE(reveal.Stealth());
    EXPECT_EQ(shown, std::vector<std::string>{NOTHING_HIDDEN});
}
