// SPDX-License-Identifier: GPL-3.0-or-later
// The detector on random pictures and random files: every estimate is a number (finite, or
// the report says nothing), nothing reads outside its bytes, a file is either analysed,
// skipped or refused with a reason, and nothing hangs on what a header claims.

#include "analysis/Analysis.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>

namespace
{
void Check(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckReport(const analysis::Report& r)
{
    const analysis::Estimates& e = r.estimates;
    for (const double v : {e.spa, e.rs, e.ws, e.wsStart, e.wsEnd, r.chiSquareP, r.pm1Score})
        Check(!std::isnan(v));
    Check(r.chiSquareP >= 0 && r.chiSquareP <= 1);
    Check(r.rowsRead <= r.height);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    if (data[0] & 1)
    {
        // The bytes as a file: the record check, the decoders, the estimators in bands.
        try
        {
            CheckReport(analysis::Analyse(MemoryReader(data + 1, size - 1), std::int64_t(size - 1),
                                          {4096}));
        }
        catch (const analysis::NotAnalysed&)
        {
        }
        catch (const analysis::AnalysisError&)
        {
        }
        return 0;
    }
    // The bytes as samples of a picture whose shape the first bytes choose.
    const int channels = (data[0] & 2) ? 3 : 1;
    const bool bottomUp = data[0] & 4;
    const std::int64_t width = 1 + data[1] % 64;
    const std::int64_t samples = std::int64_t(size - 3);
    const std::int64_t height = samples / (width * channels);
    if (height < 1)
        return 0;
    CheckReport(analysis::AnalysePixels({width, height, channels, data + 3, bottomUp}));
    return 0;
}
