// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/Wnd.h"

#include "platform/mfc/HandleMap.h"

#include "platform/mfc/DataExchange.h"
#include "platform/mfc/WinApp.h"
#include "platform/user/DefWindowProc.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowRecord.h"

#include <QScreen>
#include <QWidget>

namespace
{
struct CurrentMessage
{
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
thread_local CurrentMessage t_current;

bool IsLiveWindow(HWND hWnd)
{
    return ::IsWindow(hWnd) != FALSE;
}

layer::CHandleMap<CWnd, HWND, &CWnd::m_hWnd>& WindowMap()
{
    static layer::CHandleMap<CWnd, HWND, &CWnd::m_hWnd> map(IsLiveWindow);
    return map;
}
} // namespace

// Every window a CWnd is attached to sends its messages here first.
LRESULT AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = WindowMap().FromHandlePermanent(hWnd);
    if (message == WM_NCDESTROY)
    {
        // The window is going away: the object stays, without its handle.
        if (wnd)
        {
            WindowMap().RemovePermanent(hWnd, wnd);
            wnd->m_hWnd = HWND();
        }
        return 0;
    }
    if (wnd)
        return wnd->WindowProc(message, wParam, lParam);
    CWindowRecord* record = layer::FindWindow(hWnd);
    return record && record->m_pfnClassProc
               ? record->m_pfnClassProc(*record, message, wParam, lParam)
               : 0;
}

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd()
{
    if (m_hWnd && WindowMap().FromHandlePermanent(m_hWnd) == this)
    {
        // A C++ object that dies before its window takes the window with it.
        const HWND hWnd = Detach();
        ::DestroyWindow(hWnd);
    }
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    return WindowMap().FromHandle(hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return WindowMap().FromHandlePermanent(hWnd);
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (m_hWnd || !::IsWindow(hWnd) || !WindowMap().SetPermanent(hWnd, this))
        return FALSE;
    m_hWnd = hWnd;
    // Messages to the window now reach this object first.
    ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
    return TRUE;
}

HWND CWnd::Detach()
{
    const HWND hWnd = m_hWnd;
    if (hWnd && WindowMap().FromHandlePermanent(hWnd) == this)
    {
        WindowMap().RemovePermanent(hWnd, this);
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, 0);
    }
    m_hWnd = HWND();
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    PreSubclassWindow();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    return pParent ? SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID))) : FALSE;
}

BOOL CWnd::DestroyWindow()
{
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::Create(LPCSTR, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, void*)
{
    QWidget* parent = pParentWnd ? WidgetFromHwnd(pParentWnd->m_hWnd) : nullptr;
    if (m_hWnd || !parent)
        return FALSE;
    // Owned by its parent widget.
    auto* widget = new QWidget(parent);
    CWindowRecord& record = layer::RegisterWindow(widget, layer::DefWindowProc, "Window");
    record.m_nID = static_cast<int>(nID);
    record.m_style = dwStyle | WS_CHILD;
    record.m_hWndParent = pParentWnd->m_hWnd;
    widget->setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    Attach(record.Handle());
    SetWindowText(lpszWindowName);
    widget->setVisible((dwStyle & WS_VISIBLE) != 0);
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

int CWnd::GetDlgCtrlID() const
{
    return ::GetDlgCtrlID(m_hWnd);
}

CWnd* CWnd::GetParent() const
{
    return FromHandle(::GetParent(m_hWnd));
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowVisible() const
{
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

CWnd* CWnd::SetFocus()
{
    return FromHandle(::SetFocus(m_hWnd));
}

CWnd* CWnd::GetFocus()
{
    return FromHandle(::GetFocus());
}

DWORD CWnd::GetStyle() const
{
    const CWindowRecord* record = layer::FindWindow(m_hWnd);
    if (!record || !record->m_widget)
        return 0;
    DWORD style = record->m_style & ~(WS_VISIBLE | WS_DISABLED);
    if (!record->m_widget->isHidden())
        style |= WS_VISIBLE;
    if (!record->m_widget->isEnabled())
        style |= WS_DISABLED;
    return style;
}

DWORD CWnd::GetExStyle() const
{
    const CWindowRecord* record = layer::FindWindow(m_hWnd);
    return record ? record->m_exStyle : 0;
}

void CWnd::SetWindowText(LPCSTR lpszString)
{
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpszString ? lpszString : ""));
}

void CWnd::GetWindowText(CString& rString) const
{
    const int length = GetWindowTextLength();
    char* buffer = rString.GetBuffer(length + 1);
    SendMessage(WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(buffer));
    rString.ReleaseBuffer();
}

int CWnd::GetWindowTextLength() const
{
    return static_cast<int>(SendMessage(WM_GETTEXTLENGTH));
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL)
{
    QWidget* widget = WidgetFromHwnd(m_hWnd);
    if (!widget)
        return;
    if (widget->isWindow())
    {
        // A window's rectangle includes its frame, as GetWindowRect gives it.
        const QRect frame = widget->frameGeometry();
        const QRect client = widget->geometry();
        x += client.left() - frame.left();
        y += client.top() - frame.top();
        nWidth -= frame.width() - client.width();
        nHeight -= frame.height() - client.height();
        // A dialog without a sizing border keeps a fixed size: the new one.
        if (widget->minimumSize() == widget->maximumSize())
            widget->setFixedSize(nWidth, nHeight);
    }
    widget->setGeometry(x, y, nWidth, nHeight);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    QWidget* widget = WidgetFromHwnd(m_hWnd);
    if (!widget)
        return;
    QWidget* owner = pAlternateOwner ? WidgetFromHwnd(pAlternateOwner->m_hWnd) : nullptr;
    const QRect area = owner ? owner->frameGeometry() : widget->screen()->availableGeometry();
    widget->move(area.center() - QPoint(widget->width() / 2, widget->height() / 2));
}

void CWnd::Invalidate(BOOL)
{
    if (QWidget* widget = WidgetFromHwnd(m_hWnd))
        widget->update();
}

void CWnd::UpdateWindow()
{
    if (QWidget* widget = WidgetFromHwnd(m_hWnd))
        widget->repaint();
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return HICON(static_cast<std::uint32_t>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, hIcon.value)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const
{
    return HICON(
        static_cast<std::uint32_t>(SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL)));
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType)
{
    return ::MessageBoxA(m_hWnd, lpszText, lpszCaption ? lpszCaption : AfxGetAppName(), nType);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    try
    {
        DoDataExchange(&dx);
    }
    catch (const CDataExchange::Failure&)
    {
        return FALSE;
    }
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    const CurrentMessage saved = t_current;
    t_current = {message, wParam, lParam};
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    t_current = saved;
    return result;
}

LRESULT CWnd::Default()
{
    return DefWindowProc(t_current.message, t_current.wParam, t_current.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindowRecord* record = layer::FindWindow(m_hWnd);
    if (!record || !record->m_pfnClassProc)
        return 0;
    return record->m_pfnClassProc(*record, message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND)
    {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        *pResult = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY)
    {
        LRESULT result = 0;
        if (!OnNotify(wParam, lParam, &result))
            return FALSE;
        *pResult = result;
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), message, 0, 0);
    if (!entry)
        return FALSE;
    *pResult = entry->pfn(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM)
{
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header)
        return FALSE;
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), WM_NOTIFY, header->code,
                                                     static_cast<UINT>(header->idFrom));
    if (!entry)
        return FALSE;
    entry->pfn(this, reinterpret_cast<WPARAM>(pResult), lParam);
    return TRUE;
}

void CWnd::OnPaint()
{
    Default();
}

void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}

void CWnd::OnClose()
{
    Default();
}

BOOL CWnd::OnHelpInfo(HELPINFO*)
{
    return static_cast<BOOL>(Default());
}
