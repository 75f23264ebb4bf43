// SPDX-License-Identifier: GPL-3.0-or-later
#include "imaging/PngDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <png.h>

// libpng reports errors with longjmp, so the functions that call into it keep nothing with a
// destructor on their own stack; everything lives in this state.
struct PngDecoder::State
{
    const ByteReader* read = nullptr;
    std::int64_t offset = 0;
    std::int64_t size = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    bool headerRead = false;
    bool hasAlpha = false;
    bool interlaced = false;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::vector<std::uint8_t> row;
    std::string error;
};

namespace
{
using State = PngDecoder::State;

// A PNG is read row by row to the end, however few rows a preview shows; beyond this many
// pixels (a 16384 x 16384 picture) the preview is not worth the wait. Compressed data can
// claim far more than its own size.
constexpr std::int64_t MAX_PREVIEW_PIXELS = std::int64_t{1} << 28;

void OnError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<State*>(png_get_error_ptr(png));
    state->error = message ? message : "broken PNG data";
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, std::size_t length)
{
    auto* state = static_cast<State*>(png_get_io_ptr(png));
    if (std::int64_t(length) > state->size - state->offset ||
        !(*state->read)(state->offset, length, out))
        png_error(png, "the file ends before the picture does");
    state->offset += static_cast<std::int64_t>(length);
}

bool ReadInfo(State& s)
{
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_set_user_limits(s.png, BITMAP_MAX_DIMENSION, BITMAP_MAX_DIMENSION);
    png_set_read_fn(s.png, &s, OnRead);
    png_read_info(s.png, s.info);
    const int colourType = png_get_color_type(s.png, s.info);
    s.hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(s.png, s.info, PNG_INFO_tRNS);
    s.interlaced = png_get_interlace_type(s.png, s.info) != PNG_INTERLACE_NONE;
    s.width = png_get_image_width(s.png, s.info);
    s.height = png_get_image_height(s.png, s.info);
    png_set_expand(s.png);
    png_set_scale_16(s.png);
    png_set_gray_to_rgb(s.png);
    png_set_bgr(s.png);
    if (!s.hasAlpha)
        png_set_filler(s.png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(s.png, s.info);
    if (png_get_rowbytes(s.png, s.info) != std::size_t(s.width) * 4)
        png_error(s.png, "an unexpected pixel format");
    return true;
}

// Interlaced pictures come in seven passes over ever finer grids; the rest in one.
bool ReadRows(State& s, const PngRowSink& sink)
{
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    const int passes = s.interlaced ? PNG_INTERLACE_ADAM7_PASSES : 1;
    for (int pass = 0; pass < passes; ++pass)
    {
        const std::int64_t rows =
            s.interlaced ? std::int64_t{PNG_PASS_ROWS(png_uint_32(s.height), pass)} : s.height;
        const std::int64_t columns =
            s.interlaced ? std::int64_t{PNG_PASS_COLS(png_uint_32(s.width), pass)} : s.width;
        if (rows == 0 || columns == 0)
            continue;
        const std::int64_t xStart = s.interlaced ? PNG_COL_FROM_PASS_COL(0, pass) : 0;
        const std::int64_t xStep = s.interlaced ? std::int64_t{1} << PNG_PASS_COL_SHIFT(pass) : 1;
        for (std::int64_t r = 0; r < rows; ++r)
        {
            png_read_row(s.png, s.row.data(), nullptr);
            const std::int64_t y =
                s.interlaced ? std::int64_t{PNG_ROW_FROM_PASS_ROW(png_uint_32(r), pass)} : r;
            sink(y, xStart, xStep, columns, s.row.data());
        }
    }
    return true;
}
} // namespace

PngDecoder::PngDecoder(const ByteReader& read, std::int64_t fileSize)
    : m_state(std::make_unique<State>())
{
    m_state->read = &read;
    m_state->size = fileSize;
    m_state->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, m_state.get(), OnError, OnWarning);
    if (m_state->png)
        m_state->info = png_create_info_struct(m_state->png);
}

PngDecoder::~PngDecoder()
{
    if (m_state->png)
        png_destroy_read_struct(&m_state->png, m_state->info ? &m_state->info : nullptr, nullptr);
}

bool PngDecoder::ReadHeader()
{
    State& s = *m_state;
    if (!s.png || !s.info)
    {
        s.error = "there is not enough memory to read it";
        return false;
    }
    if (s.headerRead)
        return true;
    if (!ReadInfo(s))
        return false;
    s.row.resize(static_cast<std::size_t>(s.width) * 4);
    s.headerRead = true;
    return true;
}

bool PngDecoder::Decode(const PngRowSink& sink)
{
    return ReadHeader() && ReadRows(*m_state, sink);
}

std::int64_t PngDecoder::Width() const
{
    return m_state->width;
}

std::int64_t PngDecoder::Height() const
{
    return m_state->height;
}

bool PngDecoder::HasAlpha() const
{
    return m_state->hasAlpha;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> PngDecoder::Resolution() const
{
    png_uint_32 x = 0;
    png_uint_32 y = 0;
    int unit = 0;
    if (!m_state->headerRead || !png_get_pHYs(m_state->png, m_state->info, &x, &y, &unit) ||
        unit != PNG_RESOLUTION_METER)
        return std::nullopt;
    return std::pair{x, y};
}

const std::string& PngDecoder::Error() const
{
    return m_state->error;
}

std::optional<std::vector<Argb>> SamplePng(const ByteReader& read, std::int64_t fileSize, int cx,
                                           int cy)
{
    PngDecoder decoder(read, fileSize);
    if (cx <= 0 || cy <= 0 || !decoder.ReadHeader() ||
        decoder.Width() * decoder.Height() > MAX_PREVIEW_PIXELS)
        return std::nullopt;
    const std::vector<std::int64_t> columns = SamplePositions(decoder.Width(), cx);
    const std::vector<std::int64_t> rows = SamplePositions(decoder.Height(), cy);
    std::vector<Argb> out(static_cast<std::size_t>(cx) * static_cast<std::size_t>(cy));
    const auto sink = [&](std::int64_t y, std::int64_t xStart, std::int64_t xStep,
                          std::int64_t count, const std::uint8_t* bgra)
    {
        const auto [first, last] = std::equal_range(rows.begin(), rows.end(), y);
        for (auto row = first; row != last; ++row)
            for (int i = 0; i < cx; ++i)
            {
                const std::int64_t x = columns[static_cast<std::size_t>(i)] - xStart;
                if (x < 0 || x % xStep || x / xStep >= count)
                    continue;
                const std::uint8_t* p = bgra + x / xStep * 4;
                out[static_cast<std::size_t>((row - rows.begin()) * cx + i)] =
                    Argb(p[3]) << 24 | Argb(p[2]) << 16 | Argb(p[1]) << 8 | p[0];
            }
    };
    if (!decoder.Decode(sink))
        return std::nullopt;
    return out;
}
