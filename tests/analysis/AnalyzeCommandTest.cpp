// SPDX-License-Identifier: GPL-3.0-or-later
// carvalet-cli analyze as a script sees it: the folder walk, the JSON lines, the exit status.
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "imaging/ClassicBitmap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct Result
{
    int exit = -1;
    std::string out;
};

class AnalyzeCommand : public testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("carvalet-analyze-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "album" / "inner");
    }
    void TearDown() override { fs::remove_all(dir); }

    // A 64x64 noisy bitmap, with a plain message hidden by the engine when asked.
    void WriteBitmap(const fs::path& path, bool withMessage)
    {
        std::vector<std::uint8_t> bmp(54 + 64 * 64 * 3);
        WriteClassicHeader(bmp.data(), 64, 64, 24, 0, 0);
        std::mt19937 random(5);
        for (std::size_t i = 54; i < bmp.size(); ++i)
            bmp[i] = std::uint8_t(100 + (i / 3) % 64 + random() % 3);
        if (withMessage)
        {
            const auto length = std::int32_t(bmp.size());
            EmbedText(bmp.data(), length, PASSWORD_SLOT, MakePasswordRecord("lanterns!"), {});
            EmbedText(bmp.data(), length, MESSAGE_SLOT, "a message", {});
        }
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bmp.data()), std::streamsize(bmp.size()));
    }

    Result Run(const std::string& args)
    {
        Result result;
        FILE* pipe = ::popen((std::string(CARVALET_CLI) + " analyze " + args).c_str(), "r");
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            result.out.append(buffer, n);
        const int status = ::pclose(pipe);
        result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos;
             at = end + 1)
            lines.push_back(text.substr(at, end - at));
        return lines;
    }

    fs::path dir;
};

TEST_F(AnalyzeCommand, WalksAFolderWithoutFollowingLinksAndReportsEachFile)
{
    WriteBitmap(dir / "album" / "a.bmp", true);
    WriteBitmap(dir / "album" / "inner" / "b.bmp", false);
    std::ofstream(dir / "album" / "notes.txt") << "not a picture";
    WriteBitmap(dir / "outside.bmp", true);
    fs::create_symlink(dir / "outside.bmp", dir / "album" / "link.bmp");
    fs::create_directory_symlink(dir, dir / "album" / "loop");
    ASSERT_EQ(::mkfifo((dir / "album" / "pipe").c_str(), 0600), 0);

    const std::string album = (dir / "album").string();
    const Result r = Run("--json --jobs 2 '" + album + "'");
    EXPECT_EQ(r.exit, 0) << r.out;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    // By name, the inner folder's files where the folder stands.
    const char* expected[][2] = {
        {"/a.bmp\", \"format\": \"BMP\"", "\"carvalet\": \"plain\""},
        {"/inner/b.bmp\", \"format\": \"BMP\"", "\"carvalet\": null"},
        {"/link.bmp\", \"skipped\": ", "not followed"},
        {"/loop\", \"skipped\": ", "not followed"},
        {"/notes.txt\", \"skipped\": ", "not a BMP or PNG picture"},
        {"/pipe\", \"skipped\": ", "not a regular file"},
    };
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        EXPECT_EQ(lines[i].rfind("{\"path\": \"" + album, 0), 0u) << lines[i];
        EXPECT_NE(lines[i].find(expected[i][0]), std::string::npos) << lines[i];
        EXPECT_NE(lines[i].find(expected[i][1]), std::string::npos) << lines[i];
    }
    for (const char* key :
         {"\"estimates\": {\"spa\": ", ", \"rs\": ", ", \"ws\": ", ", \"ws_start\": ",
          "\"chi_square_p\": ", "\"pm1_score\": ", "\"jpeg_traces\": false",
          "\"verdict\": \"carries a Carvalet message\"", "\"channels\": {\"blue\": {"})
        EXPECT_NE(lines[0].find(key), std::string::npos) << key << " in " << lines[0];
    EXPECT_NE(lines[1].find("\"verdict\": \""), std::string::npos) << lines[1];
}

TEST_F(AnalyzeCommand, AFileThatCannotBeReadIsReportedAndTheScanGoesOn)
{
    WriteBitmap(dir / "whole.bmp", false);
    // A carrier cut short keeps its records: the report says so beside the error.
    WriteBitmap(dir / "cut.bmp", true);
    fs::resize_file(dir / "cut.bmp", 2000);
    const Result json =
        Run("--json '" + (dir / "cut.bmp").string() + "' '" + (dir / "missing.bmp").string() +
            "' '" + (dir / "whole.bmp").string() + "'");
    EXPECT_EQ(json.exit, 1);
    const std::vector<std::string> lines = Lines(json.out);
    ASSERT_EQ(lines.size(), 3u) << json.out;
    EXPECT_NE(lines[0].find("\"carvalet\": \"plain\", \"error\": "), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\"error\": \"no such file or folder\""), std::string::npos);
    EXPECT_NE(lines[2].find("\"verdict\": "), std::string::npos);

    // Appended piece by piece: GCC 12 at -O3 takes "'" + std::string&& for an overlapping copy.
    std::string both = "'";
    both.append((dir / "cut.bmp").string()).append("' '");
    both.append((dir / "whole.bmp").string()).append("'");
    const Result text = Run(both);
    EXPECT_EQ(text.exit, 1);
    EXPECT_NE(text.out.find("cut.bmp: could not be analysed: "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("; it holds a plain Carvalet record\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  Verdict: "), std::string::npos) << text.out;
}

TEST_F(AnalyzeCommand, UsageMistakesExitWithTwo)
{
    EXPECT_EQ(Run("2>/dev/null").exit, 2);
    for (const char* jobs : {"0", "x", "2x", "1000"})
        EXPECT_EQ(Run(std::string("--jobs ") + jobs + " . 2>/dev/null").exit, 2) << jobs;
}

} // namespace
