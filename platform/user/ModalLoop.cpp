// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/user/ModalLoop.h"

#include <QEventLoop>
#include <QWidget>
#include <QWindow>

namespace
{
// A modal window belongs to the window it was opened from: transient for it, so that every
// window manager and Wayland compositor keeps it above its owner and places it there, with
// the title bar of a dialog (a close box, no minimise or maximise).
void MakeTransient(QWidget* widget)
{
    if (!widget->isWindow())
        return;
    QWidget* owner = widget->parentWidget() ? widget->parentWidget()->window() : nullptr;
    Qt::WindowFlags flags = widget->windowFlags();
    if ((flags & Qt::WindowType_Mask) == Qt::Dialog)
    {
        if (!(flags & Qt::CustomizeWindowHint))
            flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                     Qt::WindowCloseButtonHint;
        flags &= ~(Qt::WindowMinMaxButtonsHint | Qt::WindowContextHelpButtonHint);
    }
    if (flags != widget->windowFlags())
        widget->setWindowFlags(flags);
    if (!owner || !owner->isVisible())
        return;
    widget->winId(); // makes the native window, so it can name its owner before it maps
    if (QWindow* window = widget->windowHandle())
        window->setTransientParent(owner->windowHandle());
}

ModalHook& Hook()
{
    static ModalHook hook;
    return hook;
}
} // namespace

ModalHook layer::SetModalHook(ModalHook hook)
{
    ModalHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

CModalLoop::CModalLoop(ModalKind kind, QWidget* widget, HWND hWnd)
    : m_context{kind, widget, hWnd, {}, {}}
{
}

CModalLoop::~CModalLoop() = default;

int CModalLoop::Run()
{
    QWidget* widget = m_context.widget;
    if (widget && !m_ended)
    {
        widget->setWindowModality(Qt::ApplicationModal);
        MakeTransient(widget);
        widget->show();
        widget->raise();
        widget->activateWindow();
    }
    if (Hook() && !m_ended)
    {
        // A copy, so that a hook may replace itself while it runs.
        const ModalHook hook = Hook();
        hook(m_context);
    }
    if (!m_ended)
    {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec(QEventLoop::DialogExec);
        m_loop = nullptr;
    }
    return m_result;
}

void CModalLoop::End(int result)
{
    m_result = result;
    m_ended = true;
    if (m_loop)
        m_loop->exit(0);
}
