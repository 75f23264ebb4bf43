// SPDX-License-Identifier: GPL-3.0-or-later
// Stealth messages on real pictures, for the README's figures (bench/stealth-speed.sh and
// bench/stealth-detect.sh). Pictures come as binary PGM/PPM files, so the measurement does not
// depend on a picture decoder.
//
//   carvalet_measure_stealth speed PNM BYTES|safe        time and peak memory of hide/reveal
//   carvalet_measure_stealth heights PNM BPC             the code's height: changes, cost, time
//   carvalet_measure_stealth embed PNM OUT KIND BPC SEED stealth | lsb | pm1 at BPC bits/value

#include "engine/StealthCost.h"
#include "engine/StealthMessage.h"
#include "engine/SyndromeTrellis.h"

#include <sodium.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

namespace
{

StealthCover ReadPnm(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maximum = 0;
    in >> magic >> width >> height >> maximum;
    in.get();
    if (!in || (magic != "P5" && magic != "P6") || maximum != 255)
    {
        std::cerr << path << ": not an 8-bit binary PGM or PPM\n";
        std::exit(2);
    }
    StealthCover cover{width, height, magic == "P5" ? 1 : 3, false, {}};
    cover.values.resize(static_cast<std::size_t>(width) * height * cover.channels);
    in.read(reinterpret_cast<char*>(cover.values.data()),
            static_cast<std::streamsize>(cover.values.size()));
    return cover;
}

void WritePnm(const std::string& path, const StealthCover& cover,
              const std::vector<std::uint8_t>& values)
{
    std::ofstream out(path, std::ios::binary);
    out << (cover.channels == 1 ? "P5" : "P6") << "\n"
        << cover.width << " " << cover.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(values.data()),
              static_cast<std::streamsize>(values.size()));
}

double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The stand-in for Argon2id, so that times are those beyond the key derivation.
const StealthKdf CHEAP_KDF = [](std::string_view password, const StealthSalt& salt, StealthKey& key)
{
    crypto_generichash(key.data(), key.size(),
                       reinterpret_cast<const std::uint8_t*>(password.data()), password.size(),
                       salt.data(), salt.size());
    return true;
};

int Speed(const StealthCover& cover, const std::string& bytes)
{
    const std::int64_t longest = LongestStealthMessage(cover);
    const std::size_t length =
        bytes == "safe" ? static_cast<std::size_t>(longest) : std::stoul(bytes);
    std::vector<std::uint8_t> message(length);
    randombytes_buf(message.data(), message.size());
    const long before = PeakKiB();
    auto start = std::chrono::steady_clock::now();
    double cpu = CpuSeconds();
    const StealthHidden hidden = HideStealth(cover, message, "measuring pass", 0.2, CHEAP_KDF);
    const double hide = Seconds(start);
    const double hideCpu = CpuSeconds() - cpu;
    if (!hidden.refusal.empty())
    {
        std::cerr << hidden.refusal << "\n";
        return 1;
    }
    const long afterHide = PeakKiB();
    StealthCover stego = cover;
    stego.values = hidden.values;
    start = std::chrono::steady_clock::now();
    cpu = CpuSeconds();
    const StealthRevealed revealed = RevealStealth(stego, "measuring pass", CHEAP_KDF);
    const double reveal = Seconds(start);
    const double revealCpu = CpuSeconds() - cpu;
    start = std::chrono::steady_clock::now();
    StealthKey key;
    Argon2idKdf()("measuring pass", StealthSalt{}, key);
    const double kdf = Seconds(start);
    const auto elements = cover.Elements();
    std::printf("%lldx%lld, %d channels, %lld values, message %zu bytes (longest %lld)\n",
                static_cast<long long>(cover.width), static_cast<long long>(cover.height),
                cover.channels, static_cast<long long>(elements), length,
                static_cast<long long>(longest));
    std::printf("hide %.3f s (CPU %.3f s), reveal %.3f s (CPU %.3f s) beyond the key derivation "
                "(Argon2id %.3f s); %s\n",
                hide, hideCpu, reveal, revealCpu, kdf,
                revealed.message == message ? "read back" : "NOT READ BACK");
    std::printf("peak memory %ld MiB (picture %lld MiB, before hiding %ld MiB), %.1f bytes/value "
                "beyond the picture\n",
                afterHide / 1024, static_cast<long long>(cover.values.size() >> 20), before / 1024,
                (afterHide - before) * 1024.0 / static_cast<double>(elements));
    return revealed.message == message ? 0 : 1;
}

int Heights(const StealthCover& cover, double bpc)
{
    const auto n = static_cast<std::size_t>(cover.Elements());
    std::vector<float> costs(n), scratch;
    HillCosts(cover.values.data(), static_cast<std::size_t>(cover.width),
              static_cast<std::size_t>(cover.height),
              static_cast<std::size_t>(cover.width * cover.channels),
              static_cast<std::size_t>(cover.channels), costs.data(), scratch);
    if (cover.channels != 1)
    {
        std::cerr << "heights: a grey picture, please\n";
        return 2;
    }
    std::vector<std::uint8_t> bits(n),
        message(static_cast<std::size_t>(bpc * static_cast<double>(n)));
    for (std::size_t i = 0; i < n; ++i)
    {
        bits[i] = cover.values[i] & 1;
    }
    std::mt19937 random(1);
    for (auto& bit : message)
    {
        bit = random() & 1;
    }
    std::printf("height  changes  summed cost  seconds  (%zu values, %zu bits)\n", n,
                message.size());
    for (int h = 6; h <= 11; ++h)
    {
        const auto start = std::chrono::steady_clock::now();
        const auto stego = StcEmbed(bits, costs, message, StcKey{}, h);
        const double time = Seconds(start);
        std::size_t changes = 0;
        double cost = 0;
        for (std::size_t i = 0; i < n; ++i)
        {
            changes += stego[i] != bits[i];
            cost += stego[i] != bits[i] ? costs[i] : 0.0;
        }
        std::printf("%6d  %7zu  %11.1f  %7.3f\n", h, changes, cost, time);
    }
    return 0;
}

int Embed(const StealthCover& cover, const std::string& out, const std::string& kind, double bpc,
          unsigned seed)
{
    std::mt19937_64 random(seed);
    const auto n = static_cast<std::size_t>(cover.Elements());
    std::vector<std::uint8_t> values = cover.values;
    if (kind == "stealth")
    {
        // The message length that makes the whole payload (salt, length, tag included) bpc.
        const auto bits = static_cast<std::int64_t>(bpc * static_cast<double>(n));
        const std::int64_t length = std::max<std::int64_t>(1, (bits - 160) / 8 - 16);
        std::vector<std::uint8_t> message(static_cast<std::size_t>(length));
        for (auto& byte : message)
        {
            byte = static_cast<std::uint8_t>(random());
        }
        const auto source = [&random](std::uint8_t* to, std::size_t size)
        {
            for (std::size_t i = 0; i < size; ++i)
            {
                to[i] = static_cast<std::uint8_t>(random());
            }
        };
        StealthHidden hidden =
            HideStealth(cover, message, "a bench password", STEALTH_MAX_BPC, CHEAP_KDF, source);
        if (!hidden.refusal.empty())
        {
            std::cerr << hidden.refusal << "\n";
            return 1;
        }
        values = hidden.values;
    }
    else
    {
        // Random positions, random message bits: LSB replacement flips half of them, +-1 changes
        // the same half by one up or down (forced at 0 and 255).
        std::vector<std::size_t> positions(n);
        for (std::size_t i = 0; i < n; ++i)
        {
            positions[i] = i;
        }
        const auto used = static_cast<std::size_t>(bpc * static_cast<double>(n));
        for (std::size_t i = 0; i < used; ++i)
        {
            std::swap(positions[i], positions[i + random() % (n - i)]);
            std::uint8_t& v = values[positions[i]];
            const int bit = static_cast<int>(random() & 1);
            if ((v & 1) == bit)
            {
                continue;
            }
            if (kind == "lsb")
            {
                v ^= 1;
            }
            else
            {
                v = static_cast<std::uint8_t>(v == 0           ? 1
                                              : v == 255       ? 254
                                              : (random() & 1) ? v + 1
                                                               : v - 1);
            }
        }
    }
    WritePnm(out, cover, values);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (sodium_init() < 0)
    {
        return 2;
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "speed")
    {
        return Speed(ReadPnm(args[1]), args[2]);
    }
    if (args.size() == 3 && args[0] == "heights")
    {
        return Heights(ReadPnm(args[1]), std::stod(args[2]));
    }
    if (args.size() == 6 && args[0] == "embed")
    {
        return Embed(ReadPnm(args[1]), args[2], args[3], std::stod(args[4]),
                     static_cast<unsigned>(std::stoul(args[5])));
    }
    std::cerr << "usage: carvalet_measure_stealth speed PNM BYTES|safe | heights PGM BPC | "
                 "embed PNM OUT stealth|lsb|pm1 BPC SEED\n";
    return 2;
}
