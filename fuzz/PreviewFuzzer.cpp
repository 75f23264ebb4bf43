// SPDX-License-Identifier: GPL-3.0-or-later
// The bitmap preview from arbitrary bytes: whatever a file claims in its headers, the decoder
// never reads outside the bytes, never hangs on absurd sizes, and gives either a null picture
// or one of exactly the size asked for.

#include "platform/gdi/BitmapPreview.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy, so that any read past the end is caught.
    const std::vector<unsigned char> bytes(data, data + size);
    const QImage shown = layer::ReadBitmapPreview(bytes.data(), bytes.size(), 330, 218);
    if (!shown.isNull() && shown.size() != QSize(330, 218))
        std::abort();
    // At its own size, as when no size is asked for.
    const QImage own = layer::ReadBitmapPreview(bytes.data(), bytes.size(), 0, 0);
    if (!own.isNull() && static_cast<long long>(own.width()) * own.height() > kMaxOwnSizePixels)
        std::abort();
    return 0;
}
