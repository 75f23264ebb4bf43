// SPDX-License-Identifier: GPL-3.0-or-later
// What a window handle names: the Qt widget, the window's class procedure, the procedure that
// has subclassed it (if any), and the little state Win32 keeps per window.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/kernel/HandleTable.h"
#include "platform/user/WinUser.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CWindowRecord;

// The procedure of a window class: what a window does with a message nobody handled.
using CLASSPROC = LRESULT (*)(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam);
// A window procedure installed over the class's (subclassing). It receives every message sent
// to the window, WM_NCDESTROY last, when the window is going away.
using WNDPROC = LRESULT (*)(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

// An outside (ActiveX) control item of a dialog template, kept with its window so that the
// control host can create the real control from it.
struct OleControlItem
{
    UINT nID = 0;
    CLSID clsid{};
    DWORD style = 0;
    // The control's persisted stream from the dialog-init data; empty when it has none.
    std::vector<unsigned char> persisted;
};

class CWindowRecord : public CHandleObject
{
public:
    ~CWindowRecord() override;

    HWND Handle() const { return HWND(m_handle); }

    QPointer<QWidget> m_widget;
    CLASSPROC m_pfnClassProc = nullptr;
    WNDPROC m_pfnWndProc = nullptr;
    std::string m_className;
    int m_nID = 0;
    DWORD m_style = 0;
    DWORD m_exStyle = 0;
    HWND m_hWndParent;
    HWND m_hWndOwner;

    // Dialogs: the dialog font's base units, for dialog-unit conversions.
    SIZE m_baseUnits{};
    // Top-level windows: icons set with WM_SETICON.
    HICON m_hIconBig;
    HICON m_hIconSmall;
    // Statics: the image shown (an HBITMAP or HICON value).
    std::uint32_t m_hImage = 0;
    // Multi-line edits: the bytes last set and what they showed, so unchanged text reads back
    // byte for byte.
    std::string m_setText;
    QString m_shownText;
    std::optional<OleControlItem> m_ole;
    // Outside controls: the container's reference, lent out by GetControlUnknown.
    ComPtr<IUnknown> m_pControlUnknown;
};

namespace layer
{
CWindowRecord* FindWindow(HWND hWnd);
CWindowRecord* FindWindow(const QWidget* widget);
// Registers a widget as a window; the handle goes stale when the widget is destroyed.
CWindowRecord& RegisterWindow(QWidget* widget, CLASSPROC proc, const char* className);
} // namespace layer
