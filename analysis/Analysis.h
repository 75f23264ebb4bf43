// SPDX-License-Identifier: GPL-3.0-or-later
// What a detector sees in a picture: whether it holds this program's records, the structural
// estimates of least-significant-bit replacement, a score for ±1 embedding, traces of JPEG
// compression, and a verdict. Pictures are read a row at a time; large ones in evenly spread
// bands of rows, which keeps the estimates and bounds the work.
#pragma once

#include "engine/BitmapDecoder.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace analysis
{

enum class CarvaletRecord
{
    None,
    Plain,  // a password record: any copy of the program reads the message
    Sealed, // the sealed marker: the message opens with its password only
};

enum class Verdict
{
    NoSign,
    Suspicious,
    CarriesMessage,
};

// Estimated payload in bits per sample (bits per pixel channel).
struct Estimates
{
    double spa = 0;     // Sample Pairs Analysis
    double rs = 0;      // RS analysis
    double ws = 0;      // weighted stego, with Ker and Böhme's improvements
    double wsStart = 0; // weighted stego over the first samples in file order
    double wsEnd = 0;   // ... and over the last ones
    // The local estimates' standard errors.
    double wsStartError = 0;
    double wsEndError = 0;
};

struct ChannelReport
{
    std::string name; // "red", "green", "blue" or "grey"
    Estimates estimates;
    double chiSquareP = 0;
};

struct Report
{
    std::string format; // "BMP" or "PNG"
    std::int64_t width = 0;
    std::int64_t height = 0;
    CarvaletRecord carvalet = CarvaletRecord::None;
    // The least-significant bits from byte 68 hold this program's plain layout: both count
    // headers (the password record's and the message's) hold counts the layout allows.
    bool layoutCounts = false;
    Estimates estimates; // all channels together
    std::vector<ChannelReport> channels;
    double chiSquareP = 0;
    double pm1Score = 0;
    double jpegStrength = 0;
    bool jpegTraces = false;
    std::int64_t rowsRead = 0; // fewer than height when only bands were read
    Verdict verdict = Verdict::NoSign;
    // What made the verdict, in plain words: "weighted stego estimate 0.31 bpc", ...
    std::vector<std::string> reasons;
};

// A file that is not a picture this analysis reads: listed as skipped, with the reason.
class NotAnalysed : public std::runtime_error
{
public:
    explicit NotAnalysed(const std::string& why, CarvaletRecord found = CarvaletRecord::None)
        : std::runtime_error(why), record(found)
    {
    }
    // This program's records are read from any file, as the format always has.
    CarvaletRecord record;
};

// A picture that could not be read (broken, truncated, too large).
class AnalysisError : public std::runtime_error
{
public:
    explicit AnalysisError(const std::string& why, CarvaletRecord found = CarvaletRecord::None)
        : std::runtime_error(why), record(found)
    {
    }
    CarvaletRecord record;
};

struct AnalysisOptions
{
    // Beyond this many pixel channels, only bands of rows are read (the first and last rows in
    // file order always are).
    std::int64_t sampleBudget = std::int64_t{2} << 20;
};

// Samples in memory: rows from the top, each pixel's channels together (1 grey, 3 red green
// blue). bottomUp says the file stores the last row first, as a BMP does.
struct PixelView
{
    std::int64_t width = 0;
    std::int64_t height = 0;
    int channels = 3;
    const std::uint8_t* samples = nullptr;
    bool bottomUp = false;
};

// The interface other rooms score a picture with (a candidate carrier in memory, say). Every
// row is read; there is no file, so no record check (carvalet stays None, format "pixels").
Report AnalysePixels(const PixelView& pixels);
// A BMP or PNG file through its reader. Throws NotAnalysed or AnalysisError.
Report Analyse(const ByteReader& read, std::int64_t fileSize, const AnalysisOptions& options = {});
// The same for a file by its path.
Report AnalyseFile(const std::string& path, const AnalysisOptions& options = {});

// The record check alone: reads only the password record's bytes.
CarvaletRecord CheckRecord(const ByteReader& read, std::int64_t fileSize);

// The layout test alone: reads only the two count headers' bytes.
bool CheckLayoutCounts(const ByteReader& read, std::int64_t fileSize);

// "carries a Carvalet message", "suspicious", "no sign".
const char* VerdictText(Verdict verdict);
// The verdict on a file, or why there is none: "not analysed (not a BMP or PNG picture)".
std::string VerdictLine(const ByteReader& read, std::int64_t fileSize);

// The thresholds of the verdict (the chi-square p is not among them: smooth histograms of
// natural photographs reach 1 as often as replaced bit planes do), chosen on natural photographs
// (README: "What a detector sees", with their false-alarm and detection rates).
inline constexpr double SUSPICIOUS_WS = 0.1;
inline constexpr double SUSPICIOUS_SPA = 0.12;
inline constexpr double SUSPICIOUS_EDGE = 0.35;
// ... and this many standard errors above 0.
inline constexpr double SUSPICIOUS_EDGE_ERRORS = 3;
inline constexpr double SUSPICIOUS_PM1 = 0.5;

} // namespace analysis
