// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/SyndromeTrellis.h"

#include "engine/KeyedStream.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>

namespace
{

constexpr float UNREACHABLE = std::numeric_limits<float>::infinity();

// One chunk's share of the message and of the cover: [begin, end) of each.
struct Chunk
{
    std::size_t messageBegin, messageEnd, coverBegin, coverEnd;
};

std::vector<Chunk> Chunks(std::size_t n, std::size_t m)
{
    std::size_t count = std::max((m + STC_CHUNK_BITS - 1) / STC_CHUNK_BITS,
                                 (n + STC_CHUNK_COLUMNS - 1) / STC_CHUNK_COLUMNS);
    count = std::min(count, m);
    std::vector<Chunk> chunks;
    for (std::size_t k = 0; k < count; ++k)
    {
        chunks.push_back({k * m / count, (k + 1) * m / count, k * n / count, (k + 1) * n / count});
    }
    return chunks;
}

void Check(std::size_t n, std::size_t m, int height)
{
    if (m == 0 || n / 2 < m || height < 2 || height > 12)
    {
        throw std::invalid_argument("syndrome-trellis code: no room for the message");
    }
}

// The submatrix's columns: random height-bit words whose first and last bits are set, enough
// for the widest block of any chunk.
std::vector<std::uint32_t> Columns(const std::vector<Chunk>& chunks, const StcKey& key, int height)
{
    std::size_t widest = 0;
    for (const Chunk& c : chunks)
    {
        const std::size_t n = c.coverEnd - c.coverBegin;
        const std::size_t m = c.messageEnd - c.messageBegin;
        widest = std::max(widest, (n + m - 1) / m);
    }
    KeyedStream stream(key);
    const std::uint32_t all = (1u << height) - 1;
    const std::uint32_t ends = 1u | (1u << (height - 1));
    std::vector<std::uint32_t> columns(widest);
    for (std::uint32_t& column : columns)
    {
        column = (stream.Next() & all) | ends;
    }
    return columns;
}

// Which rows of the submatrix still fall inside the message at message bit i of m: the last
// height - 1 blocks lose the rows that would reach past the end.
std::uint32_t RowMask(std::size_t i, std::size_t m, int height)
{
    const std::size_t left = m - i;
    return left < static_cast<std::size_t>(height) ? (1u << left) - 1 : (1u << height) - 1;
}

// Viterbi over one chunk: cover bits x, costs rho, message bits msg. The height is a
// template parameter, so the state loops have fixed bounds the compiler can vectorise.
template <int HEIGHT>
void EmbedChunk(const std::uint8_t* x, const float* rho, std::size_t n, const std::uint8_t* msg,
                std::size_t m, const std::vector<std::uint32_t>& columns, std::uint8_t* y)
{
    constexpr int height = HEIGHT;
    constexpr std::size_t states = std::size_t{1} << HEIGHT;
    constexpr std::size_t words = (states + 63) / 64;
    constexpr std::size_t lanes = states < 8 ? states : 8;
    alignas(64) std::array<float, states> first;
    alignas(64) std::array<float, states> second;
    alignas(64) std::array<float, states> other;
    // The costs before and after a column; the two arrays trade places at every step.
    float* cost = first.data();
    float* next = second.data();
    std::fill_n(cost, states, UNREACHABLE);
    // For every column and state, whether the best way into that state set the stego bit.
    std::vector<std::uint64_t> path(n * words);
    cost[0] = 0;

    for (std::size_t i = 0; i < m; ++i)
    {
        const std::size_t begin = i * n / m;
        const std::size_t end = (i + 1) * n / m;
        const std::uint32_t mask = RowMask(i, m, height);
        for (std::size_t j = begin; j < end; ++j)
        {
            const std::size_t column = columns[j - begin] & mask;
            const float keep = x[j] ? rho[j] : 0.0f; // stego bit 0
            const float flip = x[j] ? 0.0f : rho[j]; // stego bit 1
            // cost[s ^ column], gathered a block of lanes at a time: the high bits of the
            // column pick the block, the low bits permute within it.
            const std::size_t high = column & ~(lanes - 1);
            const std::size_t low = column & (lanes - 1);
            for (std::size_t block = 0; block < states; block += lanes)
            {
                const float* from = &cost[block ^ high];
                for (std::size_t lane = 0; lane < lanes; ++lane)
                {
                    other[block + lane] = from[lane ^ low];
                }
            }
            std::uint64_t* bits = &path[j * words];
            for (std::size_t w = 0; w < words; ++w)
            {
                std::uint64_t word = 0;
                for (std::size_t k = 0; k < std::min<std::size_t>(64, states); ++k)
                {
                    const std::size_t s = 64 * w + k;
                    const float a = cost[s] + keep;
                    const float b = other[s] + flip;
                    word |= std::uint64_t{b < a} << k;
                    next[s] = b < a ? b : a;
                }
                bits[w] = word;
            }
            std::swap(cost, next);
        }
        // The state's lowest bit is message bit i: keep the states that agree, move on a row.
        // Subtracting the least cost keeps the sums small enough for float's precision.
        float least = UNREACHABLE;
        for (std::size_t t = 0; t < states / 2; ++t)
        {
            next[t] = cost[2 * t + msg[i]];
            least = std::min(least, next[t]);
        }
        for (std::size_t t = 0; t < states / 2; ++t)
        {
            next[t] -= least;
        }
        std::fill(next + states / 2, next + states, UNREACHABLE);
        std::swap(cost, next);
    }

    std::size_t state = 0;
    for (std::size_t i = m; i-- > 0;)
    {
        state = (state << 1) | msg[i];
        const std::size_t begin = i * n / m;
        const std::size_t end = (i + 1) * n / m;
        const std::uint32_t mask = RowMask(i, m, height);
        for (std::size_t j = end; j-- > begin;)
        {
            const bool set = (path[j * words + state / 64] >> (state % 64)) & 1;
            y[j] = set;
            if (set)
            {
                state ^= columns[j - begin] & mask;
            }
        }
    }
}

} // namespace

std::vector<std::uint8_t> StcEmbed(std::span<const std::uint8_t> coverBits,
                                   std::span<const float> costs,
                                   std::span<const std::uint8_t> messageBits, const StcKey& key,
                                   int height)
{
    Check(coverBits.size(), messageBits.size(), height);
    if (costs.size() != coverBits.size())
    {
        throw std::invalid_argument("syndrome-trellis code: one cost per cover bit");
    }
    const std::vector<Chunk> chunks = Chunks(coverBits.size(), messageBits.size());
    const std::vector<std::uint32_t> columns = Columns(chunks, key, height);
    std::vector<std::uint8_t> stego(coverBits.size());
    for (const Chunk& c : chunks)
    {
        using Embed = void (*)(const std::uint8_t*, const float*, std::size_t, const std::uint8_t*,
                               std::size_t, const std::vector<std::uint32_t>&, std::uint8_t*);
        static constexpr Embed BY_HEIGHT[] = {
            nullptr,        nullptr,        EmbedChunk<2>, EmbedChunk<3>, EmbedChunk<4>,
            EmbedChunk<5>,  EmbedChunk<6>,  EmbedChunk<7>, EmbedChunk<8>, EmbedChunk<9>,
            EmbedChunk<10>, EmbedChunk<11>, EmbedChunk<12>};
        BY_HEIGHT[height](&coverBits[c.coverBegin], &costs[c.coverBegin], c.coverEnd - c.coverBegin,
                          &messageBits[c.messageBegin], c.messageEnd - c.messageBegin, columns,
                          &stego[c.coverBegin]);
    }
    return stego;
}

std::vector<std::uint8_t> StcExtract(std::span<const std::uint8_t> stegoBits,
                                     std::size_t messageBits, const StcKey& key, int height)
{
    Check(stegoBits.size(), messageBits, height);
    const std::vector<Chunk> chunks = Chunks(stegoBits.size(), messageBits);
    const std::vector<std::uint32_t> columns = Columns(chunks, key, height);
    std::vector<std::uint8_t> message(messageBits);
    for (const Chunk& c : chunks)
    {
        const std::size_t n = c.coverEnd - c.coverBegin;
        const std::size_t m = c.messageEnd - c.messageBegin;
        const std::uint8_t* y = &stegoBits[c.coverBegin];
        std::uint32_t syndrome = 0;
        for (std::size_t i = 0; i < m; ++i)
        {
            const std::uint32_t mask = RowMask(i, m, height);
            for (std::size_t j = i * n / m; j < (i + 1) * n / m; ++j)
            {
                if (y[j] & 1)
                {
                    syndrome ^= columns[j - i * n / m] & mask;
                }
            }
            message[c.messageBegin + i] = syndrome & 1;
            syndrome >>= 1;
        }
    }
    return message;
}
