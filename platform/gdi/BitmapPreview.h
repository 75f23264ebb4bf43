// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a BMP file into a picture of a given size with the engine's bitmap decoder: only the
// rows and columns that the picture shows are read, so a bitmap of any size costs little
// memory and time. Hostile headers (absurd sizes, data beyond the file) give a null image.
#pragma once

#include <QImage>
#include <string>

namespace layer
{
// cx, cy: the picture's size; 0 takes the bitmap's own (refused above kMaxOwnSizePixels).
QImage ReadBitmapPreview(const std::string& nativePath, int cx, int cy);

// The same from bytes in memory (fuzzing and tests).
QImage ReadBitmapPreview(const unsigned char* data, std::size_t size, int cx, int cy);
} // namespace layer

inline constexpr long long kMaxOwnSizePixels = 16LL * 1024 * 1024;
