// SPDX-License-Identifier: GPL-3.0-or-later
// The engine against OpenSSL's Blowfish, the codec on the largest carrier it meets in practice,
// and sealing at the program's own key-derivation cost. Prints the usual table, then the median
// ratios.

#include "engine/BlowfishCipher.h"
#include "engine/CarrierCodec.h"
#include "engine/PasswordRecord.h"
#include "engine/SealedMessage.h"

#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

constexpr std::size_t BUFFER = 1 << 20;
const std::uint8_t KEY[16] = {'f', 'a', 'l', 'c', 'o', 'n', '4', '1',
                              '1', '7', 'k', 'e', 'e', 'p', 'e', 'r'};

std::vector<std::uint8_t> RandomBytes(std::size_t size)
{
    std::mt19937 rng(7);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
    {
        b = static_cast<std::uint8_t>(rng());
    }
    return bytes;
}

template <bool Encrypt> void Carvalet(benchmark::State& state)
{
    const CBlowfishCipher cipher(KEY, sizeof KEY);
    auto buffer = RandomBytes(BUFFER);
    for (auto _ : state)
    {
        Encrypt ? cipher.Encrypt(buffer.data(), buffer.data(), BUFFER, ECB)
                : cipher.Decrypt(buffer.data(), buffer.data(), BUFFER, ECB);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BUFFER));
}

template <bool Encrypt> void OpenSsl(benchmark::State& state)
{
    BF_KEY key;
    BF_set_key(&key, sizeof KEY, KEY);
    auto buffer = RandomBytes(BUFFER);
    for (auto _ : state)
    {
        for (std::size_t i = 0; i < BUFFER; i += 8)
        {
            BF_ecb_encrypt(buffer.data() + i, buffer.data() + i, &key,
                           Encrypt ? BF_ENCRYPT : BF_DECRYPT);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * BUFFER));
}

void EcbEncrypt_Carvalet(benchmark::State& state)
{
    Carvalet<true>(state);
}
void EcbEncrypt_OpenSSL(benchmark::State& state)
{
    OpenSsl<true>(state);
}
void EcbDecrypt_Carvalet(benchmark::State& state)
{
    Carvalet<false>(state);
}
void EcbDecrypt_OpenSSL(benchmark::State& state)
{
    OpenSsl<false>(state);
}

void KeySchedule_Carvalet(benchmark::State& state)
{
    for (auto _ : state)
    {
        CBlowfishCipher cipher(KEY, sizeof KEY);
        benchmark::DoNotOptimize(cipher);
    }
}

void KeySchedule_OpenSSL(benchmark::State& state)
{
    BF_KEY key;
    for (auto _ : state)
    {
        BF_set_key(&key, sizeof KEY, KEY);
        benchmark::DoNotOptimize(key);
    }
}

// Hide the password record and the longest message a 64 MiB carrier takes, then read the
// message back: the whole of a hide and an unhide, minus the file input and output.
void EmbedExtract_64MiB(benchmark::State& state)
{
    const std::int32_t length = 64 << 20;
    auto carrier = RandomBytes(static_cast<std::size_t>(length));
    std::string message(static_cast<std::size_t>(LongestMessage(length)), ' ');
    std::mt19937 rng(11);
    for (char& c : message)
    {
        c = static_cast<char>('!' + rng() % 90);
    }
    const std::string record = MakePasswordRecord("benchmark");
    for (auto _ : state)
    {
        EmbedText(carrier.data(), length, PASSWORD_SLOT, record, nullptr);
        EmbedText(carrier.data(), length, MESSAGE_SLOT, message, nullptr);
        const std::string back = ExtractText(carrier.data(), length, MESSAGE_SLOT, nullptr);
        if (back.size() != message.size())
        {
            state.SkipWithError("the message did not come back");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * message.size()));
    state.counters["message_bytes"] = static_cast<double>(message.size());
}

// Resident memory from /proc/self/status, in KiB: "VmHWM:" is the peak since the last reset.
double StatusKiB(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
    {
        if (line.rfind(field, 0) == 0)
        {
            return std::stod(line.substr(field.size()));
        }
    }
    return 0;
}

// Runs `call` once per iteration, and reports the resident peak during the calls and how much
// it rose over the memory held just before each.
template <class Call> void WithPeak(benchmark::State& state, const Call& call)
{
    double peak = 0;
    double added = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        std::ofstream("/proc/self/clear_refs") << "5";
        const double before = StatusKiB("VmRSS:");
        state.ResumeTiming();
        call();
        state.PauseTiming();
        const double high = StatusKiB("VmHWM:");
        peak = std::max(peak, high);
        added = std::max(added, high - before);
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = peak / 1024;
    state.counters["added_MiB"] = added / 1024;
}

constexpr const char* PASSPHRASE = "correct horse battery staple";

// A 1 KiB message sealed at the program's cost: one Argon2id run, then the cipher.
void Seal_1KiB(benchmark::State& state)
{
    const std::string message(1024, 'm');
    WithPeak(state, [&] { benchmark::DoNotOptimize(SealMessage(message, PASSPHRASE)); });
}

// Opening it again, as Reveal and unhide do once the password is typed.
void Unseal_1KiB(benchmark::State& state)
{
    const std::optional<SealedMessage> sealed =
        ParseArmour(SealMessage(std::string(1024, 'm'), PASSPHRASE));
    WithPeak(state,
             [&]
             {
                 if (OpenSealed(*sealed, PASSPHRASE).status != UnsealStatus::Opened)
                 {
                     state.SkipWithError("the sealed message did not open");
                 }
             });
}

// Keeps the median of every benchmark (seconds, bytes per second), to print the ratios once all
// have run.
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    MedianReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
        {
            if (run.aggregate_name == "median")
            {
                const auto bytes = run.counters.find("bytes_per_second");
                m_medians[run.run_name.function_name] = {
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit),
                    bytes == run.counters.end() ? 0.0 : static_cast<double>(bytes->second)};
                if (const auto peak = run.counters.find("peak_MiB"); peak != run.counters.end())
                {
                    m_peaks[run.run_name.function_name] = peak->second;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const
    {
        std::printf("\nMedians (ours / OpenSSL):\n");
        for (const char* what : {"EcbEncrypt", "EcbDecrypt"})
        {
            const auto ours = Find(std::string(what) + "_Carvalet");
            const auto theirs = Find(std::string(what) + "_OpenSSL");
            std::printf("  %-12s %8.1f MiB/s vs %8.1f MiB/s  ratio %.2f\n", what,
                        ours.second / (1 << 20), theirs.second / (1 << 20),
                        theirs.second > 0 ? ours.second / theirs.second : 0.0);
        }
        const auto ours = Find("KeySchedule_Carvalet");
        const auto theirs = Find("KeySchedule_OpenSSL");
        std::printf("  %-12s %8.2f us     vs %8.2f us      ratio %.2f (time; lower is faster)\n",
                    "KeySchedule", ours.first * 1e6, theirs.first * 1e6,
                    theirs.first > 0 ? ours.first / theirs.first : 0.0);
        const auto codec = Find("EmbedExtract_64MiB");
        std::printf("  %-12s %8.1f ms for the longest message of a 64 MiB carrier\n",
                    "Embed+Extract", codec.first * 1e3);
        std::printf("\nSealing (Argon2id, %u passes over %u MiB), 1 KiB message:\n",
                    SEAL_COST.passes, SEAL_COST.memoryKiB / 1024);
        for (const char* what : {"Seal_1KiB", "Unseal_1KiB"})
        {
            const auto it = m_peaks.find(what);
            std::printf("  %-12s %8.1f ms, peak resident %.1f MiB\n", what, Find(what).first * 1e3,
                        it == m_peaks.end() ? 0.0 : it->second);
        }
    }

private:
    std::pair<double, double> Find(const std::string& name) const
    {
        const auto it = m_medians.find(name);
        return it == m_medians.end() ? std::pair{0.0, 0.0} : it->second;
    }

    std::map<std::string, std::pair<double, double>> m_medians;
    std::map<std::string, double> m_peaks;
};

} // namespace

BENCHMARK(EcbEncrypt_Carvalet)->Repetitions(5);
BENCHMARK(EcbEncrypt_OpenSSL)->Repetitions(5);
BENCHMARK(EcbDecrypt_Carvalet)->Repetitions(5);
BENCHMARK(EcbDecrypt_OpenSSL)->Repetitions(5);
BENCHMARK(KeySchedule_Carvalet)->Repetitions(5);
BENCHMARK(KeySchedule_OpenSSL)->Repetitions(5);
BENCHMARK(EmbedExtract_64MiB)->Repetitions(5)->Unit(benchmark::kMillisecond);
BENCHMARK(Seal_1KiB)->Repetitions(5)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(Unseal_1KiB)->Repetitions(5)->Iterations(2)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
    {
        return 1;
    }
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
