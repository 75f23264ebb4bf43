// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/Estimators.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace analysis
{
namespace
{

bool Saturated(int value)
{
    return value < 2 || value > 253;
}

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

// Centre of mass of the two-dimensional transform over k, l in [0, 128], by k + l. The rows
// are real, so two go through one complex transform; only the 129 columns the sum reads are
// transformed, after a transposition that keeps them contiguous.
double AdjacencyCentre(const std::vector<std::uint32_t>& histogram)
{
    constexpr int n = 256;
    constexpr int used = n / 2 + 1;
    std::vector<double> re(std::size_t(used * n));
    std::vector<double> im(std::size_t(used * n));
    double zr[n];
    double zi[n];
    for (int u = 0; u < n; u += 2)
    {
        for (int v = 0; v < n; ++v)
        {
            zr[v] = histogram[std::size_t(u * n + v)];
            zi[v] = histogram[std::size_t((u + 1) * n + v)];
        }
        Fft256(zr, zi);
        for (int l = 0; l < used; ++l)
        {
            // Row u's transform is (Z[l] + conj Z[-l]) / 2, row u + 1's (Z[l] - conj Z[-l]) / 2i.
            const int m = (n - l) & (n - 1);
            const std::size_t at = std::size_t(l * n + u);
            re[at] = (zr[l] + zr[m]) / 2;
            im[at] = (zi[l] - zi[m]) / 2;
            re[at + 1] = (zi[l] + zi[m]) / 2;
            im[at + 1] = (zr[m] - zr[l]) / 2;
        }
    }
    double moment = 0;
    double mass = 0;
    for (int l = 0; l < used; ++l)
    {
        double* r = re.data() + l * n;
        double* i = im.data() + l * n;
        Fft256(r, i);
        for (int k = 0; k < used; ++k)
        {
            const double magnitude = std::sqrt(r[k] * r[k] + i[k] * i[k]);
            moment += double(k + l) * magnitude;
            mass += magnitude;
        }
    }
    return mass > 0 ? moment / mass : 0;
}

int Discrimination(const int g[4])
{
    return std::abs(g[1] - g[0]) + std::abs(g[2] - g[1]) + std::abs(g[3] - g[2]);
}

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

// Regular (+1), singular (-1) or unusable (0) for the group under flipping f on the mask.
template <typename Flip> int RegularMinusSingular(const int g[4], int before, Flip flip)
{
    const int flipped[4] = {g[0], flip(g[1]), flip(g[2]), g[3]};
    return Sign(Discrimination(flipped) - before);
}

} // namespace

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
    }
    for (std::size_t i = 0; i < adjacency.size(); ++i)
    {
        adjacency[i] += other.adjacency[i];
        halfAdjacency[i] += other.halfAdjacency[i];
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

double CalibratedAdjacencyScore(const ChannelCounts& counts)
{
    const double half = AdjacencyCentre(counts.halfAdjacency);
    return half > 0 ? 1 - AdjacencyCentre(counts.adjacency) / half : 0;
}

ChannelGatherer::ChannelGatherer(std::int64_t width, int stride, int channel, std::int64_t total)
    : m_width(width), m_stride(stride), m_channel(channel), m_total(total)
{
}

void ChannelGatherer::CountPairs(const std::vector<std::uint32_t>& pairs)
{
    ChannelCounts& c = m_counts;
    for (int u = 2; u < 254; ++u)
        for (int v = 2; v < 254; ++v)
        {
            const double n = pairs[std::size_t(u * 256 + v)];
            if (n == 0)
                continue;
            // Sorted so that the smaller value comes first.
            const int low = std::min(u, v);
            const int high = std::max(u, v);
            if ((low >> 1) == (high >> 1))
            {
                c.spaC0 += n;
                c.spaEqual += low == high ? n : 0;
            }
            else if ((high - low) & 1)
            {
                c.spaOddDifference += (low & 1) ? -n : n;
            }
        }
}

void ChannelGatherer::WeightRow(const std::uint8_t* above, const std::uint8_t* row,
                                const std::uint8_t* below, std::int64_t ordinal)
{
    const std::int64_t w = m_width;
    // The three rows mirrored by one sample at each end, so that the first and last samples
    // in the file have whole neighbourhoods too.
    const std::uint8_t* rows[3] = {above, row, below};
    for (int r = 0; r < 3; ++r)
    {
        std::vector<std::uint8_t>& pad = m_padded[r];
        pad.resize(std::size_t(w + 2));
        std::copy(rows[r], rows[r] + w, pad.begin() + 1);
        pad[0] = rows[r][w > 1 ? 1 : 0];
        pad[std::size_t(w + 1)] = rows[r][w > 1 ? w - 2 : 0];
    }
    const std::uint8_t* a = m_padded[0].data();
    const std::uint8_t* m = m_padded[1].data();
    const std::uint8_t* b = m_padded[2].data();
    const auto sign = [](int v) { return 2 * (v & 1) - 1; };
    const std::int64_t first = ordinal * w * m_stride + m_channel;
    const std::int64_t last = first + (w - 1) * m_stride;
    const bool nearEdge = first < EDGE_SAMPLES || last >= m_total - EDGE_SAMPLES;
    WsSums sums;
    for (std::int64_t x = 0; x < w; ++x)
    {
        const int s = m[x + 1];
        if (Saturated(s))
            continue;
        const int n = a[x + 1], so = b[x + 1], e = m[x + 2], we = m[x];
        const int ne = a[x + 2], nw = a[x], se = b[x + 2], sw = b[x];
        const int direct = n + so + e + we;
        // Ker and Böhme's predictor: 1/2 of the four neighbours less 1/4 of the diagonals.
        const double prediction = (2 * direct - (ne + nw + se + sw)) / 4.0;
        const double variance = (n * n + so * so + e * e + we * we) / 4.0 - direct * direct / 16.0;
        const double weight = 1 / (5 + variance);
        const int parity = sign(s);
        const int agreement = 2 * (sign(n) + sign(so) + sign(e) + sign(we)) -
                              (sign(ne) + sign(nw) + sign(se) + sign(sw));
        WsSums one;
        one.weight = weight;
        one.residual = weight * parity * (s - prediction);
        one.parity = weight * parity * agreement / 4.0;
        one.squares = one.residual * one.residual;
        one.samples = 1;
        sums.Add(one);
        if (nearEdge)
        {
            const std::int64_t position = first + x * m_stride;
            if (position < EDGE_SAMPLES)
                m_counts.start.Add(one);
            if (position >= m_total - EDGE_SAMPLES)
                m_counts.end.Add(one);
        }
    }
    m_counts.ws.Add(sums);
}

void ChannelGatherer::AddRow(std::int64_t ordinal, const std::uint8_t* row)
{
    ChannelCounts& c = m_counts;
    for (std::int64_t x = 0; x < m_width; ++x)
        ++c.histogram[row[x]];
    for (std::int64_t x = 0; x + 1 < m_width; ++x)
        ++c.adjacency[row[x] * 256 + row[x + 1]];
    // RS groups of four.
    for (std::int64_t x = 0; x + 4 <= m_width; x += 4)
    {
        int g[4] = {row[x], row[x + 1], row[x + 2], row[x + 3]};
        if (Saturated(g[0]) || Saturated(g[1]) || Saturated(g[2]) || Saturated(g[3]))
            continue;
        const auto f1 = [](int v) { return v ^ 1; };
        const auto fm1 = [](int v) { return ((v + 1) ^ 1) - 1; };
        int before = Discrimination(g);
        c.rsM += RegularMinusSingular(g, before, f1);
        c.rsNegM += RegularMinusSingular(g, before, fm1);
        for (int& v : g)
            v ^= 1;
        before = Discrimination(g);
        c.rsFlippedM += RegularMinusSingular(g, before, f1);
        c.rsFlippedNegM += RegularMinusSingular(g, before, fm1);
    }
    if (m_rowsInRun >= 1)
    {
        for (std::int64_t x = 0; x < m_width; ++x)
            ++m_vertical[std::size_t(m_middle[x] * 256 + row[x])];
        if (m_rowsInRun % 2 == 1)
        {
            m_half.resize(std::size_t(m_width / 2));
            for (std::int64_t x = 0; x + 2 <= m_width; x += 2)
            {
                m_half[x / 2] =
                    std::uint8_t((m_middle[x] + m_middle[x + 1] + row[x] + row[x + 1]) / 4);
            }
            for (std::size_t x = 0; x + 1 < m_half.size(); ++x)
                ++c.halfAdjacency[m_half[x] * 256 + m_half[x + 1]];
        }
        // The middle row's neighbourhood is complete now (the first row of a run mirrors).
        WeightRow(m_rowsInRun >= 2 ? m_older.data() : row, m_middle.data(), row, m_middleOrdinal);
    }
    m_older.swap(m_middle);
    m_middle.assign(row, row + m_width);
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
    // Sample pairs: each sample with its right-hand neighbour and with the one below.
    CountPairs(m_counts.adjacency);
    CountPairs(m_vertical);
    m_vertical.assign(m_vertical.size(), 0);
    return m_counts;
}

} // namespace analysis
