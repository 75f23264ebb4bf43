// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/Resources.h"

namespace
{
const ResourceModule* g_module = nullptr;

// MulDiv for a positive divisor: a * b / c rounded half away from zero.
LONG MulDiv(LONG a, LONG b, LONG c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<LONG>((product >= 0 ? product + half : product - half) / c);
}
} // namespace

void layer::SetResourceModule(const ResourceModule* module)
{
    g_module = module;
}

const ResourceModule* layer::GetResourceModule()
{
    return g_module;
}

const DialogTemplate* layer::FindDialogTemplate(UINT id)
{
    if (!g_module)
        return nullptr;
    for (const DialogTemplate& t : g_module->dialogs)
        if (t.id == id)
            return &t;
    return nullptr;
}

const char* layer::FindStringResource(UINT id)
{
    if (!g_module)
        return nullptr;
    for (const StringResource& s : g_module->strings)
        if (s.id == id)
            return s.text;
    return nullptr;
}

const IconResource* layer::FindIconResource(UINT id)
{
    if (!g_module)
        return nullptr;
    for (const IconResource& i : g_module->icons)
        if (i.id == id)
            return &i;
    return nullptr;
}

RECT layer::MapDialogRect(const RECT& du, SIZE base)
{
    return RECT{MulDiv(du.left, base.cx, 4), MulDiv(du.top, base.cy, 8),
                MulDiv(du.right, base.cx, 4), MulDiv(du.bottom, base.cy, 8)};
}

namespace
{
constexpr WORD kLoadFromStream = 0x0376;

std::uint16_t Read16(const BYTE* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const BYTE* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
} // namespace

std::optional<std::span<const BYTE>> layer::FindDialogInitRecord(std::span<const BYTE> data,
                                                                 WORD controlId)
{
    std::size_t pos = 0;
    while (data.size() - pos >= 2)
    {
        const WORD id = Read16(data.data() + pos);
        if (id == 0)
            return std::nullopt;
        if (data.size() - pos < 8)
            return std::nullopt;
        const WORD message = Read16(data.data() + pos + 2);
        const std::uint32_t length = Read32(data.data() + pos + 4);
        pos += 8;
        if (length > data.size() - pos)
            return std::nullopt;
        if (id == controlId && message == kLoadFromStream)
            return data.subspan(pos, length);
        pos += length;
    }
    return std::nullopt;
}
