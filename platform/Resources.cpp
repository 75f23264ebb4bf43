#include "Resources.h"

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

void AfxSetResourceModule(const ResourceModule* module)
{
    g_module = module;
}

const ResourceModule* AfxGetResourceModule()
{
    return g_module;
}

const DialogTemplate* AfxFindDialogTemplate(UINT id)
{
    if (!g_module)
        return nullptr;
    for (const DialogTemplate& t : g_module->dialogs)
        if (t.id == id)
            return &t;
    return nullptr;
}

const char* AfxFindStringResource(UINT id)
{
    if (!g_module)
        return nullptr;
    for (const StringResource& s : g_module->strings)
        if (s.id == id)
            return s.text;
    return nullptr;
}

const IconResource* AfxFindIconResource(UINT id)
{
    if (!g_module)
        return nullptr;
    for (const IconResource& i : g_module->icons)
        if (i.id == id)
            return &i;
    return nullptr;
}

RECT AfxMapDialogRect(const RECT& du, SIZE base)
{
    return RECT{MulDiv(du.left, base.cx, 4), MulDiv(du.top, base.cy, 8),
                MulDiv(du.right, base.cx, 4), MulDiv(du.bottom, base.cy, 8)};
}
