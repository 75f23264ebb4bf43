// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/WindowWidget.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/user/Menu.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowRecord.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

namespace
{
// Screen readers are told what a window is: a dialog for dialogs, a window for the others
// (Qt would call either a plain client area, which readers skip as filler).
QAccessibleInterface* WindowAccessible(const QString&, QObject* object)
{
    auto* window = dynamic_cast<CWindowWidget*>(object);
    if (!window)
        return nullptr;
    const CWindowRecord* record = layer::FindWindow(window);
    const bool dialog = record && record->m_className == "#32770";
    return new QAccessibleWidget(window, dialog ? QAccessible::Dialog : QAccessible::Window);
}
} // namespace

CWindowWidget::CWindowWidget(QWidget* owner, Qt::WindowFlags flags) : QWidget(owner, flags)
{
    layer::EnableSystemMenus();
    static const bool installed = (QAccessible::installFactory(WindowAccessible), true);
    (void)installed;
}

bool CWindowWidget::IsDialog() const
{
    const CWindowRecord* record = layer::FindWindow(this);
    return record && record->m_className == "#32770";
}

void CWindowWidget::paintEvent(QPaintEvent*)
{
    const HWND hWnd = HwndFromWidget(this);
    if (!hWnd)
        return;
    QPainter painter(this);
    layer::PushPaintContext(hWnd, &painter);
    SendMessageA(hWnd, WM_PAINT, 0, 0);
    layer::PopPaintContext(hWnd);
}

void CWindowWidget::closeEvent(QCloseEvent* event)
{
    const HWND hWnd = HwndFromWidget(this);
    if (!hWnd)
        return;
    // The window decides for itself, through its WM_SYSCOMMAND and WM_CLOSE handling.
    event->ignore();
    SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CWindowWidget::keyPressEvent(QKeyEvent* event)
{
    if (!IsDialog())
    {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key())
    {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        PressEnter();
        break;
    case Qt::Key_Escape:
        PressEscape();
        break;
    case Qt::Key_F1:
        PressHelp();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CWindowWidget::PressEnter()
{
    const HWND hDlg = HwndFromWidget(this);
    // A focused push button takes Enter; otherwise the default button, or IDOK without one.
    int id = IDOK;
    const CWindowRecord* focus = layer::FindWindow(QApplication::focusWidget());
    if (focus && focus->m_className == "Button" && focus->m_hWndParent == hDlg &&
        (focus->m_style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON)
        id = focus->m_nID;
    else if (const LRESULT def = SendMessageA(hDlg, DM_GETDEFID, 0, 0); HIWORD(def) != 0)
        id = LOWORD(def);
    const HWND hCtl = GetDlgItem(hDlg, id);
    if (hCtl && !IsWindowEnabled(hCtl))
        return;
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), hCtl.value);
}

void CWindowWidget::PressEscape()
{
    const HWND hDlg = HwndFromWidget(this);
    const HWND hCancel = GetDlgItem(hDlg, IDCANCEL);
    if (hCancel && !IsWindowEnabled(hCancel))
        return;
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), hCancel.value);
}

void CWindowWidget::PressHelp()
{
    const HWND hDlg = HwndFromWidget(this);
    HELPINFO info;
    info.iContextType = HELPINFO_WINDOW;
    const CWindowRecord* focus = layer::FindWindow(QApplication::focusWidget());
    const CWindowRecord* about = focus ? focus : layer::FindWindow(this);
    if (about)
    {
        info.iCtrlId = about->m_nID;
        info.hItemHandle = handle_cast<HANDLE>(about->Handle());
    }
    const QPoint cursor = QCursor::pos();
    info.MousePos = POINT{cursor.x(), cursor.y()};
    SendMessageA(hDlg, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}
