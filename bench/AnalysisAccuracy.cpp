// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the detector on natural photographs: the estimates' mean absolute error and every
// score's ROC AUC under simulated random LSB replacement, random ±1 embedding and sequential
// LSB replacement, the verdict's false-alarm and detection rates, and the record check and the
// start estimate on carriers made by the engine (plain and sealed, 100-byte messages).
//   carvalet_analysis_accuracy TILES [JPEGED]
// TILES holds the tiles of bench/photo-tiles.sh; JPEGED (optional) the same tiles once saved
// as JPEG, for the block-grid measure. bench/analyze-accuracy.sh makes both and runs this.
#include "analysis/Analysis.h"
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"
#include "imaging/ClassicBitmap.h"
#include "imaging/JpegTraces.h"
#include "imaging/PictureFile.h"
#include "imaging/PngDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace
{

struct Picture
{
    std::string name;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int channels = 3;
    bool bottomUp = false;
    std::vector<std::uint8_t> samples; // rows from the top; red green blue or grey
};

bool Load(const std::string& path, Picture& out)
{
    const PictureFile file(path);
    if (!file.IsOpen())
        return false;
    out.name = std::filesystem::path(path).filename().string();
    const CarrierInspection inspection = InspectCarrier(file.Reader(), file.Size());
    if (inspection.format == CarrierFormat::Bitmap)
    {
        const BitmapLayout& layout = *inspection.bitmap;
        out.width = layout.width;
        out.height = layout.height;
        out.bottomUp = layout.bottomUp;
        out.channels = 3;
        out.samples.resize(std::size_t(out.width * out.height * 3));
        return DecodeBitmap(file.Reader(), file.Size(), layout, {}, {},
                            [&](std::int64_t y, const Argb* px)
                            {
                                for (std::int64_t x = 0; x < out.width; ++x)
                                    for (int c = 0; c < 3; ++c)
                                        out.samples[(y * out.width + x) * 3 + c] =
                                            std::uint8_t(px[x] >> (16 - 8 * c));
                            });
    }
    if (inspection.format != CarrierFormat::Png)
        return false;
    PngDecoder decoder(file.Reader(), file.Size());
    if (!decoder.ReadHeader())
        return false;
    out.width = decoder.Width();
    out.height = decoder.Height();
    out.channels = 1;
    out.samples.resize(std::size_t(out.width * out.height));
    return decoder.Decode(
        [&](std::int64_t y, std::int64_t x0, std::int64_t step, std::int64_t n,
            const std::uint8_t* bgra)
        {
            for (std::int64_t i = 0; i < n; ++i)
                out.samples[y * out.width + x0 + i * step] = bgra[i * 4];
        });
}

// Position of sample i in file order (a BMP stores the bottom row first).
std::size_t FileOrder(const Picture& p, std::size_t i)
{
    const std::size_t row = std::size_t(p.width) * p.channels;
    const std::size_t ordinal = i / row;
    const std::size_t y = p.bottomUp ? std::size_t(p.height) - 1 - ordinal : ordinal;
    return y * row + i % row;
}

enum class Embedding
{
    RandomLsb,
    RandomPm1,
    SequentialLsb,
};

// A payload of `rate` bits per sample, hidden as the embedding does it.
Picture Embed(const Picture& cover, Embedding how, double rate, std::mt19937_64& random)
{
    Picture out = cover;
    std::uniform_real_distribution<double> uniform(0, 1);
    std::bernoulli_distribution bit(0.5);
    const std::size_t n = out.samples.size();
    const auto carry = [&](std::uint8_t& s)
    {
        const int message = bit(random);
        if ((s & 1) == message)
            return;
        if (how == Embedding::RandomPm1)
            s = s == 0 ? 1 : s == 255 ? 254 : std::uint8_t(s + (bit(random) ? 1 : -1));
        else
            s ^= 1;
    };
    if (how == Embedding::SequentialLsb)
    {
        const auto count = std::size_t(rate * double(n));
        for (std::size_t i = 0; i < count; ++i)
            carry(out.samples[FileOrder(out, i)]);
        return out;
    }
    for (std::uint8_t& s : out.samples)
        if (uniform(random) < rate)
            carry(s);
    return out;
}

analysis::Report Score(const Picture& p)
{
    return analysis::AnalysePixels({p.width, p.height, p.channels, p.samples.data(), p.bottomUp});
}

// The picture as a classic 24-bit bitmap.
ClassicBitmap Bitmap(const Picture& p)
{
    const std::int64_t stride = (p.width * 3 + 3) / 4 * 4;
    ClassicBitmap bmp;
    bmp.size = std::size_t(54 + stride * p.height);
    bmp.bytes = std::make_unique<std::uint8_t[]>(bmp.size);
    std::fill(bmp.bytes.get(), bmp.bytes.get() + bmp.size, 0);
    WriteClassicHeader(bmp.bytes.get(), p.width, p.height, 24, 2835, 2835);
    for (std::int64_t y = 0; y < p.height; ++y)
        for (std::int64_t x = 0; x < p.width; ++x)
            for (int c = 0; c < 3; ++c)
            {
                const int from = p.channels == 1 ? 0 : 2 - c; // BGR in the file
                bmp.bytes[54 + (p.height - 1 - y) * stride + x * 3 + c] =
                    p.samples[(y * p.width + x) * p.channels + from];
            }
    return bmp;
}

// The picture as a classic bitmap with a Carvalet message hidden by the engine.
ClassicBitmap Carrier(const Picture& p, bool sealed, std::mt19937_64& random)
{
    ClassicBitmap bmp = Bitmap(p);
    std::string message(100, ' ');
    for (char& ch : message)
        ch = char('a' + random() % 26);
    std::string record = MakePasswordRecord("correct horse");
    if (sealed)
    {
        // A light key derivation: the carrier's records are the same at any cost.
        message = SealMessage(message, "correct horse", {1, 64});
        record = SEAL_MARKER_RECORD;
    }
    const auto length = std::int32_t(bmp.size);
    EmbedText(bmp.bytes.get(), length, PASSWORD_SLOT, record, {});
    EmbedText(bmp.bytes.get(), length, MESSAGE_SLOT, message, {});
    return bmp;
}

bool StartFlagged(const analysis::Report& r)
{
    return std::any_of(r.reasons.begin(), r.reasons.end(),
                       [](const std::string& reason)
                       { return reason.find("where the file's pixels") != std::string::npos; });
}

double Auc(std::vector<double> covers, std::vector<double> stegos)
{
    std::sort(covers.begin(), covers.end());
    double wins = 0;
    for (const double s : stegos)
    {
        const auto below = std::lower_bound(covers.begin(), covers.end(), s) - covers.begin();
        const auto notAbove = std::upper_bound(covers.begin(), covers.end(), s) - covers.begin();
        wins += double(below) + 0.5 * double(notAbove - below);
    }
    return wins / double(covers.size() * stegos.size());
}

using Pick = std::function<double(const analysis::Report&)>;

const std::vector<std::pair<const char*, Pick>>& Scores()
{
    static const std::vector<std::pair<const char*, Pick>> scores = {
        {"SPA", [](const analysis::Report& r) { return r.estimates.spa; }},
        {"RS", [](const analysis::Report& r) { return r.estimates.rs; }},
        {"WS", [](const analysis::Report& r) { return r.estimates.ws; }},
        {"WS start", [](const analysis::Report& r) { return r.estimates.wsStart; }},
        {"chi-square p", [](const analysis::Report& r) { return r.chiSquareP; }},
        {"±1 score", [](const analysis::Report& r) { return r.pm1Score; }},
    };
    return scores;
}

double Rate(const std::vector<analysis::Report>& reports, analysis::Verdict verdict)
{
    const auto n = std::count_if(reports.begin(), reports.end(),
                                 [&](const analysis::Report& r) { return r.verdict == verdict; });
    return reports.empty() ? 0 : double(n) / double(reports.size());
}

void JpegTraces(const std::vector<analysis::Report>& covers, const std::string& folder)
{
    std::vector<double> natural, jpeged;
    std::size_t found = 0, total = 0;
    for (const analysis::Report& r : covers)
        natural.push_back(r.jpegStrength);
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        const analysis::Report r = analysis::AnalyseFile(entry.path().string());
        jpeged.push_back(r.jpegStrength);
        found += r.jpegTraces;
        ++total;
    }
    const auto alarms = std::count_if(natural.begin(), natural.end(),
                                      [](double s) { return s >= JPEG_TRACE_STRENGTH; });
    std::printf("\nJPEG traces (strength >= %.2f): found in %zu of %zu once-JPEG tiles, false "
                "alarms on %ld of %zu natural tiles; AUC %.3f\n",
                JPEG_TRACE_STRENGTH, found, total, long(alarms), natural.size(),
                Auc(natural, jpeged));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: carvalet_analysis_accuracy TILES [JPEGED]\n");
        return 2;
    }
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
        paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    // A quick look while tuning: every fourth tile, random replacement only.
    const bool quick = std::getenv("CARVALET_QUICK") != nullptr;
    if (quick)
        for (std::size_t i = 0; i * 4 < paths.size(); ++i)
            paths[i] = paths[i * 4];
    if (quick)
        paths.resize((paths.size() + 3) / 4);
    std::vector<Picture> pictures;
    for (const std::string& path : paths)
    {
        Picture p;
        if (Load(path, p))
            pictures.push_back(std::move(p));
    }
    std::mt19937_64 random(20);
    std::vector<analysis::Report> covers;
    for (const Picture& p : pictures)
        covers.push_back(Score(p));
    std::printf("%zu tiles (grey and colour)\n\n", pictures.size());

    const double rates[] = {0.05, 0.1, 0.2, 0.4};
    std::vector<std::pair<Embedding, const char*>> embeddings = {
        {Embedding::RandomLsb, "random LSB replacement"},
        {Embedding::RandomPm1, "random ±1"},
        {Embedding::SequentialLsb, "sequential LSB replacement"}};
    if (quick && std::string(std::getenv("CARVALET_QUICK")) == "pm1")
        embeddings.erase(embeddings.begin());
    std::printf(
        "Mean absolute error (bpc), covers (0 bpc): SPA %.4f, RS %.4f, WS %.4f\n",
        [&]
        {
            double s = 0;
            for (auto& r : covers)
                s += std::abs(r.estimates.spa);
            return s / covers.size();
        }(),
        [&]
        {
            double s = 0;
            for (auto& r : covers)
                s += std::abs(r.estimates.rs);
            return s / covers.size();
        }(),
        [&]
        {
            double s = 0;
            for (auto& r : covers)
                s += std::abs(r.estimates.ws);
            return s / covers.size();
        }());
    std::printf("False alarms of the verdict on covers: %.3f\n\n",
                Rate(covers, analysis::Verdict::Suspicious));
    if (quick && std::string(std::getenv("CARVALET_QUICK")) == "carriers")
        embeddings.clear();
    for (const auto& [how, name] : embeddings)
    {
        std::printf("%s\n| bpc | MAE SPA | MAE RS | MAE WS (bias) |", name);
        for (const auto& [score, pick] : Scores())
            std::printf(" AUC %s |", score);
        std::printf(" detected |\n|---|---|---|---|");
        for (std::size_t i = 0; i < Scores().size() + 1; ++i)
            std::printf("---|");
        std::printf("\n");
        for (const double rate : rates)
        {
            std::vector<analysis::Report> stegos;
            double spa = 0, rs = 0, ws = 0, wsBias = 0;
            for (const Picture& p : pictures)
            {
                stegos.push_back(Score(Embed(p, how, rate, random)));
                spa += std::abs(stegos.back().estimates.spa - rate);
                rs += std::abs(stegos.back().estimates.rs - rate);
                ws += std::abs(stegos.back().estimates.ws - rate);
                wsBias += stegos.back().estimates.ws - rate;
            }
            const double n = double(pictures.size());
            std::printf("| %.2f | %.4f | %.4f | %.4f (%+.4f) |", rate, spa / n, rs / n, ws / n,
                        wsBias / n);
            for (const auto& [score, pick] : Scores())
            {
                std::vector<double> c, s;
                for (const auto& r : covers)
                    c.push_back(pick(r));
                for (const auto& r : stegos)
                    s.push_back(pick(r));
                std::printf(" %.3f |", Auc(c, s));
            }
            std::printf(" %.3f |\n", Rate(stegos, analysis::Verdict::Suspicious));
        }
        std::printf("\n");
        if (quick)
            return 0;
    }

    // Carriers made by the engine: the record check and the start estimate.
    std::vector<analysis::Estimates> plainStarts, coverEdges;
    std::size_t plainFound = 0, sealedFound = 0, startFound = 0, startAlarms = 0, recordAlarms = 0;
    std::size_t layoutFound = 0, layoutAlarms = 0;
    for (const Picture& p : pictures)
    {
        for (const bool sealed : {false, true})
        {
            const ClassicBitmap bmp = Carrier(p, sealed, random);
            const analysis::Report r =
                analysis::Analyse(MemoryReader(bmp.bytes.get(), bmp.size), std::int64_t(bmp.size));
            const auto expected =
                sealed ? analysis::CarvaletRecord::Sealed : analysis::CarvaletRecord::Plain;
            (sealed ? sealedFound : plainFound) += r.carvalet == expected;
            layoutFound += r.layoutCounts;
            if (!sealed)
            {
                startFound += StartFlagged(r);
                plainStarts.push_back(r.estimates);
            }
        }
        const ClassicBitmap cover = Bitmap(p);
        const analysis::Report r = analysis::Analyse(MemoryReader(cover.bytes.get(), cover.size),
                                                     std::int64_t(cover.size));
        startAlarms += StartFlagged(r);
        coverEdges.push_back(r.estimates);
        recordAlarms += r.carvalet != analysis::CarvaletRecord::None;
        layoutAlarms += r.layoutCounts;
    }
    if (const char* dump = std::getenv("CARVALET_DUMP_EDGES"))
    {
        FILE* out = std::fopen(dump, "w");
        for (std::size_t i = 0; i < plainStarts.size(); ++i)
            std::fprintf(out, "%s %g %g %g %g %g %g\n", pictures[i].name.c_str(),
                         plainStarts[i].wsStart, plainStarts[i].wsStartError, coverEdges[i].wsStart,
                         coverEdges[i].wsStartError, coverEdges[i].wsEnd, coverEdges[i].wsEndError);
        std::fclose(out);
    }
    std::printf("Carriers made by the engine (100-byte messages, %zu of each):\n"
                "  record check: plain found %zu, sealed found %zu\n"
                "  start estimate >= %.2f: %zu plain carriers; covers over it at start or "
                "end: %zu\n",
                pictures.size(), plainFound, sealedFound, analysis::SUSPICIOUS_EDGE, startFound,
                startAlarms);
    std::printf("  record check on covers: %zu false alarms\n", recordAlarms);
    std::printf("  layout's count headers: %zu of %zu plain and sealed carriers, %zu false "
                "alarms on covers\n",
                layoutFound, 2 * pictures.size(), layoutAlarms);
    // The local estimate's rule at other numbers of standard errors.
    for (const double errors : {1.5, 2.0, 2.5, 3.0})
    {
        const auto over = [&](double estimate, double error)
        { return estimate >= analysis::SUSPICIOUS_EDGE && estimate >= errors * error; };
        std::size_t found = 0, alarms = 0;
        for (const analysis::Estimates& e : plainStarts)
            found += over(e.wsStart, e.wsStartError);
        for (const analysis::Estimates& e : coverEdges)
            alarms += over(e.wsStart, e.wsStartError) || over(e.wsEnd, e.wsEndError);
        std::printf("  at %.1f standard errors: %zu plain carriers found, %zu covers over it\n",
                    errors, found, alarms);
    }
    if (argc > 2)
        JpegTraces(covers, argv[2]);
    return 0;
}
