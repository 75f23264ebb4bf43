// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/WinUser.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/ImageObject.h"
#include "platform/kernel/Unhandled.h"
#include "platform/user/Resources.h"
#include "platform/user/WindowRecord.h"

#include <QApplication>
#include <QBuffer>
#include <QEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QScreen>
#include <map>
#include <utility>

namespace
{
// A posted message waits in Qt's event queue; its window is looked up again on delivery, so
// a message to a window destroyed in the meantime is dropped.
class CPostedMessage : public QEvent
{
public:
    static QEvent::Type Type()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    CPostedMessage(HWND h, UINT m, WPARAM w, LPARAM l)
        : QEvent(Type()), hWnd(h), msg(m), wParam(w), lParam(l)
    {
    }
    HWND hWnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class CPostedMessageReceiver : public QObject
{
protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != CPostedMessage::Type())
            return;
        const auto* posted = static_cast<CPostedMessage*>(event);
        SendMessageA(posted->hWnd, posted->msg, posted->wParam, posted->lParam);
    }
};

CPostedMessageReceiver& Receiver()
{
    static CPostedMessageReceiver receiver;
    return receiver;
}

QWidget* WidgetOf(HWND hWnd)
{
    CWindowRecord* record = layer::FindWindow(hWnd);
    return record ? record->m_widget.data() : nullptr;
}

QIcon LoadIcoFile(std::span<const unsigned char> bytes)
{
    QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QIcon icon;
    for (int i = 0; i < std::max(1, reader.imageCount()); ++i)
    {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
} // namespace

LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CWindowRecord* record = layer::FindWindow(hWnd);
    if (!record)
        return 0;
    if (record->m_pfnWndProc)
        return record->m_pfnWndProc(hWnd, msg, wParam, lParam);
    return record->m_pfnClassProc ? record->m_pfnClassProc(*record, msg, wParam, lParam) : 0;
}

BOOL PostMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!layer::FindWindow(hWnd))
        return FALSE;
    // Qt takes ownership of the posted event.
    QCoreApplication::postEvent(&Receiver(), new CPostedMessage(hWnd, msg, wParam, lParam));
    return TRUE;
}

LONG_PTR SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    CWindowRecord* record = layer::FindWindow(hWnd);
    if (!record)
        return 0;
    if (nIndex != GWLP_WNDPROC)
    {
        layer::ReportUnhandled("SetWindowLongPtrA", layer::UnhandledKind::Index, nIndex);
        return 0;
    }
    return reinterpret_cast<LONG_PTR>(
        std::exchange(record->m_pfnWndProc, reinterpret_cast<WNDPROC>(dwNewLong)));
}

BOOL IsWindow(HWND hWnd)
{
    return layer::FindWindow(hWnd) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hWnd)
{
    QWidget* widget = WidgetOf(hWnd);
    return widget && widget->isWindow() && widget->isMinimized() ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hWnd)
{
    QWidget* widget = WidgetOf(hWnd);
    return widget && widget->isVisible() ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hWnd)
{
    QWidget* widget = WidgetOf(hWnd);
    return widget && widget->isEnabled() ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hWnd, BOOL bEnable)
{
    QWidget* widget = WidgetOf(hWnd);
    if (!widget)
        return FALSE;
    const BOOL wasDisabled = widget->isEnabled() ? FALSE : TRUE;
    widget->setEnabled(bEnable != FALSE);
    return wasDisabled;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow)
{
    QWidget* widget = WidgetOf(hWnd);
    if (!widget)
        return FALSE;
    const BOOL wasVisible = widget->isHidden() ? FALSE : TRUE;
    switch (nCmdShow)
    {
    case SW_HIDE:
        widget->hide();
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        widget->showMinimized();
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        if (widget->isWindow())
            widget->showNormal();
        else
            widget->show();
        break;
    default:
        widget->show();
        break;
    }
    return wasVisible;
}

HWND GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    QWidget* dialog = WidgetOf(hDlg);
    if (!dialog)
        return HWND();
    for (QObject* child : dialog->children())
    {
        const CWindowRecord* record = layer::FindWindow(qobject_cast<QWidget*>(child));
        if (record && record->m_hWndParent == hDlg && record->m_nID == nIDDlgItem)
            return record->Handle();
    }
    return HWND();
}

int GetDlgCtrlID(HWND hWnd)
{
    const CWindowRecord* record = layer::FindWindow(hWnd);
    return record ? record->m_nID : 0;
}

HWND GetParent(HWND hWnd)
{
    const CWindowRecord* record = layer::FindWindow(hWnd);
    if (!record)
        return HWND();
    return record->m_hWndParent ? record->m_hWndParent : record->m_hWndOwner;
}

HWND SetFocus(HWND hWnd)
{
    const HWND previous = GetFocus();
    if (QWidget* widget = WidgetOf(hWnd))
        widget->setFocus(Qt::OtherFocusReason);
    return previous;
}

HWND GetFocus()
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus)
        if (QWidget* active = QApplication::activeWindow())
            focus = active->focusWidget();
    // A control made of several widgets answers for its inner parts.
    for (QWidget* w = focus; w; w = w->isWindow() ? nullptr : w->parentWidget())
        if (CWindowRecord* record = layer::FindWindow(w))
            return record->Handle();
    return HWND();
}

BOOL GetClientRect(HWND hWnd, LPRECT lpRect)
{
    QWidget* widget = WidgetOf(hWnd);
    if (!widget || !lpRect)
        return FALSE;
    *lpRect = RECT{0, 0, widget->width(), widget->height()};
    return TRUE;
}

BOOL GetWindowRect(HWND hWnd, LPRECT lpRect)
{
    QWidget* widget = WidgetOf(hWnd);
    if (!widget || !lpRect)
        return FALSE;
    const QRect r = widget->isWindow() ? widget->frameGeometry()
                                       : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    *lpRect = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    return TRUE;
}

BOOL DestroyWindow(HWND hWnd)
{
    QWidget* widget = WidgetOf(hWnd);
    if (!widget)
        return FALSE;
    // The layer owns the widgets of its windows; the handle goes stale with the widget.
    delete widget;
    return TRUE;
}

BOOL MapDialogRect(HWND hDlg, LPRECT lpRect)
{
    const CWindowRecord* record = layer::FindWindow(hDlg);
    if (!record || !lpRect)
        return FALSE;
    *lpRect = layer::MapDialogRect(*lpRect, record->m_baseUnits);
    return TRUE;
}

int GetSystemMetrics(int nIndex)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    switch (nIndex)
    {
    case SM_CXSCREEN:
        return screen ? screen->geometry().width() : 0;
    case SM_CYSCREEN:
        return screen ? screen->geometry().height() : 0;
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    default:
        layer::ReportUnhandled("GetSystemMetrics", layer::UnhandledKind::Index, nIndex);
        return 0;
    }
}

BOOL DrawIcon(HDC hDC, int x, int y, HICON hIcon)
{
    QPainter* painter = layer::PainterFromHdc(hDC);
    const QIcon* icon = layer::IconFromHandle(hIcon);
    if (!painter || !icon)
        return FALSE;
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    painter->drawPixmap(QRect(x, y, cx, cy), icon->pixmap(cx, cy));
    return TRUE;
}

HICON LoadIconA(HINSTANCE, LPCSTR lpIconName)
{
    if (!IS_INTRESOURCE(lpIconName))
        return HICON();
    const UINT id = static_cast<UINT>(reinterpret_cast<std::uintptr_t>(lpIconName));
    // Icons from resources are shared: the same resource gives the same handle.
    static std::map<std::pair<const void*, UINT>, HICON> loaded;
    const IconResource* resource = layer::FindIconResource(id);
    if (!resource)
        return HICON();
    const auto key = std::make_pair(static_cast<const void*>(resource->icoFile.data()), id);
    if (const auto it = loaded.find(key); it != loaded.end() && layer::IconFromHandle(it->second))
        return it->second;
    const QIcon icon = LoadIcoFile(resource->icoFile);
    if (icon.isNull())
        return HICON();
    return loaded[key] = layer::CreateIconHandle(icon);
}

BOOL DeleteObject(HGDIOBJ hObject)
{
    if (!CHandleTable::Instance().Find<CImageObject>(hObject))
        return FALSE;
    CHandleTable::Instance().Remove(hObject.value);
    return TRUE;
}
