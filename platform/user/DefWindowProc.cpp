// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/DefWindowProc.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/ImageObject.h"
#include "platform/kernel/Text.h"
#include "platform/kernel/Unhandled.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QWindow>
#include <cstring>

namespace
{
constexpr LRESULT DC_HASDEFID = 0x534B;

QString ToDisplayLines(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string ToWindowsLines(const QString& text)
{
    QString copy = text;
    return layer::TypedText(copy.replace(u'\n', QStringLiteral("\r\n")));
}
} // namespace

// Statics show "&x" as an underlined x unless SS_NOPREFIX; a label shows text as it is.
QString layer::StripPrefix(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        out.append(text[i]);
    }
    return out;
}

LRESULT layer::DefWindowProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    QWidget* widget = record.m_widget.data();
    switch (msg)
    {
    case WM_SETTEXT:
        layer::SetWindowTextBytes(record, lParam ? reinterpret_cast<const char*>(lParam) : "");
        return TRUE;
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(layer::GetWindowTextBytes(record).size());
    case WM_GETTEXT:
    {
        auto* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0)
            return 0;
        const std::string text = layer::GetWindowTextBytes(record);
        const std::size_t n = std::min<std::size_t>(text.size(), wParam - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_CLOSE:
        DestroyWindow(record.Handle());
        return 0;
    case WM_SYSCOMMAND:
        if (!widget)
            return 0;
        switch (wParam & 0xFFF0)
        {
        case SC_CLOSE:
            SendMessageA(record.Handle(), WM_CLOSE, 0, 0);
            break;
        case SC_MOVE:
            // The window manager moves the window; it may refuse without a pointer press.
            if (QWindow* window = widget->windowHandle())
                window->startSystemMove();
            break;
        case SC_MINIMIZE:
            widget->showMinimized();
            break;
        case SC_RESTORE:
            widget->showNormal();
            break;
        default:
            break;
        }
        return 0;
    case WM_SETICON:
    case WM_GETICON:
    {
        HICON& slot = wParam == ICON_BIG ? record.m_hIconBig : record.m_hIconSmall;
        const HICON previous = slot;
        if (msg == WM_SETICON)
        {
            slot = HICON(static_cast<std::uint32_t>(lParam));
            QIcon merged;
            for (HICON h : {record.m_hIconBig, record.m_hIconSmall})
                if (const QIcon* icon = layer::IconFromHandle(h))
                    for (const QSize& size : icon->availableSizes())
                        merged.addPixmap(icon->pixmap(size));
            if (widget)
                widget->setWindowIcon(merged);
        }
        return static_cast<LRESULT>(previous.value);
    }
    case WM_ICONERASEBKGND:
        if (QPainter* painter = layer::PainterFromHdc(HDC(static_cast<std::uint32_t>(wParam)));
            painter && widget)
            painter->fillRect(widget->rect(), widget->palette().window());
        return TRUE;
    case WM_HELP:
    case WM_DROPFILES:
        // A child passes help requests and the files dropped on it up to its parent.
        if (record.m_style & WS_CHILD)
            return SendMessageA(record.m_hWndParent, msg, wParam, lParam);
        return 0;
    case WM_PAINT:
        // Qt has painted the window; nothing is left to validate.
        return 0;
    case WM_COMMAND:
    case WM_NOTIFY:
        // A command or notification nobody handled is dropped, as on Windows.
        return 0;
    default:
        // Messages of the program's own (WM_USER and up) mean nothing to a default procedure.
        if (msg < WM_USER)
            layer::ReportUnhandled("DefWindowProc", layer::UnhandledKind::Message, long(msg));
        return 0;
    }
}

LRESULT layer::DefDlgProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_CLOSE:
    {
        // The close box is the cancel command, unless a disabled cancel button forbids it.
        const HWND hCancel = GetDlgItem(record.Handle(), IDCANCEL);
        if (hCancel && !IsWindowEnabled(hCancel))
            return 0;
        SendMessageA(record.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), hCancel.value);
        return 0;
    }
    case DM_GETDEFID:
        if (!record.m_widget)
            return 0;
        for (QObject* child : record.m_widget->children())
        {
            const CWindowRecord* control = layer::FindWindow(qobject_cast<QWidget*>(child));
            if (control && control->m_className == "Button" &&
                (control->m_style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                return (DC_HASDEFID << 16) | static_cast<WORD>(control->m_nID);
        }
        return 0;
    default:
        return layer::DefWindowProc(record, msg, wParam, lParam);
    }
}

std::string layer::GetWindowTextBytes(CWindowRecord& record)
{
    QWidget* widget = record.m_widget.data();
    if (!widget)
        return {};
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
    {
        const QString shown = edit->toPlainText();
        return shown == record.m_shownText ? record.m_setText : ToWindowsLines(shown);
    }
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        return line->text() == record.m_shownText ? record.m_setText
                                                  : layer::TypedText(line->text());
    if (record.m_className == "Static" || record.m_className == "Button")
        return record.m_setText;
    if (widget->isWindow())
        return layer::QStringToText(widget->windowTitle());
    return record.m_setText;
}

void layer::SetWindowTextBytes(CWindowRecord& record, std::string_view text)
{
    QWidget* widget = record.m_widget.data();
    record.m_setText = std::string(text);
    if (!widget)
        return;
    const QString decoded = layer::TextToQString(text);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
    {
        // As on Windows, a multi-line edit sends no EN_CHANGE for text set by the program.
        const QSignalBlocker quiet(edit);
        edit->setPlainText(ToDisplayLines(decoded));
        record.m_shownText = edit->toPlainText();
    }
    else if (auto* line = qobject_cast<QLineEdit*>(widget))
    {
        line->setText(decoded);
        record.m_shownText = line->text();
    }
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(decoded);
    else if (auto* label = qobject_cast<QLabel*>(widget))
    {
        const DWORD type = record.m_style & SS_TYPEMASK;
        const QString shown = (record.m_style & SS_NOPREFIX) ? decoded : StripPrefix(decoded);
        // An image static shows no text; its text is what screen readers call it.
        if (type == SS_ICON || type == SS_BITMAP)
            label->setAccessibleName(shown);
        else
            label->setText(shown);
    }
    else if (widget->isWindow())
        widget->setWindowTitle(decoded);
}
