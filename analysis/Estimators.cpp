// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Estimators.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

// The per-row loops are built twice on x86-64, for the baseline and for AVX2, and the loader
// picks the one the machine runs: the wider lanes double their speed. Instrumented builds keep
// one copy (their resolvers would run before the sanitizers' own start).
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define CARVALET_INSTRUMENTED
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
#define CARVALET_INSTRUMENTED
#endif
#if defined(__x86_64__) && defined(__GNUC__) && !defined(CARVALET_INSTRUMENTED)
#define VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VECTOR_CLONES
#endif

namespace analysis
{
namespace
{

// Of a*x*x + b*x + c = 0, the real root nearest to `near`; none gives `fallback`.
double RootNearest(double a, double b, double c, double near, double fallback)
{
    if (std::abs(a) < 1e-12)
        return std::abs(b) < 1e-12 ? fallback : -c / b;
    const double discriminant = b * b - 4 * a * c;
    if (discriminant < 0)
        return -b / (2 * a); // the nearest the parabola comes to a root
    const double root = std::sqrt(discriminant);
    const double x1 = (-b + root) / (2 * a);
    const double x2 = (-b - root) / (2 * a);
    return std::abs(x1 - near) <= std::abs(x2 - near) ? x1 : x2;
}

// The regularised upper incomplete gamma function Q(a, x), by its series below a + 1 and its
// continued fraction above (the usual split; both converge fast there).
double UpperGamma(double a, double x)
{
    if (x <= 0)
        return 1;
    const double logPrefix = a * std::log(x) - x - std::lgamma(a);
    if (x < a + 1)
    {
        double term = 1 / a;
        double sum = term;
        for (int n = 1; n < 1000 && std::abs(term) > std::abs(sum) * 1e-15; ++n)
        {
            term *= x / (a + n);
            sum += term;
        }
        return std::clamp(1 - sum * std::exp(logPrefix), 0.0, 1.0);
    }
    // Lentz's method for the continued fraction.
    const double tiny = 1e-300;
    double b = x + 1 - a;
    double c = 1 / tiny;
    double d = 1 / b;
    double h = d;
    for (int i = 1; i < 1000; ++i)
    {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        d = std::abs(d) < tiny ? tiny : d;
        c = b + an / c;
        c = std::abs(c) < tiny ? tiny : c;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::abs(delta - 1) < 1e-15)
            break;
    }
    return std::clamp(std::exp(logPrefix) * h, 0.0, 1.0);
}

// A 256-point discrete Fourier transform, in place, on separate real and imaginary parts
// (iterative radix 2, with the twiddles and the bit-reversed order computed once).
void Fft256(double* re, double* im)
{
    constexpr int n = 256;
    struct Plan
    {
        std::array<double, n / 2> cos{};
        std::array<double, n / 2> sin{};
        std::array<std::uint8_t, n> reversed{};
    };
    static const Plan plan = []
    {
        Plan p;
        for (int m = 0; m < n / 2; ++m)
        {
            p.cos[m] = std::cos(2 * std::numbers::pi * m / n);
            p.sin[m] = std::sin(2 * std::numbers::pi * m / n);
        }
        for (int i = 0; i < n; ++i)
        {
            int r = 0;
            for (int bit = 0; bit < 8; ++bit)
                r |= ((i >> bit) & 1) << (7 - bit);
            p.reversed[i] = std::uint8_t(r);
        }
        return p;
    }();
    for (int i = 0; i < n; ++i)
    {
        const int j = plan.reversed[i];
        if (i < j)
        {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
    for (int length = 2; length <= n; length <<= 1)
    {
        const int half = length / 2;
        const int stride = n / length;
        for (int i = 0; i < n; i += length)
            for (int k = 0; k < half; ++k)
            {
                const double wr = plan.cos[k * stride];
                const double wi = -plan.sin[k * stride];
                const int a = i + k;
                const int b = a + half;
                const double tr = wr * re[b] - wi * im[b];
                const double ti = wr * im[b] + wi * re[b];
                re[b] = re[a] - tr;
                im[b] = im[a] - ti;
                re[a] += tr;
                im[a] += ti;
            }
    }
}

// Centre of mass of the histogram's transform over k in [0, 128] (Ker 2005, equation 1).
double HistogramCentre(const std::array<std::uint64_t, 256>& histogram)
{
    double re[256];
    double im[256] = {};
    for (int i = 0; i < 256; ++i)
        re[i] = double(histogram[i]);
    Fft256(re, im);
    double moment = 0;
    double mass = 0;
    for (int k = 0; k <= 128; ++k)
    {
        const double magnitude = std::sqrt(re[k] * re[k] + im[k] * im[k]);
        moment += k * magnitude;
        mass += magnitude;
    }
    return mass > 0 ? moment / mass : 0;
}

// The weights' moderation: Fridrich and Goljan, and Ker and Böhme, weigh a sample by
// 1 / (5 + the neighbours' variance). On our natural photographs (halved, so smooth) 5 leans
// too hard on the flattest samples: from 5 to 80 the error on covers falls from 0.021 to
// 0.019 bpc and the AUC at 0.05 bpc rises from 0.88 to 0.90, flat beyond (README, Accuracy).
constexpr int MODERATION = 80;

// One sample's weighted-stego terms (Ker and Böhme 2008): the 3x3 predictor, half of the four
// neighbours less a quarter of the diagonals; the weight 1 / (MODERATION + the neighbours'
// variance); and the predictor's weights on the neighbours' parity signs. In sixteenths: the
// predictor's error and the agreement in quarters, the variance in sixteenths, all integers.
struct WsTerm
{
    float weight;
    float residual; // weight (s - s') (4 s - 4 prediction)
    float parity;   // weight (s - s') 4 sum_j c_j (s_j - s_j')
};

inline WsTerm Term(int s, int n, int so, int e, int we, int ne, int nw, int se, int sw)
{
    const int direct = n + so + e + we;
    const int diagonal = ne + nw + se + sw;
    const int variance16 = 4 * (n * n + so * so + e * e + we * we) - direct * direct;
    const bool used = s >= 2 && s <= 253;
    const float weight = used ? 16.0f / float(16 * MODERATION + variance16) : 0.0f;
    const int parity = 2 * (s & 1) - 1;
    const int oddDirect = (n & 1) + (so & 1) + (e & 1) + (we & 1);
    const int oddDiagonal = (ne & 1) + (nw & 1) + (se & 1) + (sw & 1);
    const int agreement = 4 * oddDirect - 2 * oddDiagonal - 4;
    const float signedWeight = weight * float(parity);
    return {weight, signedWeight * float(4 * s - 2 * direct + diagonal),
            signedWeight * float(agreement)};
}

// A row's weighted-stego sums, in single precision (double across rows).
struct RowSums
{
    float weight = 0;
    float residual = 0;
    float parity = 0;
    float squares = 0;
    int samples = 0;
};

// Rows are padded: sample x of the row is at x + 1.
VECTOR_CLONES RowSums WeighRow(const std::uint8_t* a, const std::uint8_t* m, const std::uint8_t* b,
                               std::int64_t w)
{
    float weight = 0, residual = 0, parity = 0, squares = 0;
    int samples = 0;
    for (std::int64_t x = 0; x < w; ++x)
    {
        const int s = m[x + 1];
        const WsTerm t =
            Term(s, a[x + 1], b[x + 1], m[x + 2], m[x], a[x + 2], a[x], b[x + 2], b[x]);
        weight += t.weight;
        residual += t.residual;
        parity += t.parity;
        squares += t.residual * t.residual;
        samples += s >= 2 && s <= 253;
    }
    return {weight, residual, parity, squares, samples};
}

// Sample pairs analysis' classes of pairs, counted over rows with 32-bit lanes (a row's counts
// fit) in loops the compiler vectorises.
struct PairCounts
{
    int c0 = 0;
    int equal = 0;
    int odd = 0;
};

// The pairs (u[x], v[x]) for x < count; a pair with a saturated value is left out. Counted in
// 16-bit lanes over stretches short enough not to overflow them.
VECTOR_CLONES PairCounts CountPairs(const std::uint8_t* u, const std::uint8_t* v,
                                    std::int64_t count)
{
    PairCounts total;
    for (std::int64_t begin = 0; begin < count; begin += 8192)
    {
        const std::int64_t end = std::min(count, begin + 8192);
        std::int16_t c0 = 0, equal = 0, odd = 0;
        for (std::int64_t x = begin; x < end; ++x)
        {
            const std::uint8_t a = u[x], b = v[x];
            const std::uint8_t used =
                std::uint8_t(std::uint8_t(a - 2) <= 251) & std::uint8_t(std::uint8_t(b - 2) <= 251);
            const std::uint8_t inC0 = (a >> 1) == (b >> 1);
            const std::uint8_t oddPair = used & (inC0 ^ 1) & (a ^ b);
            c0 = std::int16_t(c0 + (used & inC0));
            equal = std::int16_t(equal + (used & (a == b)));
            // +1 when the smaller value is even, -1 when it is odd.
            odd = std::int16_t(odd + oddPair - 2 * (oddPair & std::min(a, b)));
        }
        total.c0 += c0;
        total.equal += equal;
        total.odd += odd;
    }
    return total;
}

// RS analysis over the row's groups of four: regular minus singular groups under F1 and F-1
// on the mask 0110, in the row and with every bit 0 flipped. A group with a saturated value is
// left out.
VECTOR_CLONES std::array<int, 4> CountGroups(const std::uint8_t* row, std::int64_t groups)
{
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    const auto discrimination = [](int g0, int g1, int g2, int g3)
    { return std::abs(g1 - g0) + std::abs(g2 - g1) + std::abs(g3 - g2); };
    // F-1 of Fridrich, Goljan and Du: -1 <-> 0, 1 <-> 2, ...
    const auto down = [](int v) { return ((v + 1) ^ 1) - 1; };
    int m = 0, negM = 0, flippedM = 0, flippedNegM = 0;
    for (std::int64_t i = 0; i < groups; ++i)
    {
        const int g0 = row[4 * i], g1 = row[4 * i + 1], g2 = row[4 * i + 2], g3 = row[4 * i + 3];
        const int used = (unsigned(g0 - 2) <= 251u) & (unsigned(g1 - 2) <= 251u) &
                         (unsigned(g2 - 2) <= 251u) & (unsigned(g3 - 2) <= 251u);
        const int before = discrimination(g0, g1, g2, g3);
        const int h0 = g0 ^ 1, h1 = g1 ^ 1, h2 = g2 ^ 1, h3 = g3 ^ 1;
        const int flipped = discrimination(h0, h1, h2, h3);
        m += used * sign(discrimination(g0, h1, h2, g3) - before);
        negM += used * sign(discrimination(g0, down(g1), down(g2), g3) - before);
        flippedM += used * sign(discrimination(h0, g1, g2, h3) - flipped);
        flippedNegM += used * sign(discrimination(h0, down(h1), down(h2), h3) - flipped);
    }
    return {m, negM, flippedM, flippedNegM};
}

} // namespace

VECTOR_CLONES void SplitChannels(const std::uint8_t* samples, int step, std::int64_t width,
                                 std::uint8_t* first, std::uint8_t* second, std::uint8_t* third,
                                 std::uint8_t* luma)
{
    if (step == 3)
        for (std::int64_t x = 0; x < width; ++x)
        {
            const int a = samples[3 * x], b = samples[3 * x + 1], c = samples[3 * x + 2];
            first[x] = std::uint8_t(a);
            second[x] = std::uint8_t(b);
            third[x] = std::uint8_t(c);
            luma[x] = std::uint8_t((a + b + c) / 3);
        }
    else
        for (std::int64_t x = 0; x < width; ++x)
        {
            const std::uint8_t* p = samples + x * step;
            first[x] = p[0];
            second[x] = p[1];
            third[x] = p[2];
            luma[x] = std::uint8_t((p[0] + p[1] + p[2]) / 3);
        }
}

void WsSums::Add(const WsSums& other)
{
    weight += other.weight;
    residual += other.residual;
    parity += other.parity;
    squares += other.squares;
    samples += other.samples;
}

double WsSums::StandardError() const
{
    return weight > 0 ? 2 * std::sqrt(squares) / weight : 0;
}

double WsSums::Estimate() const
{
    if (weight <= 0)
        return 0;
    // Fridrich and Goljan 2004: p = 2/sum(w) * sum w (s - s')(s - prediction).
    const double raw = 2 * residual / weight;
    // Ker and Böhme 2008: the predictor reads stego neighbours. Where neighbouring parities
    // agree (flat areas), a flipped neighbour moves the prediction towards the flipped value's
    // partner, and the estimate grows by p times that agreement (the predictor's weights on
    // the neighbours' parity signs, averaged as the residuals are); take it out.
    const double agreement = parity / weight;
    return agreement > -0.5 ? raw / (1 + agreement) : raw;
}

void ChannelCounts::Add(const ChannelCounts& other)
{
    for (int i = 0; i < 256; ++i)
    {
        histogram[i] += other.histogram[i];
        halfHistogram[i] += other.halfHistogram[i];
    }
    spaC0 += other.spaC0;
    spaEqual += other.spaEqual;
    spaOddDifference += other.spaOddDifference;
    rsM += other.rsM;
    rsNegM += other.rsNegM;
    rsFlippedM += other.rsFlippedM;
    rsFlippedNegM += other.rsFlippedNegM;
    ws.Add(other.ws);
    start.Add(other.start);
    end.Add(other.end);
}

double SpaEstimate(const ChannelCounts& counts)
{
    // With q = p/2 the chance that a sample's bit 0 flipped and t = 1 - p, inverting the flips
    // within each trace set and asking |E(2m+1)| = |O(2m+1)| summed over m >= 0 gives
    // |C0| t^2 + 2 X t + (|C0| - 2 Z) = 0 (Z: equal pairs, X: oddDifference).
    if (counts.spaC0 <= 0)
        return 0;
    const double t = RootNearest(counts.spaC0, 2 * counts.spaOddDifference,
                                 counts.spaC0 - 2 * counts.spaEqual, 1, 1);
    return 1 - t;
}

double RsEstimate(const ChannelCounts& counts)
{
    // Fridrich, Goljan and Du 2001: 2(d1 + d0) z^2 + (d-0 - d-1 - d1 - 3 d0) z + d0 - d-0 = 0,
    // p = z / (z - 1/2), z the root of smaller magnitude.
    const double d0 = counts.rsM;
    const double d1 = counts.rsFlippedM;
    const double n0 = counts.rsNegM;
    const double n1 = counts.rsFlippedNegM;
    const double z = RootNearest(2 * (d1 + d0), n0 - n1 - d1 - 3 * d0, d0 - n0, 0, 0);
    return std::abs(z - 0.5) < 1e-12 ? 1 : z / (z - 0.5);
}

double ChiSquareP(const ChannelCounts& counts)
{
    double chi = 0;
    int categories = 0;
    for (int k = 1; k < 127; ++k)
    {
        const double expected = (double(counts.histogram[2 * k]) + counts.histogram[2 * k + 1]) / 2;
        if (expected < 5) // too few to follow the chi-square law
            continue;
        const double d = double(counts.histogram[2 * k]) - expected;
        chi += d * d / expected;
        ++categories;
    }
    if (categories < 2)
        return 0;
    return UpperGamma((categories - 1) / 2.0, chi / 2);
}

double CalibratedHistogramScore(const ChannelCounts& counts)
{
    const double half = HistogramCentre(counts.halfHistogram);
    return half > 0 ? 1 - HistogramCentre(counts.histogram) / half : 0;
}

ChannelGatherer::ChannelGatherer(std::int64_t width, int stride, int channel, std::int64_t total)
    : m_width(width), m_stride(stride), m_channel(channel), m_total(total)
{
}

void ChannelGatherer::CountRow(const std::uint8_t* row)
{
    const std::int64_t w = m_width;
    // Four histograms in turn: runs of equal values would otherwise wait on one counter.
    std::int64_t x = 0;
    for (; x + 4 <= w; x += 4)
        for (int k = 0; k < 4; ++k)
            ++m_histograms[k][row[x + k]];
    for (; x < w; ++x)
        ++m_histograms[0][row[x]];
    const PairCounts pairs = CountPairs(row, row + 1, w - 1);
    m_c0 += pairs.c0;
    m_equal += pairs.equal;
    m_odd += pairs.odd;
    const std::array<int, 4> groups = CountGroups(row, w / 4);
    for (int k = 0; k < 4; ++k)
        m_rs[k] += groups[k];
}

void ChannelGatherer::CountRowPair(const std::uint8_t* upper, const std::uint8_t* lower, bool half)
{
    const std::int64_t w = m_width;
    const PairCounts pairs = CountPairs(upper, lower, w);
    m_c0 += pairs.c0;
    m_equal += pairs.equal;
    m_odd += pairs.odd;
    if (half)
        for (std::int64_t x = 0; x + 2 <= w; x += 2)
            ++m_half[(upper[x] + upper[x + 1] + lower[x] + lower[x + 1]) / 4];
}

void ChannelGatherer::WeightRow(const std::uint8_t* above, const std::uint8_t* row,
                                const std::uint8_t* below, std::int64_t ordinal)
{
    const std::int64_t w = m_width;
    const RowSums sums = WeighRow(above, row, below, w);
    WsSums& ws = m_counts.ws;
    ws.weight += sums.weight;
    ws.residual += sums.residual / 4;
    ws.parity += sums.parity / 4;
    ws.squares += sums.squares / 16;
    ws.samples += sums.samples;
    const std::int64_t first = ordinal * w * m_stride + m_channel;
    const std::int64_t last = first + (w - 1) * m_stride;
    if (first < EDGE_SAMPLES || last >= m_total - EDGE_SAMPLES)
        WeightEdge(above, row, below, first);
}

void ChannelGatherer::WeightEdge(const std::uint8_t* above, const std::uint8_t* row,
                                 const std::uint8_t* below, std::int64_t first)
{
    const std::uint8_t* a = above;
    const std::uint8_t* m = row;
    const std::uint8_t* b = below;
    const auto add = [&](std::int64_t from, std::int64_t to, WsSums& sums)
    {
        for (std::int64_t x = std::max<std::int64_t>(0, from); x < std::min(to, m_width); ++x)
        {
            const int s = m[x + 1];
            if (s < 2 || s > 253)
                continue;
            const WsTerm t =
                Term(s, a[x + 1], b[x + 1], m[x + 2], m[x], a[x + 2], a[x], b[x + 2], b[x]);
            const double residual = t.residual / 4.0;
            sums.weight += t.weight;
            sums.residual += residual;
            sums.parity += t.parity / 4.0;
            sums.squares += residual * residual;
            sums.samples += 1;
        }
    };
    // Sample x lies at first + x * stride: the columns below EDGE_SAMPLES, and those from
    // m_total - EDGE_SAMPLES on.
    const auto column = [&](std::int64_t position)
    { return position <= first ? 0 : (position - first + m_stride - 1) / m_stride; };
    add(0, column(EDGE_SAMPLES), m_counts.start);
    add(column(m_total - EDGE_SAMPLES), m_width, m_counts.end);
}

void ChannelGatherer::AddRow(std::int64_t ordinal, const std::uint8_t* row, int step)
{
    std::uint8_t* next = NextRow();
    for (std::int64_t x = 0; x < m_width; ++x)
        next[x] = row[x * step];
    CommitRow(ordinal);
}

std::uint8_t* ChannelGatherer::NextRow()
{
    m_newest.resize(std::size_t(m_width + 2));
    return m_newest.data() + 1;
}

void ChannelGatherer::CommitRow(std::int64_t ordinal)
{
    const std::int64_t w = m_width;
    // The new row, padded by mirroring one sample at each end.
    std::uint8_t* padded = m_newest.data();
    padded[0] = padded[w > 1 ? 2 : 1];
    padded[w + 1] = padded[w > 1 ? w - 1 : 1];
    CountRow(padded + 1);
    if (m_rowsInRun >= 1)
    {
        CountRowPair(m_middle.data() + 1, padded + 1, m_rowsInRun % 2 == 1);
        // The middle row's neighbourhood is complete now (the first row of a run mirrors).
        WeightRow(m_rowsInRun >= 2 ? m_older.data() : padded, m_middle.data(), padded,
                  m_middleOrdinal);
    }
    m_older.swap(m_middle);
    m_middle.swap(m_newest);
    m_middleOrdinal = ordinal;
    ++m_rowsInRun;
}

void ChannelGatherer::BreakRows()
{
    if (m_rowsInRun >= 1)
    {
        const std::uint8_t* above = m_rowsInRun >= 2 ? m_older.data() : m_middle.data();
        WeightRow(above, m_middle.data(), above, m_middleOrdinal);
    }
    m_rowsInRun = 0;
}

const ChannelCounts& ChannelGatherer::Finish()
{
    BreakRows();
    for (int v = 0; v < 256; ++v)
    {
        m_counts.histogram[v] =
            m_histograms[0][v] + m_histograms[1][v] + m_histograms[2][v] + m_histograms[3][v];
        m_counts.halfHistogram[v] = m_half[v];
    }
    m_counts.spaC0 = double(m_c0);
    m_counts.spaEqual = double(m_equal);
    m_counts.spaOddDifference = double(m_odd);
    m_counts.rsM = double(m_rs[0]);
    m_counts.rsNegM = double(m_rs[1]);
    m_counts.rsFlippedM = double(m_rs[2]);
    m_counts.rsFlippedNegM = double(m_rs[3]);
    return m_counts;
}

} // namespace analysis
