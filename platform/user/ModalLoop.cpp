#include "platform/user/ModalLoop.h"

#include <QEventLoop>
#include <QWidget>

namespace
{
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
