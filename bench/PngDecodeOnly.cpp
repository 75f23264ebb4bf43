// SPDX-License-Identifier: GPL-3.0-or-later
// The peer of carvalet-cli analyze on PNG pictures: the same decoder, rows discarded.
// bench/analyze-speed.sh times both over the same files to show how much of analyze's time on
// PNGs is decoding (inflate and the rows' filters).
//   carvalet_png_decode FILE...
#include "imaging/PictureFile.h"
#include "imaging/PngDecoder.h"

#include <cstdio>

int main(int argc, char** argv)
{
    unsigned checksum = 0;
    int failed = 0;
    for (int i = 1; i < argc; ++i)
    {
        const PictureFile file(argv[i]);
        PngDecoder decoder(file.Reader(), file.Size());
        const bool decoded =
            file.IsOpen() && decoder.ReadHeader() &&
            decoder.Decode([&](std::int64_t, std::int64_t, std::int64_t, std::int64_t count,
                               const std::uint8_t* bgra) { checksum += bgra[count / 2 * 4]; });
        failed += !decoded;
    }
    std::printf("decoded %d of %d PNGs (checksum %u)\n", argc - 1 - failed, argc - 1, checksum);
    return failed == 0 ? 0 : 1;
}
