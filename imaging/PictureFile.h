// SPDX-License-Identifier: GPL-3.0-or-later
// A picture file read a piece at a time, so that a preview never loads it whole. Only regular
// files are read: a pipe or a device could block or never end.
#pragma once

#include "engine/BitmapDecoder.h"

#include <optional>
#include <string>
#include <vector>

class PictureFile
{
public:
    explicit PictureFile(const std::string& nativePath);
    ~PictureFile();
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    std::int64_t Size() const { return m_size; }
    const ByteReader& Reader() const { return m_read; }

private:
    int m_fd = -1;
    std::int64_t m_size = 0;
    ByteReader m_read;
};

// A PNG file scaled to cx by cy pixels, rows from the top; none when it is not a PNG that
// can be read.
std::optional<std::vector<Argb>> ReadPngPreview(const std::string& nativePath, int cx, int cy);
