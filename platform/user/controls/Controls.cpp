// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/controls/Controls.h"

#include "platform/user/DefWindowProc.h"
#include "platform/user/DropFiles.h"
#include "platform/user/OleControls.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WinUser.h"

#include <QWidget>
#include <cstdlib>
#include <cstring>

namespace
{
const layer::ControlClass* const kClasses[] = {&layer::kButtonClass, &layer::kStaticClass,
                                               &layer::kEditClass, &layer::kTabControlClass};

const layer::ControlClass* FindClass(const char* name)
{
    for (const layer::ControlClass* c : kClasses)
        if (name && std::strcmp(c->name, name) == 0)
            return c;
    return nullptr;
}

Qt::FocusPolicy FocusPolicyOf(const DialogItem& item)
{
    if (item.style & WS_TABSTOP)
        return Qt::StrongFocus;
    if (item.windowClass && std::strcmp(item.windowClass, "Static") == 0)
        return Qt::NoFocus;
    return Qt::ClickFocus;
}

// An outside control's window: made by the container's factory, with the default procedure.
QWidget* MakeOleControl(const DialogItem& item, QWidget* parent,
                        std::span<const unsigned char> persisted, OleControlItem& ole,
                        OleControlSite& site)
{
    if (!item.clsid || !layer::OleControlsEnabled())
        return nullptr;
    ole.nID = static_cast<UINT>(item.id);
    ole.clsid = *item.clsid;
    ole.style = item.style;
    ole.persisted.assign(persisted.begin(), persisted.end());
    site = layer::CreateOleControl(ole, parent);
    return site.widget;
}
} // namespace

void layer::SendCommand(HWND hCtl, WORD code)
{
    CWindowRecord* record = layer::FindWindow(hCtl);
    if (!record)
        return;
    SendMessageA(record->m_hWndParent, WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(record->m_nID), code), hCtl.value);
}

HWND layer::CreateDialogControl(const DialogItem& item, const RECT& px, HWND hDlg,
                                std::span<const unsigned char> persisted)
{
    QWidget* parent = WidgetFromHwnd(hDlg);
    if (!parent)
        return HWND();
    // Widgets are owned by their dialog's widget.
    const ControlClass* controlClass = FindClass(item.windowClass);
    OleControlItem ole;
    OleControlSite site;
    QWidget* widget = nullptr;
    if (!item.windowClass)
        widget = MakeOleControl(item, parent, persisted, ole, site);
    else if (controlClass)
        widget = controlClass->make(item, parent);
    if (!widget)
        return HWND();

    CWindowRecord& record =
        layer::RegisterWindow(widget, controlClass ? controlClass->proc : layer::DefWindowProc,
                              controlClass ? controlClass->name : "ActiveX");
    record.m_nID = item.id;
    record.m_style = item.style | WS_CHILD;
    record.m_exStyle = item.exStyle;
    record.m_hWndParent = hDlg;
    if (!item.windowClass)
    {
        record.m_ole = std::move(ole);
        record.m_pControlUnknown = std::move(site.unknown);
    }
    widget->setObjectName(QStringLiteral("control%1").arg(item.id));
    widget->setGeometry(px.left, px.top, px.right - px.left, px.bottom - px.top);
    widget->setFocusPolicy(FocusPolicyOf(item));
    widget->setEnabled(!(item.style & WS_DISABLED));

    const HWND hCtl = record.Handle();
    if (controlClass == &kStaticClass && (item.style & SS_TYPEMASK) == SS_ICON && item.text &&
        item.text[0] == '#')
    {
        const HICON icon =
            LoadIconA(HINSTANCE(), MAKEINTRESOURCE(static_cast<WORD>(std::atoi(item.text + 1))));
        SendMessageA(hCtl, STM_SETICON, icon.value, 0);
    }
    else if (item.text)
        layer::SetWindowTextBytes(record, item.text);
    if (controlClass && controlClass->connect)
        controlClass->connect(record);
    if (item.exStyle & WS_EX_ACCEPTFILES)
        layer::AcceptFileDrops(widget, true);
    widget->setVisible((item.style & WS_VISIBLE) != 0);
    return hCtl;
}
