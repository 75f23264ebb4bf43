// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Analysis.h"

#include "analysis/Estimators.h"
#include "engine/CarrierCodec.h"
#include "engine/CarrierInspection.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"
#include "imaging/JpegTraces.h"
#include "imaging/PictureFile.h"
#include "imaging/PngDecoder.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <optional>

namespace analysis
{
namespace
{

// Rows are read in bands this tall when a picture is over budget: tall enough that the
// neighbourhoods inside a band are whole.
constexpr std::int64_t BAND_ROWS = 16;
// An interlaced PNG is gathered whole before its rows can be read in order.
constexpr std::int64_t MAX_INTERLACED_PIXELS = std::int64_t{1} << 25;

// One channel of the picture as the file holds it: its name and where it lies in a pixel.
struct ChannelPlace
{
    const char* name;
    int offset; // in the file's bytes of one pixel
};

// Gathers every channel's counts and the block grid from rows given as interleaved samples.
class PictureGatherer
{
public:
    PictureGatherer(std::int64_t width, std::int64_t height, std::vector<ChannelPlace> places,
                    int stride)
        : m_width(width), m_places(std::move(places)), m_meter(width)
    {
        const std::int64_t total = width * height * stride;
        for (const ChannelPlace& place : m_places)
            m_channels.emplace_back(width, stride, place.offset, total);
    }

    // Row y from the top, at this ordinal in file order; samples interleaved as the places,
    // a pixel every `step` bytes (0: as many as there are places).
    void AddRow(std::int64_t y, std::int64_t ordinal, const std::uint8_t* samples, int step = 0)
    {
        if (ordinal != m_lastOrdinal + 1)
            for (ChannelGatherer& channel : m_channels)
                channel.BreakRows();
        m_lastOrdinal = ordinal;
        // Row buffers are made when a row arrives, never for what a header merely claims.
        m_luma.resize(std::size_t(m_width));
        const int n = int(m_channels.size());
        step = step > 0 ? step : n;
        if (n == 3)
        {
            // One pass splits the channels and makes the luminance.
            SplitChannels(samples, step, m_width, m_channels[0].NextRow(), m_channels[1].NextRow(),
                          m_channels[2].NextRow(), m_luma.data());
            for (ChannelGatherer& channel : m_channels)
                channel.CommitRow(ordinal);
        }
        else
        {
            for (int c = 0; c < n; ++c)
                m_channels[std::size_t(c)].AddRow(ordinal, samples + c, step);
            for (std::int64_t x = 0; x < m_width; ++x)
            {
                int sum = 0;
                for (int c = 0; c < n; ++c)
                    sum += samples[x * step + c];
                m_luma[x] = std::uint8_t(sum / n);
            }
        }
        m_meter.AddRow(y, m_luma.data());
        ++m_rows;
    }

    void Finish(Report& report)
    {
        ChannelCounts all;
        for (std::size_t c = 0; c < m_channels.size(); ++c)
        {
            const ChannelCounts& counts = m_channels[c].Finish();
            ChannelReport channel;
            channel.name = m_places[c].name;
            channel.estimates = Estimate(counts);
            channel.chiSquareP = ChiSquareP(counts);
            report.channels.push_back(channel);
            all.Add(counts);
        }
        report.estimates = Estimate(all);
        report.pm1Score = CalibratedHistogramScore(all);
        // The channels' chi-square statistics do not pool into one law; the strongest counts.
        for (const ChannelReport& channel : report.channels)
            report.chiSquareP = std::max(report.chiSquareP, channel.chiSquareP);
        report.jpegStrength = m_meter.Strength();
        report.jpegTraces = m_meter.Found();
        report.rowsRead = m_rows;
    }

private:
    static Estimates Estimate(const ChannelCounts& counts)
    {
        return {SpaEstimate(counts),       RsEstimate(counts),    counts.ws.Estimate(),
                counts.start.Estimate(),   counts.end.Estimate(), counts.start.StandardError(),
                counts.end.StandardError()};
    }

    std::int64_t m_width;
    std::vector<ChannelPlace> m_places;
    std::vector<ChannelGatherer> m_channels;
    BlockGridMeter m_meter;
    std::vector<std::uint8_t> m_luma;
    std::int64_t m_lastOrdinal = -2;
    std::int64_t m_rows = 0;
};

std::string Fixed(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

void Judge(Report& report)
{
    auto& why = report.reasons;
    if (report.carvalet == CarvaletRecord::Plain)
        why.push_back("a plain Carvalet message: any copy of the program reads it");
    else if (report.carvalet == CarvaletRecord::Sealed)
        why.push_back("a sealed Carvalet message: it opens with its password only");
    if (report.layoutCounts && report.carvalet == CarvaletRecord::None)
        why.push_back("the bits from byte 68 hold the count headers of Carvalet's plain layout, "
                      "with a password record Carvalet does not make");
    const Estimates& e = report.estimates;
    if (e.ws >= SUSPICIOUS_WS)
        why.push_back("weighted stego estimate " + Fixed(e.ws) + " bpc");
    if (e.spa >= SUSPICIOUS_SPA)
        why.push_back("sample pairs estimate " + Fixed(e.spa) + " bpc");
    const auto edge = [](double estimate, double error)
    { return estimate >= SUSPICIOUS_EDGE && estimate >= SUSPICIOUS_EDGE_ERRORS * error; };
    if (edge(e.wsStart, e.wsStartError))
        why.push_back("estimate " + Fixed(e.wsStart) + " bpc where the file's pixels start");
    if (edge(e.wsEnd, e.wsEndError))
        why.push_back("estimate " + Fixed(e.wsEnd) + " bpc where the file's pixels end");
    if (report.pm1Score >= SUSPICIOUS_PM1)
        why.push_back("±1 score " + Fixed(report.pm1Score));
    if (report.carvalet != CarvaletRecord::None)
        report.verdict = Verdict::CarriesMessage;
    else
        report.verdict = why.empty() ? Verdict::NoSign : Verdict::Suspicious;
    if (report.jpegTraces)
        why.push_back("once a JPEG (8x8 block grid, strength " + Fixed(report.jpegStrength) +
                      "): any later change to it shows");
}

// The ordinals (rows in file order) to read: all of them, or bands spread evenly from the
// first to the last when the picture is over budget.
std::vector<std::int64_t> ChosenOrdinals(std::int64_t width, std::int64_t height, int channels,
                                         std::int64_t budget)
{
    std::vector<std::int64_t> ordinals;
    const std::int64_t rowSamples = std::max<std::int64_t>(1, width * channels);
    const std::int64_t rowsAllowed = std::max<std::int64_t>(2 * BAND_ROWS, budget / rowSamples);
    if (height <= rowsAllowed)
    {
        for (std::int64_t o = 0; o < height; ++o)
            ordinals.push_back(o);
        return ordinals;
    }
    const std::int64_t bands = rowsAllowed / BAND_ROWS;
    for (std::int64_t b = 0; b < bands; ++b)
    {
        const std::int64_t first = b * (height - BAND_ROWS) / (bands - 1);
        for (std::int64_t o = first; o < first + BAND_ROWS; ++o)
            if (ordinals.empty() || o > ordinals.back())
                ordinals.push_back(o);
    }
    return ordinals;
}

bool GreyPalette(const BitmapLayout& layout)
{
    if (!layout.Indexed() || layout.palette.empty())
        return false;
    return std::all_of(
        layout.palette.begin(), layout.palette.end(),
        [](Argb c) { return (c & 0xff) == ((c >> 8) & 0xff) && (c & 0xff) == ((c >> 16) & 0xff); });
}

// Uncompressed 24-bit and 32-bit pixels are the samples as stored (blue, green, red): they are
// read straight from the file, many rows at a time, without the decoder's colour conversion.
bool ReadRawRows(const ByteReader& read, const BitmapLayout& layout,
                 const std::vector<std::int64_t>& ordinals, PictureGatherer& gatherer)
{
    const std::int64_t stride = layout.stride;
    const int step = layout.bitsPerPixel / 8;
    // About 1 MB a read, at least one row.
    const std::int64_t perRead = std::max<std::int64_t>(1, (std::int64_t{1} << 20) / stride);
    std::vector<std::uint8_t> buffer;
    std::size_t i = 0;
    while (i < ordinals.size())
    {
        // A run of consecutive rows in file order, as long as the buffer allows.
        std::size_t j = i + 1;
        while (j < ordinals.size() && ordinals[j] == ordinals[j - 1] + 1 &&
               std::int64_t(j - i) < perRead)
            ++j;
        const std::int64_t rows = std::int64_t(j - i);
        buffer.resize(std::size_t(rows * stride));
        if (!read(layout.pixelOffset + ordinals[i] * stride, buffer.size(), buffer.data()))
            return false;
        for (std::int64_t r = 0; r < rows; ++r)
        {
            const std::int64_t ordinal = ordinals[i] + r;
            const std::int64_t y = layout.bottomUp ? layout.height - 1 - ordinal : ordinal;
            gatherer.AddRow(y, ordinal, buffer.data() + r * stride, step);
        }
        i = j;
    }
    return true;
}

void ReadBitmap(const ByteReader& read, std::int64_t fileSize, const BitmapLayout& layout,
                const AnalysisOptions& options, Report& report)
{
    const bool grey = GreyPalette(layout);
    const int stride = std::max(1, layout.bitsPerPixel / 8);
    std::vector<ChannelPlace> places;
    if (grey)
        places = {{"grey", 0}};
    else
        places = {
            {"blue", 0}, {"green", std::min(1, stride - 1)}, {"red", std::min(2, stride - 1)}};
    const int channels = int(places.size());
    const std::int64_t width = layout.width;
    const std::int64_t height = layout.height;
    const std::vector<std::int64_t> ordinals =
        ChosenOrdinals(width, height, channels, options.sampleBudget);
    if (!grey && layout.compression == BITMAP_RGB &&
        (layout.bitsPerPixel == 24 || layout.bitsPerPixel == 32) && layout.RowsInside(fileSize))
    {
        PictureGatherer gatherer(width, height, places, stride);
        if (!ReadRawRows(read, layout, ordinals, gatherer))
            throw AnalysisError("the picture's pixels could not be read (the file ends early?)");
        gatherer.Finish(report);
        return;
    }
    std::vector<std::int64_t> rows;
    for (const std::int64_t o : ordinals)
        rows.push_back(layout.bottomUp ? height - 1 - o : o);
    std::sort(rows.begin(), rows.end());
    PictureGatherer gatherer(width, height, places, stride);
    std::vector<std::uint8_t> samples(std::size_t(width) * channels);
    const bool decoded =
        DecodeBitmap(read, fileSize, layout, rows, {},
                     [&](std::int64_t y, const Argb* pixels)
                     {
                         for (std::int64_t x = 0; x < width; ++x)
                             for (int c = 0; c < channels; ++c)
                                 samples[x * channels + c] = std::uint8_t(pixels[x] >> (8 * c));
                         gatherer.AddRow(y, layout.bottomUp ? height - 1 - y : y, samples.data());
                     });
    if (!decoded)
        throw AnalysisError("the picture's pixels could not be read (the file ends early?)");
    gatherer.Finish(report);
}

void ReadPng(const ByteReader& read, std::int64_t fileSize, const PngHeader& header,
             const AnalysisOptions& options, Report& report)
{
    PngDecoder decoder(read, fileSize);
    if (!decoder.ReadHeader())
        throw AnalysisError("broken PNG: " + decoder.Error());
    const std::int64_t width = decoder.Width();
    const std::int64_t height = decoder.Height();
    const bool grey = header.colourType == 0 || header.colourType == 4;
    std::vector<ChannelPlace> places;
    int stride = 1;
    if (grey)
        places = {{"grey", 0}};
    else
    {
        places = {{"blue", 2}, {"green", 1}, {"red", 0}};
        stride = header.hasAlpha ? 4 : 3;
    }
    const int channels = int(places.size());
    const std::vector<std::int64_t> ordinals =
        ChosenOrdinals(width, height, channels, options.sampleBudget);
    std::vector<bool> chosen(std::size_t(height), false);
    for (const std::int64_t o : ordinals)
        chosen[o] = true;
    PictureGatherer gatherer(width, height, places, stride);
    std::vector<std::uint8_t> whole;
    if (header.interlaced)
    {
        if (width * height > MAX_INTERLACED_PIXELS)
            throw AnalysisError("an interlaced PNG too large to analyse");
        whole.resize(std::size_t(width * height) * channels);
    }
    std::vector<std::uint8_t> samples;
    const bool decoded = decoder.Decode(
        [&](std::int64_t y, std::int64_t xStart, std::int64_t xStep, std::int64_t count,
            const std::uint8_t* bgra)
        {
            if (y < 0 || y >= height || !chosen[y])
                return;
            samples.resize(std::size_t(width) * channels);
            std::uint8_t* out =
                header.interlaced ? whole.data() + y * width * channels : samples.data();
            for (std::int64_t i = 0; i < count; ++i)
            {
                const std::int64_t x = xStart + i * xStep;
                if (x >= width)
                    break;
                for (int c = 0; c < channels; ++c)
                    out[x * channels + c] = bgra[i * 4 + c];
            }
            if (!header.interlaced)
                gatherer.AddRow(y, y, samples.data());
        });
    if (!decoded)
        throw AnalysisError("broken PNG: " + decoder.Error());
    if (header.interlaced)
        for (const std::int64_t y : ordinals)
            gatherer.AddRow(y, y, whole.data() + y * width * channels);
    gatherer.Finish(report);
}

} // namespace

const char* VerdictText(Verdict verdict)
{
    switch (verdict)
    {
    case Verdict::CarriesMessage:
        return "carries a Carvalet message";
    case Verdict::Suspicious:
        return "suspicious";
    case Verdict::NoSign:
        break;
    }
    return "no sign";
}

std::string VerdictLine(const ByteReader& read, std::int64_t fileSize)
{
    try
    {
        return VerdictText(Analyse(read, fileSize).verdict);
    }
    catch (const std::exception& e)
    {
        return std::string("not analysed (") + e.what() + ")";
    }
}

CarvaletRecord CheckRecord(const ByteReader& read, std::int64_t fileSize)
{
    const auto length =
        std::int32_t(std::min<std::int64_t>(fileSize, std::numeric_limits<std::int32_t>::max()));
    std::string record;
    try
    {
        record = ExtractTextFrom(
            [&read](std::int64_t offset, std::uint8_t* into, std::size_t size)
            {
                if (!read(offset, size, into))
                    throw AnalysisError("the file could not be read");
            },
            length, PASSWORD_SLOT, ShowMessageFn{});
    }
    catch (const AnalysisError&)
    {
        return CarvaletRecord::None;
    }
    if (IsSealMarker(record))
        return CarvaletRecord::Sealed;
    return IsPasswordRecord(record) ? CarvaletRecord::Plain : CarvaletRecord::None;
}

bool CheckLayoutCounts(const ByteReader& read, std::int64_t fileSize)
{
    // Bit i of a count is bit 0 of the header's byte i.
    const auto count = [&read](std::int64_t at) -> std::optional<std::uint32_t>
    {
        std::uint8_t header[32];
        if (!read(at, sizeof header, header))
            return std::nullopt;
        std::uint32_t value = 0;
        for (int i = 0; i < 32; ++i)
            value |= std::uint32_t(header[i] & 1u) << i;
        return value;
    };
    if (fileSize < MESSAGE_SLOT)
        return false;
    const std::optional<std::uint32_t> record = count(PASSWORD_SLOT - 32);
    const std::optional<std::uint32_t> message = count(MESSAGE_SLOT - 32);
    if (!record || !message)
        return false;
    // Whole cipher blocks; the record's bits end before the message's header begins (8 or 16
    // bytes), the message's inside the file. A picture's own bits pass both by chance about
    // once in 2^64.
    constexpr std::uint32_t longestRecord = (MESSAGE_SLOT - 32 - PASSWORD_SLOT - 56) / 8;
    const bool recordFits = *record > 0 && *record % 8 == 0 && *record <= longestRecord;
    const bool messageFits = *message > 0 && *message % 8 == 0 &&
                             MESSAGE_SLOT + 8 * std::int64_t{*message} + 56 <= fileSize;
    return recordFits && messageFits;
}

Report AnalysePixels(const PixelView& pixels)
{
    Report report;
    report.format = "pixels";
    report.width = pixels.width;
    report.height = pixels.height;
    const int n = pixels.channels;
    std::vector<ChannelPlace> places;
    if (n == 1)
        places = {{"grey", 0}};
    else
        places = {{"red", 0}, {"green", 1}, {"blue", 2}};
    PictureGatherer gatherer(pixels.width, pixels.height, places, n);
    for (std::int64_t o = 0; o < pixels.height; ++o)
    {
        const std::int64_t y = pixels.bottomUp ? pixels.height - 1 - o : o;
        gatherer.AddRow(y, o, pixels.samples + y * pixels.width * n);
    }
    gatherer.Finish(report);
    Judge(report);
    return report;
}

Report Analyse(const ByteReader& read, std::int64_t fileSize, const AnalysisOptions& options)
{
    const CarrierInspection inspection = InspectCarrier(read, fileSize);
    Report report;
    report.format = inspection.formatName;
    const CarvaletRecord record = CheckRecord(read, fileSize);
    switch (inspection.format)
    {
    case CarrierFormat::Bitmap:
        report.width = inspection.bitmap->width;
        report.height = inspection.bitmap->height;
        break;
    case CarrierFormat::Png:
        report.width = inspection.png.width;
        report.height = inspection.png.height;
        break;
    case CarrierFormat::OtherBitmap:
        throw NotAnalysed("a BMP layout this program does not read", record);
    case CarrierFormat::OtherPicture:
        throw NotAnalysed(inspection.formatName + " pictures are not analysed (BMP and PNG are)",
                          record);
    case CarrierFormat::Unknown:
        throw NotAnalysed("not a BMP or PNG picture", record);
    }
    report.carvalet = record;
    report.layoutCounts = CheckLayoutCounts(read, fileSize);
    try
    {
        if (inspection.format == CarrierFormat::Bitmap)
            ReadBitmap(read, fileSize, *inspection.bitmap, options, report);
        else
            ReadPng(read, fileSize, inspection.png, options, report);
    }
    catch (const std::bad_alloc&)
    {
        throw AnalysisError("not enough memory for a picture this large", record);
    }
    catch (const AnalysisError& e)
    {
        throw AnalysisError(e.what(), record);
    }
    Judge(report);
    return report;
}

Report AnalyseFile(const std::string& path, const AnalysisOptions& options)
{
    const PictureFile file(path);
    if (!file.IsOpen())
        throw AnalysisError("cannot be opened as a regular file");
    return Analyse(file.Reader(), file.Size(), options);
}

} // namespace analysis
