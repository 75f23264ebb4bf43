// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SealedMessage.h"
#include "hiding/CarrierPlan.h"
#include "hiding/Reveal.h"
#include "tests/support/PictureFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace hiding;
using pictures::BmpShape;

namespace
{
CarrierPlan PlanOf(const std::string& carrier)
{
    return CarrierPlan(pictures::Bytes(carrier), static_cast<std::int32_t>(carrier.size()));
}

std::string Classic()
{
    return pictures::MakeBmp(BmpShape(), 96, 64, pictures::Pattern);
}

// The pixels take a message as they are; the data after them does not.
std::string Trailed()
{
    return pictures::MakeBmp(BmpShape().Trailer(std::string(8000, 't')), 96, 64, pictures::Pattern);
}

// Reads a carrier held in a string, collecting what the codec shows.
struct Reading
{
    std::string carrier;
    std::vector<std::string> shown;
    Reveal Start()
    {
        return Reveal(
            [this](std::int32_t slot, const ShowMessageFn& show)
            {
                return ExtractText(reinterpret_cast<const std::uint8_t*>(carrier.data()),
                                   static_cast<std::int32_t>(carrier.size()), slot, show);
            },
            [this](const std::string& text) { shown.push_back(text); });
    }
};

std::string Hidden(std::string carrier, MessageKind kind, const std::string& message,
                   const std::string& password)
{
    const HiddenText hidden = MakeHiddenText(kind, message, password);
    EXPECT_TRUE(hidden.failure.empty()) << hidden.failure;
    EXPECT_TRUE(EmbedRecords(reinterpret_cast<std::uint8_t*>(carrier.data()),
                             static_cast<std::int32_t>(carrier.size()),
                             PasswordRecordFor(kind, password), hidden.text, {}));
    return carrier;
}
} // namespace

TEST(HidingPlan, CapacityIsTheLongestMessageEachKindFitsWithoutDamage)
{
    for (const std::int64_t room : {std::int64_t{0}, ArmourLength(1) - 1, ArmourLength(1),
                                    std::int64_t{4097}, std::int64_t{123457}})
    {
        const std::int64_t longest = LongestIn(MessageKind::Sealed, room);
        EXPECT_TRUE(longest == 0 || ArmourLength(longest) <= room) << room;
        EXPECT_GT(ArmourLength(longest + 1), room) << room;
    }

    const std::string classic = Classic();
    for (const MessageKind kind : {MessageKind::Plain, MessageKind::Sealed})
        EXPECT_EQ(PlanOf(classic).Longest(kind),
                  LongestInCarrier(kind, std::int64_t(classic.size())));

    const Reach reach = PlanOf(Trailed()).CarrierReach();
    EXPECT_EQ(reach.beyond.plan, HidingPlan::Convert);
    EXPECT_GT(reach.safe, 0);
    EXPECT_LT(reach.converted, reach.asIs) << "the trailer goes";
    EXPECT_EQ(reach.longest, std::max(reach.safe, reach.converted));

    EXPECT_EQ(PlanOf(std::string(20000, 'x')).Longest(MessageKind::Plain), -1) << "no picture";
}

TEST(HidingPlan, TheVerdictWeighsWhatIsHiddenAndEachFrontEndSaysItInItsWords)
{
    const CarrierPlan trailed = PlanOf(Trailed());
    const std::int64_t safe = trailed.CarrierReach().safe;
    EXPECT_EQ(trailed.Check(MessageKind::Plain, safe, FrontEnd::Window).plan, HidingPlan::AsIs);
    // A sealed message is judged by its armour, which reaches further.
    const std::int64_t sealedSafe = LongestIn(MessageKind::Sealed, safe);
    EXPECT_EQ(trailed.Check(MessageKind::Sealed, sealedSafe, FrontEnd::Window).plan,
              HidingPlan::AsIs);
    const Decision window = trailed.Check(MessageKind::Sealed, sealedSafe + 1, FrontEnd::Window);
    const Decision line = trailed.Check(MessageKind::Sealed, sealedSafe + 1, FrontEnd::CommandLine);
    EXPECT_EQ(window.plan, HidingPlan::Convert);
    EXPECT_EQ(line.plan, HidingPlan::Convert);
    EXPECT_TRUE(window.sentence.ends_with("24-bit bitmap that looks the same. Continue?"));
    EXPECT_TRUE(line.sentence.ends_with("Run hide with --convert to save it as a 24-bit bitmap "
                                        "that looks the same."));

    const CarrierPlan noise = PlanOf(std::string(20000, 'x'));
    EXPECT_EQ(noise.Check(MessageKind::Plain, 10, FrontEnd::Window).plan, HidingPlan::Refuse);
    EXPECT_TRUE(noise.Check(MessageKind::Plain, 10, FrontEnd::Window)
                    .sentence.ends_with(" Carvalet hides messages in BMP and PNG pictures."));
    EXPECT_TRUE(noise.Check(MessageKind::Plain, 10, FrontEnd::CommandLine)
                    .sentence.ends_with(" and in PNG pictures with --convert."));
}

TEST(HidingPlan, RecordsWrittenWholeOrPartByPartAreTheSameAndRevealReadsThem)
{
    const std::string carrier = Classic();
    const std::string whole = Hidden(carrier, MessageKind::Plain, "Meet at noon", "lanterns");
    std::string parts = carrier;
    const auto records =
        PrepareRecords(static_cast<std::int32_t>(carrier.size()),
                       PasswordRecordFor(MessageKind::Plain, "lanterns"), "Meet at noon", {});
    ASSERT_TRUE(records);
    for (const HiddenRecord& record : *records)
        WriteRecordPart(record, {reinterpret_cast<std::uint8_t*>(parts.data()), 0, parts.size()});
    EXPECT_EQ(parts, whole);

    Reading reading{whole, {}};
    Reveal reveal = reading.Start();
    ASSERT_EQ(reveal.Found(), RevealStep::AskPassword);
    EXPECT_EQ(reveal.Sealed(), nullptr);
    EXPECT_EQ(reveal.Open("lantern5"), RevealStep::WrongPassword);
    EXPECT_EQ(reveal.Open("lanterns and more"), RevealStep::Message) << "8 characters count";
    EXPECT_EQ(reveal.Message(), "Meet at noon");
    EXPECT_TRUE(reading.shown.empty());
}

TEST(HidingPlan, RevealTellsNothingHiddenDamageAndTheWrongPasswordApart)
{
    // Zero counts where the records would be.
    Reading empty{pictures::MakeBmp(BmpShape(), 96, 64, [](int, int) { return 0u; }), {}};
    EXPECT_EQ(empty.Start().Found(), RevealStep::Reported);
    EXPECT_EQ(empty.shown, std::vector<std::string>{NOTHING_HIDDEN});

    Reading sealed{Hidden(Classic(), MessageKind::Sealed, "Meet at noon", "a long passphrase"), {}};
    {
        Reveal reveal = sealed.Start();
        ASSERT_EQ(reveal.Found(), RevealStep::AskPassword);
        ASSERT_NE(reveal.Sealed(), nullptr);
        EXPECT_EQ(reveal.Open("a long passphrasE"), RevealStep::WrongPassword);
        EXPECT_EQ(reveal.Open("a long passphrase"), RevealStep::Message);
        EXPECT_EQ(reveal.Message(), "Meet at noon");
    }
    // One changed bit in the armour: told before any password is asked for.
    sealed.carrier[MESSAGE_SLOT + 8 * 40] ^= 1;
    EXPECT_EQ(sealed.Start().Found(), RevealStep::Damaged);
    EXPECT_TRUE(sealed.shown.empty());
}
