// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/controls/Controls.h"

#include "platform/user/DefWindowProc.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

namespace
{
// Win32's rule: an end of -1 (or past the text) is the text's end, a start of -1 drops the
// selection; the caret goes to the end.
void SetSelection(QWidget* widget, int start, int end)
{
    if (auto* line = qobject_cast<QLineEdit*>(widget))
    {
        const int length = static_cast<int>(line->text().size());
        if (start < 0)
            line->deselect();
        else if (const int to = end < 0 || end > length ? length : end; to > start)
            line->setSelection(std::min(start, length), to - std::min(start, length));
        else
            line->setCursorPosition(std::min(start, length));
    }
    else if (auto* text = qobject_cast<QPlainTextEdit*>(widget))
    {
        QTextCursor cursor = text->textCursor();
        const int last = cursor.document()->characterCount() - 1;
        if (start >= 0)
        {
            cursor.setPosition(std::min(start, last));
            cursor.setPosition(end < 0 || end > last ? last : end, QTextCursor::KeepAnchor);
        }
        else
            cursor.clearSelection();
        text->setTextCursor(cursor);
    }
}

LRESULT EditProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case EM_SETSEL:
        SetSelection(record.m_widget.data(), static_cast<int>(wParam), static_cast<int>(lParam));
        return 0;
    case EM_LIMITTEXT:
        if (auto* line = qobject_cast<QLineEdit*>(record.m_widget.data()))
            line->setMaxLength(wParam ? static_cast<int>(wParam) : 0x7FFFFFFE);
        return 0;
    default:
        return layer::DefWindowProc(record, msg, wParam, lParam);
    }
}

// A multi-line edit without the want-return style hands Enter to its dialog.
class CEnterToDialog : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & Qt::ControlModifier))
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !widget->window())
            return false;
        QKeyEvent copy(QEvent::KeyPress, key->key(), key->modifiers());
        QApplication::sendEvent(widget->window(), &copy);
        return true;
    }
};

QWidget* MakeEdit(const DialogItem& item, QWidget* parent)
{
    if (item.style & ES_MULTILINE)
    {
        auto* edit = new QPlainTextEdit(parent);
        edit->setTabChangesFocus(true);
        edit->setVerticalScrollBarPolicy((item.style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                   : Qt::ScrollBarAsNeeded);
        const bool wraps = !(item.style & (ES_AUTOHSCROLL | WS_HSCROLL));
        edit->setLineWrapMode(wraps ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        if (!(item.style & ES_WANTRETURN))
            edit->installEventFilter(new CEnterToDialog(edit));
        if (!(item.exStyle & WS_EX_CLIENTEDGE) && !(item.style & WS_BORDER))
            edit->setFrameShape(QFrame::NoFrame);
        return edit;
    }
    auto* edit = new QLineEdit(parent);
    edit->setEchoMode((item.style & ES_PASSWORD) ? QLineEdit::Password : QLineEdit::Normal);
    edit->setFrame((item.style & WS_BORDER) || (item.exStyle & WS_EX_CLIENTEDGE));
    return edit;
}

// Typing, and text set by the program, tell the parent with EN_CHANGE.
void ConnectEdit(CWindowRecord& record)
{
    const HWND hCtl = record.Handle();
    auto notify = [hCtl] { layer::SendCommand(hCtl, EN_CHANGE); };
    if (auto* text = qobject_cast<QPlainTextEdit*>(record.m_widget.data()))
        QObject::connect(text, &QPlainTextEdit::textChanged, notify);
    else if (auto* line = qobject_cast<QLineEdit*>(record.m_widget.data()))
        QObject::connect(line, &QLineEdit::textChanged, notify);
}
} // namespace

const layer::ControlClass layer::kEditClass = {"Edit", MakeEdit, EditProc, ConnectEdit};
