#include "Dc.h"

#include "HandleTable.h"

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

BOOL CDC::DrawIcon(int x, int y, HICON hIcon)
{
    return ::DrawIcon(m_hDC, x, y, hIcon);
}

void AfxPushPaintContext(HWND hWnd, QPainter* painter)
{
    ActivePainters()[hWnd.value] = painter;
}

void AfxPopPaintContext(HWND hWnd)
{
    ActivePainters().erase(hWnd.value);
}

HDC AfxBeginPaint(HWND hWnd)
{
    auto dc = std::make_unique<CDcObject>();
    const auto it = ActivePainters().find(hWnd.value);
    if (it != ActivePainters().end())
        dc->m_painter = it->second;
    return HDC(CHandleTable::Instance().Add(std::move(dc)));
}

void AfxEndPaint(HDC hDC)
{
    if (CHandleTable::Instance().Find<CDcObject>(hDC))
        CHandleTable::Instance().Remove(hDC.value);
}

QPainter* AfxPainterFromHdc(HDC hDC)
{
    const auto* dc = CHandleTable::Instance().Find<CDcObject>(hDC);
    return dc ? dc->m_painter : nullptr;
}
