// SPDX-License-Identifier: GPL-3.0-or-later
// carvalet-cli decides nothing of its own about hiding: what it refuses, offers and reports
// is what the hiding plan says.
#include "hiding/CarrierPlan.h"
#include "tests/support/PictureFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>

namespace
{
namespace fs = std::filesystem;

struct CliRun
{
    int code = -1;
    std::string out;
    std::string err;
};

CliRun Cli(const fs::path& dir, const std::string& args)
{
    const fs::path out = dir / "stdout";
    const fs::path err = dir / "stderr";
    const std::string line = std::string(CARVALET_CLI) + " " + args + " </dev/null >" +
                             out.string() + " 2>" + err.string();
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, pictures::ReadFile(out),
            pictures::ReadFile(err)};
}
} // namespace

TEST(CliRouting, HideAndInfoSayWhatThePlanDecides)
{
    const fs::path dir =
        fs::temp_directory_path() / ("carvalet-routing-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string picture =
        pictures::MakeBmp(pictures::BmpShape().Bits(8).Colours(pictures::Palette(256)), 96, 64,
                          [](int x, int y) { return std::uint32_t(x * y) % 256; });
    pictures::WriteFile(dir / "in.bmp", picture);
    const hiding::CarrierPlan plan(pictures::Bytes(picture),
                                   static_cast<std::int32_t>(picture.size()));
    const std::int64_t tooLong = plan.CarrierReach().safe + 1;

    const CliRun hide =
        Cli(dir, "hide " + (dir / "in.bmp").string() + " " + (dir / "out.bmp").string() +
                     " --message " + std::string(std::size_t(tooLong), 'm'));
    EXPECT_EQ(hide.code, 1);
    EXPECT_EQ(
        hide.err,
        plan.Check(hiding::MessageKind::Plain, tooLong, hiding::FrontEnd::CommandLine).sentence +
            "\n");
    EXPECT_FALSE(fs::exists(dir / "out.bmp"));

    const CliRun info = Cli(dir, "info " + (dir / "in.bmp").string());
    EXPECT_EQ(info.code, 0);
    const std::int64_t sealed =
        hiding::LongestInCarrier(hiding::MessageKind::Sealed, std::int64_t(picture.size()));
    EXPECT_NE(info.out.find("Longest sealed message: " + std::to_string(sealed) + " bytes\n"),
              std::string::npos)
        << info.out;
    fs::remove_all(dir);
}
