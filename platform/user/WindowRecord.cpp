// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/WindowRecord.h"

#include "platform/user/QtBridge.h"
#include "platform/user/WinUser.h"

#include <QApplication>

namespace
{
constexpr const char* kHandleProperty = "carvalet_hwnd";

void OnWidgetDestroyed(std::uint32_t value)
{
    // The last message a window receives, while its handle still resolves.
    if (const CWindowRecord* record = CHandleTable::Instance().Find<CWindowRecord>(value);
        record && record->m_pfnWndProc)
        record->m_pfnWndProc(HWND(value), WM_NCDESTROY, 0, 0);
    CHandleTable::Instance().Remove(value);
}
} // namespace

CWindowRecord::~CWindowRecord() = default;

CWindowRecord* layer::FindWindow(HWND hWnd)
{
    return CHandleTable::Instance().Find<CWindowRecord>(hWnd);
}

CWindowRecord* layer::FindWindow(const QWidget* widget)
{
    if (!widget)
        return nullptr;
    const QVariant value = widget->property(kHandleProperty);
    if (!value.isValid())
        return nullptr;
    return CHandleTable::Instance().Find<CWindowRecord>(value.toUInt());
}

CWindowRecord& layer::RegisterWindow(QWidget* widget, CLASSPROC proc, const char* className)
{
    auto owned = std::make_unique<CWindowRecord>();
    CWindowRecord& record = *owned;
    record.m_widget = widget;
    record.m_pfnClassProc = proc;
    record.m_className = className;
    const std::uint32_t value = CHandleTable::Instance().Add(std::move(owned));
    widget->setProperty(kHandleProperty, value);
    QObject::connect(widget, &QObject::destroyed, [value] { OnWidgetDestroyed(value); });
    return record;
}

QWidget* WidgetFromHwnd(HWND hwnd)
{
    CWindowRecord* record = layer::FindWindow(hwnd);
    return record ? record->m_widget.data() : nullptr;
}

HWND HwndFromWidget(const QWidget* widget)
{
    CWindowRecord* record = layer::FindWindow(widget);
    return record ? record->Handle() : HWND();
}

QWidget* layer::OwnerWidget(HWND hWndOwner)
{
    if (QWidget* owner = WidgetFromHwnd(hWndOwner))
        return owner->window();
    return QApplication::activeModalWidget();
}
