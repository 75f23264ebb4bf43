// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/gdi/DeviceContext.h"

#include "platform/kernel/HandleTable.h"

#include <QPainter>
#include <map>

namespace
{
class CDcObject : public CHandleObject
{
public:
    QPainter* m_painter = nullptr;
};

std::map<std::uint32_t, QPainter*>& ActivePainters()
{
    static std::map<std::uint32_t, QPainter*> painters;
    return painters;
}
} // namespace

void layer::PushPaintContext(HWND hWnd, QPainter* painter)
{
    ActivePainters()[hWnd.value] = painter;
}

void layer::PopPaintContext(HWND hWnd)
{
    ActivePainters().erase(hWnd.value);
}

HDC layer::BeginPaint(HWND hWnd)
{
    auto dc = std::make_unique<CDcObject>();
    const auto it = ActivePainters().find(hWnd.value);
    if (it != ActivePainters().end())
        dc->m_painter = it->second;
    return HDC(CHandleTable::Instance().Add(std::move(dc)));
}

void layer::EndPaint(HDC hDC)
{
    if (CHandleTable::Instance().Find<CDcObject>(hDC))
        CHandleTable::Instance().Remove(hDC.value);
}

QPainter* layer::PainterFromHdc(HDC hDC)
{
    const auto* dc = CHandleTable::Instance().Find<CDcObject>(hDC);
    return dc ? dc->m_painter : nullptr;
}
