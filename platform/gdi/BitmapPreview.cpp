// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gdi/BitmapPreview.h"

#include "common/FileDescriptor.h"
#include "engine/BitmapDecoder.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
QImage Preview(const ByteReader& read, std::int64_t fileSize, int cx, int cy)
{
    const std::optional<BitmapLayout> layout = ReadBitmapLayout(read, fileSize);
    if (!layout)
        return {};
    if (cx == 0)
        cx = static_cast<int>(layout->width);
    if (cy == 0)
        cy = static_cast<int>(layout->height);
    if (std::int64_t(cx) * cy > kMaxOwnSizePixels)
        return {};
    const auto pixels = SampleBitmap(read, fileSize, *layout, cx, cy);
    if (!pixels)
        return {};
    QImage image(cx, cy, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < cy; ++y)
        std::memcpy(image.scanLine(y), pixels->data() + std::size_t(y) * std::size_t(cx),
                    std::size_t(cx) * 4);
    return image;
}
} // namespace

QImage layer::ReadBitmapPreview(const std::string& nativePath, int cx, int cy)
{
    if (cx < 0 || cy < 0)
        return {};
    const carvalet::FileDescriptor file(
        ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file)
        return {};
    const int fd = file.Get();
    struct stat st
    {
    };
    QImage image;
    // Only regular files: a pipe or a device could block or never end.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    {
        const ByteReader read = [fd](std::int64_t offset, std::size_t size, std::uint8_t* out)
        {
            std::size_t done = 0;
            while (done < size)
            {
                const ssize_t n = carvalet::RetryOnInterrupt(
                    [&] { return ::pread(fd, out + done, size - done, offset + done); });
                if (n <= 0)
                    return false;
                done += static_cast<std::size_t>(n);
            }
            return true;
        };
        image = Preview(read, st.st_size, cx, cy);
    }
    return image;
}

QImage layer::ReadBitmapPreview(const unsigned char* data, std::size_t size, int cx, int cy)
{
    if (cx < 0 || cy < 0 || !data)
        return {};
    return Preview(MemoryReader(data, size), static_cast<std::int64_t>(size), cx, cy);
}
