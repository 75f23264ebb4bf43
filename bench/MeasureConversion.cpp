// SPDX-License-Identifier: GPL-3.0-or-later
// Times the conversion of a large PNG to a classic bitmap and reads its peak memory, the way
// the window and carvalet-cli convert: the file read whole, inspected, then converted.
//   carvalet_measure_conversion [megabytes=100] [folder=/tmp]
// Writes <folder>/carvalet-measure.png (noise, so that it barely compresses) and leaves it
// there for scripts/measure-conversion to hand to carvalet-cli.
#include "engine/CarrierInspection.h"
#include "imaging/ClassicBitmap.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <png.h>
#include <string>
#include <vector>

namespace
{
long StatusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return -1;
}

void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// An RGB PNG of about `megabytes` of pixels, written row by row with light compression.
bool WritePng(const std::string& path, int megabytes, int& width, int& height)
{
    width = 5792;
    height = static_cast<int>((std::int64_t(megabytes) << 20) / (width * 3));
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(std::size_t(width) * 3);
    std::uint32_t state = 2463534242u;
    for (int y = 0; y < height; ++y)
    {
        for (png_byte& b : row)
        {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            b = static_cast<png_byte>(state);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}
} // namespace

int main(int argc, char** argv)
{
    const int megabytes = argc > 1 ? std::atoi(argv[1]) : 100;
    const std::string folder = argc > 2 ? argv[2] : "/tmp";
    const std::string path = folder + "/carvalet-measure.png";
    int width = 0;
    int height = 0;
    if (megabytes <= 0 || !WritePng(path, megabytes, width, height))
    {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return 1;
    }

    const long before = StatusKb("VmRSS:");
    ResetPeak();
    auto start = std::chrono::steady_clock::now();
    // Read as the window and carvalet-cli read a carrier: one allocation of the file's size.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> carrier(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(carrier.data()), std::streamsize(carrier.size()));
    const double readTime = Seconds(start);
    const long readPeak = StatusKb("VmHWM:");

    ResetPeak();
    start = std::chrono::steady_clock::now();
    const ByteReader read = MemoryReader(carrier.data(), carrier.size());
    const CarrierInspection inspection = InspectCarrier(read, std::int64_t(carrier.size()));
    const double inspectTime = Seconds(start);
    start = std::chrono::steady_clock::now();
    const ClassicBitmap converted = ConvertToClassicBitmap(inspection, read);
    const double convertTime = Seconds(start);
    const long convertPeak = StatusKb("VmHWM:");

    std::printf("PNG: %d x %d, %zu bytes -> classic bitmap of %zu bytes (%d-bit)\n", width, height,
                carrier.size(), converted.size, inspection.convertedBits);
    std::printf("resident before reading: %.1f MB\n", before / 1024.0);
    std::printf("%-34s %8.0f ms %10.1f MB peak resident\n", "read the PNG whole", readTime * 1e3,
                readPeak / 1024.0);
    std::printf("%-34s %8.1f ms\n", "inspect", inspectTime * 1e3);
    std::printf("%-34s %8.0f ms %10.1f MB peak resident\n", "convert (decode + write bitmap)",
                convertTime * 1e3, convertPeak / 1024.0);
    return 0;
}
