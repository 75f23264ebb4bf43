// SPDX-License-Identifier: GPL-3.0-or-later
// carvalet-cli analyze: what a detector sees in pictures, one file or whole folders.

#include "analysis/Analysis.h"
#include "cli/CliError.h"
#include "cli/Command.h"
#include "cli/Output.h"
#include "common/Cp1252.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// One file the command reports on: a picture to analyse, or a note made while walking.
struct Entry
{
    std::string path;
    std::string skipped;                                              // why it is not analysed
    std::string error;                                                // why it could not be read
    analysis::CarvaletRecord record = analysis::CarvaletRecord::None; // found all the same
};

// Everything under a folder, by name; links are listed, never followed out of it.
void Walk(const fs::path& folder, std::vector<Entry>& out)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec)
    {
        out.push_back({folder.string(), "", "cannot be listed: " + ec.message()});
        return;
    }
    std::vector<fs::directory_entry> entries;
    for (; it != fs::directory_iterator(); it.increment(ec))
    {
        if (ec)
            break;
        entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path() < b.path(); });
    for (const fs::directory_entry& entry : entries)
    {
        const fs::file_status status = entry.symlink_status(ec);
        if (fs::is_symlink(status))
            out.push_back({entry.path().string(), "a link (not followed)", ""});
        else if (fs::is_directory(status))
            Walk(entry.path(), out);
        else if (fs::is_regular_file(status))
            out.push_back({entry.path().string(), "", ""});
        else
            out.push_back({entry.path().string(), "not a regular file", ""});
    }
}

std::vector<Entry> Collect(const std::vector<std::string>& paths)
{
    std::vector<Entry> out;
    for (const std::string& path : paths)
    {
        std::error_code ec;
        const fs::file_status status = fs::status(path, ec);
        if (ec && !fs::exists(fs::symlink_status(path, ec)))
            out.push_back({path, "", "no such file or folder"});
        else if (fs::is_directory(status))
            Walk(path, out);
        else if (fs::is_regular_file(status))
            out.push_back({path, "", ""});
        else
            out.push_back({path, "not a regular file", ""});
    }
    return out;
}

// JSON text: a name that is not UTF-8 is read as Windows-1252, as the window shows it.
std::string Quote(const std::string& bytes)
{
    std::string out = "\"";
    for (const char c : carvalet::DecodeText(bytes))
    {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
            continue;
        }
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

std::string Number(double value, const char* format = "%.6g")
{
    if (!std::isfinite(value))
        return "null";
    char text[32];
    // A zero's sign (RS gives -0 for a picture without usable groups) means nothing here.
    std::snprintf(text, sizeof text, format, value == 0 ? 0.0 : value);
    return text;
}

std::string EstimatesJson(const analysis::Estimates& e)
{
    return "{\"spa\": " + Number(e.spa) + ", \"rs\": " + Number(e.rs) +
           ", \"ws\": " + Number(e.ws) + ", \"ws_start\": " + Number(e.wsStart) +
           ", \"ws_end\": " + Number(e.wsEnd) + "}";
}

const char* RecordName(analysis::CarvaletRecord record)
{
    switch (record)
    {
    case analysis::CarvaletRecord::Plain:
        return "plain";
    case analysis::CarvaletRecord::Sealed:
        return "sealed";
    case analysis::CarvaletRecord::None:
        break;
    }
    return nullptr;
}

std::string Json(const Entry& entry, const analysis::Report* report)
{
    std::string out = "{\"path\": " + Quote(entry.path);
    if (const char* record = RecordName(entry.record); record != nullptr && report == nullptr)
        out += ", \"carvalet\": " + Quote(record);
    if (!entry.skipped.empty())
        return out + ", \"skipped\": " + Quote(entry.skipped) + "}\n";
    if (report == nullptr)
        return out + ", \"error\": " + Quote(entry.error) + "}\n";
    const analysis::Report& r = *report;
    const char* record = RecordName(r.carvalet);
    out += ", \"format\": " + Quote(r.format) + ", \"dimensions\": [" + std::to_string(r.width) +
           ", " + std::to_string(r.height) +
           "], \"carvalet\": " + (record ? Quote(record) : "null") +
           ", \"layout_counts\": " + (r.layoutCounts ? "true" : "false") +
           ", \"estimates\": " + EstimatesJson(r.estimates) + ", \"channels\": {";
    for (std::size_t i = 0; i < r.channels.size(); ++i)
    {
        const analysis::ChannelReport& c = r.channels[i];
        std::string channel = EstimatesJson(c.estimates);
        channel.insert(channel.size() - 1, ", \"chi_square_p\": " + Number(c.chiSquareP));
        out += (i ? ", " : "") + Quote(c.name) + ": " + channel;
    }
    out += "}, \"chi_square_p\": " + Number(r.chiSquareP) +
           ", \"pm1_score\": " + Number(r.pm1Score) +
           ", \"jpeg_traces\": " + (r.jpegTraces ? "true" : "false") +
           ", \"jpeg_strength\": " + Number(r.jpegStrength) +
           ", \"rows_read\": " + std::to_string(r.rowsRead) +
           ", \"verdict\": " + Quote(analysis::VerdictText(r.verdict)) + ", \"reasons\": [";
    for (std::size_t i = 0; i < r.reasons.size(); ++i)
        out += (i ? ", " : "") + Quote(r.reasons[i]);
    return out + "]}\n";
}

std::string Bpc(const analysis::Estimates& e)
{
    return "SPA " + Number(e.spa, "%.3f") + ", RS " + Number(e.rs, "%.3f") + ", WS " +
           Number(e.ws, "%.3f") + "; start " + Number(e.wsStart, "%.3f") + ", end " +
           Number(e.wsEnd, "%.3f");
}

std::string Text(const Entry& entry, const analysis::Report* report)
{
    std::string found;
    if (const char* record = RecordName(entry.record); record != nullptr && report == nullptr)
        found = std::string("; it holds a ") + record + " Carvalet record";
    if (!entry.skipped.empty())
        return entry.path + ": skipped (" + entry.skipped + found + ")\n";
    if (report == nullptr)
        return entry.path + ": could not be analysed: " + entry.error + found + "\n";
    const analysis::Report& r = *report;
    std::string out = entry.path + "\n  Picture: " + r.format + ", " + std::to_string(r.width) +
                      " x " + std::to_string(r.height);
    if (r.rowsRead < r.height)
        out += " (" + std::to_string(r.rowsRead) + " rows read, in bands)";
    out += "\n  Carvalet record: ";
    switch (r.carvalet)
    {
    case analysis::CarvaletRecord::Plain:
        out += "a password record: a message is certainly there, readable by any copy";
        break;
    case analysis::CarvaletRecord::Sealed:
        out += "the sealed marker: a sealed message is there";
        break;
    case analysis::CarvaletRecord::None:
        out += "none";
        break;
    }
    if (r.layoutCounts)
        out += "\n  Layout: the count headers of a plain or sealed message from byte 68";
    out += "\n  Estimates (bpc): " + Bpc(r.estimates) + "\n";
    for (const analysis::ChannelReport& c : r.channels)
        out += "    " + c.name + ": " + Bpc(c.estimates) + "\n";
    out += "  Chi-square p: " + Number(r.chiSquareP, "%.3f") +
           "\n  ±1 score: " + Number(r.pm1Score, "%.3f") + "\n  JPEG traces: " +
           (r.jpegTraces ? "yes: once a JPEG, so any later change to it shows" : "none") +
           " (strength " + Number(r.jpegStrength, "%.3f") +
           ")\n  Verdict: " + analysis::VerdictText(r.verdict) + "\n";
    for (const std::string& reason : r.reasons)
        out += "    - " + reason + "\n";
    return out;
}

// The text for one entry; analysis errors become part of the entry.
std::string Describe(Entry entry, bool json)
{
    std::optional<analysis::Report> report;
    if (entry.skipped.empty() && entry.error.empty())
    {
        try
        {
            report = analysis::AnalyseFile(entry.path);
        }
        catch (const analysis::NotAnalysed& e)
        {
            entry.skipped = e.what();
            entry.record = e.record;
        }
        catch (const analysis::AnalysisError& e)
        {
            entry.error = e.what();
            entry.record = e.record;
        }
        catch (const std::exception& e)
        {
            entry.error = e.what();
        }
    }
    const analysis::Report* r = report ? &*report : nullptr;
    return json ? Json(entry, r) : Text(entry, r);
}

int JobCount(const Arguments& args)
{
    const std::string* value = args.Value("--jobs");
    if (value == nullptr)
        return 1;
    int jobs = 0;
    std::size_t used = 0;
    try
    {
        jobs = std::stoi(*value, &used);
    }
    catch (const std::exception&)
    {
        used = 0;
    }
    if (used != value->size() || jobs < 1 || jobs > 256)
        throw UsageError("--jobs takes a number from 1 to 256");
    return jobs;
}

int Analyze(const Arguments& args)
{
    if (args.positional.empty())
        throw UsageError("analyze needs at least one PATH");
    const int jobs = JobCount(args);
    const bool json = args.Has("--json");
    const std::vector<Entry> entries = Collect(args.positional);

    // Workers take entries in turn; the texts are printed in the entries' order as they come.
    std::vector<std::optional<std::string>> texts(entries.size());
    std::vector<char> failed(entries.size(), 0);
    std::mutex lock;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    const auto work = [&]
    {
        for (std::size_t i = next++; i < entries.size(); i = next++)
        {
            std::string text = Describe(entries[i], json);
            const bool bad = json ? text.find("\"error\": ") != std::string::npos
                                  : text.find(": could not be analysed: ") != std::string::npos;
            const std::lock_guard<std::mutex> guard(lock);
            texts[i] = std::move(text);
            failed[i] = bad;
            ready.notify_all();
        }
    };
    // The main thread only prints, so that a report never waits behind a slow picture.
    std::vector<std::thread> workers;
    for (int j = 0; j < jobs && std::size_t(j) < entries.size(); ++j)
        workers.emplace_back(work);
    bool anyFailed = false;
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        std::string text;
        {
            std::unique_lock<std::mutex> guard(lock);
            ready.wait(guard, [&] { return texts[i].has_value(); });
            text = std::move(*texts[i]);
            texts[i].reset();
            anyFailed = anyFailed || failed[i];
        }
        PrintOut(text);
    }
    for (std::thread& worker : workers)
        worker.join();
    return anyFailed ? EXIT_FAILED : EXIT_DONE;
}

} // namespace

const Command& AnalyzeCommand()
{
    static const Command command{
        "analyze",
        "analyze [--json] [--jobs N] PATH...",
        "tells what a detector sees in pictures: this program's records, estimates\n"
        "of hidden bits, traces of JPEG compression, and a verdict. A PATH that is a\n"
        "folder is searched (links inside it are not followed).",
        R"(  BMP and PNG pictures are analysed; other files are listed as skipped.
  Estimates are payloads in bits per pixel channel (bpc): Sample Pairs (SPA),
  RS and weighted stego (WS), the last also over the first and the last
  samples in file order, where sequential hiding starts. The chi-square p is
  near 1 when the least-significant bits look replaced throughout; the ±1 score
  looks for embedding by ±1 changes. Verdict: "carries a Carvalet message",
  "suspicious" or "no sign".
  --json    one JSON object per line: "path", "format", "dimensions",
            "carvalet" ("plain", "sealed" or null), "layout_counts" (the
            count headers of Carvalet's layout from byte 68), "estimates"
            ("spa", "rs", "ws", "ws_start", "ws_end"), "channels", "chi_square_p",
            "pm1_score", "jpeg_traces", "jpeg_strength", "rows_read",
            "verdict", "reasons"; "skipped" or "error" instead for a file
            that was not analysed.
  --jobs N  analyse N pictures at a time (default 1).
  Exit status 1 when any file could not be read; skipped files are not errors.
)",
        {{"--json", false}, {"--jobs", true}},
        Analyze,
    };
    return command;
}
