// SPDX-License-Identifier: GPL-3.0-or-later
// PNG pictures through libpng. Every colour type and depth comes out as 8-bit BGRA: palettes
// and grey levels are expanded, transparency becomes alpha, 16-bit samples are scaled to the
// nearest 8-bit value, and gamma is left alone, so the stored colours come through unchanged.
#pragma once

#include "engine/BitmapDecoder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Receives one row of a PNG, or one interlace pass over a row: pixel i (4 bytes, BGRA) lies in
// column xStart + i * xStep of row y (counted from the top).
using PngRowSink = std::function<void(std::int64_t y, std::int64_t xStart, std::int64_t xStep,
                                      std::int64_t count, const std::uint8_t* bgra)>;

class PngDecoder
{
public:
    PngDecoder(const ByteReader& read, std::int64_t fileSize);
    ~PngDecoder();
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    // Reads the header; false when libpng refuses the file (see Error).
    bool ReadHeader();
    // Decodes every pixel once, in the order the file stores them; false on broken data.
    bool Decode(const PngRowSink& sink);

    std::int64_t Width() const;
    std::int64_t Height() const;
    bool HasAlpha() const;
    // Pixels per metre, when the file says so.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> Resolution() const;
    const std::string& Error() const;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

// The picture scaled to cx by cy pixels (nearest pixel), rows from the top; none when it
// cannot be read or is too large to be worth reading for a preview.
std::optional<std::vector<Argb>> SamplePng(const ByteReader& read, std::int64_t fileSize, int cx,
                                           int cy);
