#include "WindowRecord.h"

#include "QtBridge.h"
#include "WinApp.h"
#include "Wnd.h"

#include <QApplication>

namespace
{
constexpr const char* kHandleProperty = "carvalet_hwnd";

void OnWidgetDestroyed(std::uint32_t value)
{
    std::unique_ptr<CHandleObject> object = CHandleTable::Instance().Remove(value);
    if (auto* record = dynamic_cast<CWindowRecord*>(object.get()); record && record->m_pAttached)
        record->m_pAttached->m_hWnd = HWND();
}
} // namespace

CWindowRecord::~CWindowRecord() = default;

CWnd* CWindowRecord::Wrapper()
{
    if (m_pAttached)
        return m_pAttached;
    if (!m_pTemporary)
    {
        m_pTemporary = std::make_unique<CWnd>();
        m_pTemporary->m_hWnd = Handle();
    }
    return m_pTemporary.get();
}

CWindowRecord* AfxFindWindow(HWND hWnd)
{
    return CHandleTable::Instance().Find<CWindowRecord>(hWnd);
}

CWindowRecord* AfxFindWindow(const QWidget* widget)
{
    if (!widget)
        return nullptr;
    const QVariant value = widget->property(kHandleProperty);
    if (!value.isValid())
        return nullptr;
    return CHandleTable::Instance().Find<CWindowRecord>(value.toUInt());
}

CWindowRecord& AfxRegisterWindow(QWidget* widget, CLASSPROC proc, const char* className)
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
    CWindowRecord* record = AfxFindWindow(hwnd);
    return record ? record->m_widget.data() : nullptr;
}

HWND HwndFromWidget(const QWidget* widget)
{
    CWindowRecord* record = AfxFindWindow(widget);
    return record ? record->Handle() : HWND();
}

QWidget* AfxOwnerWidget(HWND hWndOwner)
{
    if (QWidget* owner = WidgetFromHwnd(hWndOwner))
        return owner->window();
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    const CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd)
        if (QWidget* main = WidgetFromHwnd(app->m_pMainWnd->m_hWnd); main && main->isVisible())
            return main;
    return nullptr;
}
