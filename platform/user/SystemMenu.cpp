// SPDX-License-Identifier: GPL-3.0-or-later
// The system menu of a window: the window's own copy of the standard items, kept by a small
// object that lives and dies with the window's widget, and opened by Alt+Space or a right click
// on the caption strip.
#include "platform/kernel/Text.h"
#include "platform/user/Menu.h"
#include "platform/user/MenuObject.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowRecord.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>

namespace
{
const char kHolderName[] = "carvaletSystemMenu";

class CSystemMenuHolder : public QObject
{
public:
    explicit CSystemMenuHolder(QObject* window) : QObject(window)
    {
        setObjectName(QLatin1StringView(kHolderName));
    }
    ~CSystemMenuHolder() override { DestroyMenu(m_hMenu); }
    CSystemMenuHolder(const CSystemMenuHolder&) = delete;
    CSystemMenuHolder& operator=(const CSystemMenuHolder&) = delete;

    HMENU m_hMenu;
};

CSystemMenuHolder* FindHolder(QWidget* window)
{
    return dynamic_cast<CSystemMenuHolder*>(
        window->findChild<QObject*>(QLatin1StringView(kHolderName), Qt::FindDirectChildrenOnly));
}

CWindowRecord* WindowWithSystemMenu(HWND hWnd)
{
    CWindowRecord* record = layer::FindWindow(hWnd);
    if (!record || !record->m_widget || !record->m_widget->isWindow() ||
        !(record->m_style & WS_SYSMENU))
        return nullptr;
    return record;
}

HMENU MakeStandardMenu(DWORD style)
{
    const HMENU hMenu = CreatePopupMenu();
    const bool minimizable = (style & WS_MINIMIZEBOX) != 0;
    if (minimizable)
        AppendMenuA(hMenu, MF_STRING, SC_RESTORE, "&Restore");
    AppendMenuA(hMenu, MF_STRING, SC_MOVE, "&Move");
    if (minimizable)
        AppendMenuA(hMenu, MF_STRING, SC_MINIMIZE, "Mi&nimise");
    AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(hMenu, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    return hMenu;
}

// The standard items follow the window's state, as they do when a menu is opened on Windows.
bool ItemEnabled(const CMenuItem& item, bool iconic)
{
    if (item.flags & (MF_GRAYED | MF_DISABLED))
        return false;
    switch (item.id)
    {
    case SC_RESTORE:
        return iconic;
    case SC_MOVE:
    case SC_MINIMIZE:
        return !iconic;
    default:
        return true;
    }
}

POINT ToPoint(const QPoint& p)
{
    return POINT{p.x(), p.y()};
}

int CaptionBandPixels(const CWindowRecord& record)
{
    bool given = false;
    const int pixels =
        record.m_widget ? record.m_widget->property(layer::kCaptionBandProperty).toInt(&given) : 0;
    return given ? pixels : (layer::kCaptionBandDlu * record.m_baseUnits.cy + 4) / 8;
}

// Watches every window's input, because a focused button would otherwise take Alt+Space as a
// press of Space.
class CSystemMenuOpener : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            return OnKey(qobject_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::ContextMenu)
            return OnContextMenu(qobject_cast<QWidget*>(watched),
                                 static_cast<QContextMenuEvent*>(event));
        return false;
    }

private:
    static bool OnKey(QWidget* widget, const QKeyEvent* key)
    {
        if (!widget || key->key() != Qt::Key_Space ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
            return false;
        QWidget* window = widget->window();
        const HWND hWnd = HwndFromWidget(window);
        if (!WindowWithSystemMenu(hWnd))
            return false;
        if (!key->isAutoRepeat())
            layer::TrackSystemMenu(hWnd, ToPoint(window->mapToGlobal(QPoint(0, 0))));
        return true;
    }

    // A right click that no control took reaches the window itself.
    static bool OnContextMenu(QWidget* widget, const QContextMenuEvent* menuEvent)
    {
        if (!widget || !widget->isWindow())
            return false;
        const CWindowRecord* record = WindowWithSystemMenu(HwndFromWidget(widget));
        if (!record || menuEvent->pos().y() >= CaptionBandPixels(*record))
            return false;
        layer::TrackSystemMenu(record->Handle(), ToPoint(menuEvent->globalPos()));
        return true;
    }
};
} // namespace

void layer::EnableSystemMenus()
{
    static QPointer<CSystemMenuOpener> opener;
    if (opener || !qApp)
        return;
    opener = new CSystemMenuOpener(qApp); // owned by the application
    qApp->installEventFilter(opener);
}

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert)
{
    const CWindowRecord* record = WindowWithSystemMenu(hWnd);
    if (!record)
        return HMENU();
    layer::EnableSystemMenus();
    QWidget* window = record->m_widget.data();
    CSystemMenuHolder* holder = FindHolder(window);
    if (bRevert)
    {
        if (holder)
        {
            DestroyMenu(holder->m_hMenu);
            holder->m_hMenu = HMENU();
        }
        return HMENU();
    }
    if (!holder)
        holder = new CSystemMenuHolder(window); // owned by the window
    if (!holder->m_hMenu)
        holder->m_hMenu = MakeStandardMenu(record->m_style);
    return holder->m_hMenu;
}

BOOL layer::TrackSystemMenu(HWND hWnd, POINT ptScreen)
{
    const HMENU hMenu = GetSystemMenu(hWnd, FALSE);
    const CMenuObject* menu = CHandleTable::Instance().Find<CMenuObject>(hMenu);
    if (!menu)
        return FALSE;
    UINT chosen = 0;
    {
        // Closed and gone before the command runs, whatever the command does to the window.
        QMenu popup;
        popup.setObjectName(QStringLiteral("systemMenu"));
        const bool iconic = IsIconic(hWnd);
        for (const CMenuItem& item : menu->m_items)
        {
            if (item.flags & MF_SEPARATOR)
            {
                popup.addSeparator();
                continue;
            }
            QAction* action = popup.addAction(layer::TextToQString(item.text));
            action->setEnabled(ItemEnabled(item, iconic));
            action->setData(item.id);
            const UINT id = item.id;
            QObject::connect(action, &QAction::triggered, &popup,
                             [&chosen, &popup, id]
                             {
                                 chosen = id;
                                 popup.close();
                             });
        }
        popup.exec(QPoint(ptScreen.x, ptScreen.y));
    }
    if (chosen)
        SendMessageA(hWnd, WM_SYSCOMMAND, chosen, 0);
    return TRUE;
}
