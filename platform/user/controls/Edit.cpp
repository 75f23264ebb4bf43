// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/controls/Controls.h"

#include "platform/user/DefWindowProc.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cmath>

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

// At a fractional scale (1.25x, 1.5x) the style's frame of a multi-line edit lands on
// fractional device positions: the widget's clip cuts its top and left lines off, and the
// viewport and scroll bar cover the others. There the edit drops the style's frame and this
// child, kept on top, draws it on the device pixels the edit really covers, rounded the way
// Qt rounds a widget's rect in its window.
class CDevicePixelFrame : public QWidget
{
public:
    explicit CDevicePixelFrame(QPlainTextEdit* edit) : QWidget(edit), m_edit(edit)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        edit->installEventFilter(this);
        setGeometry(edit->rect());
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type())
        {
        case QEvent::Show:
        case QEvent::ScreenChangeInternal:
            UseFrameFor(m_edit->devicePixelRatioF());
            break;
        case QEvent::Resize:
            setGeometry(m_edit->rect());
            raise();
            break;
        case QEvent::ChildAdded:
            raise();
            break;
        default:
            break;
        }
        return false;
    }

    void paintEvent(QPaintEvent*) override
    {
        const qreal ratio = devicePixelRatioF();
        if (!Fractional(ratio))
            return;
        QPainter painter(this);
        // The widget's origin on the device, exactly, and the pixels Qt lets it paint: its
        // corners in the window, each rounded to the nearest pixel.
        const QPointF origin = painter.deviceTransform().map(QPointF(0, 0));
        const QPoint first = mapTo(window(), QPoint(0, 0));
        const QPoint end = first + QPoint(width(), height());
        const auto pixel = [ratio](int at) { return std::round(at * ratio); };
        const QPointF shift(pixel(first.x()) - first.x() * ratio,
                            pixel(first.y()) - first.y() * ratio);
        const QRectF pixels(origin + shift, QSizeF(pixel(end.x()) - pixel(first.x()) - 1,
                                                   pixel(end.y()) - pixel(first.y()) - 1));
        painter.setTransform(painter.deviceTransform().inverted(), true);
        // The colour the Fusion style gives a frame.
        QPen pen(palette().color(QPalette::Window).darker(140).lighter(108));
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawRect(pixels);
    }

private:
    static bool Fractional(qreal ratio) { return ratio != std::floor(ratio); }

    void UseFrameFor(qreal ratio)
    {
        const bool drawn = Fractional(ratio);
        m_edit->setFrameStyle(drawn ? QFrame::NoFrame : QFrame::StyledPanel | QFrame::Sunken);
        m_edit->setContentsMargins(drawn ? QMargins(1, 1, 1, 1) : QMargins());
        raise();
        update();
    }

    QPlainTextEdit* m_edit;
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
        else
            new CDevicePixelFrame(edit);
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
