// SPDX-License-Identifier: GPL-3.0-or-later
// Modal loops, and the hook that tests use to act on a modal window while it runs.
//
// The hook is called once each modal window is shown and its loop is about to run, before any
// event is processed. It may act at once (click, type, end the loop) or schedule work for
// when the loop runs (a zero-time timer). Production code never installs a hook.
#pragma once

#include "platform/user/WinUser.h"

#include <functional>
#include <string>

class QWidget;
class QEventLoop;

enum class ModalKind
{
    Dialog,
    MessageBox,
    FileDialog
};

struct ModalContext
{
    ModalKind kind;
    QWidget* widget;
    // The modal window's handle (dialogs), else null.
    HWND hWnd;
    // Message boxes: their text and caption as the program passed them.
    std::string text;
    std::string caption;
};

using ModalHook = std::function<void(const ModalContext&)>;
namespace layer
{
// Installs a hook (an empty one removes it); returns the previous one.
ModalHook SetModalHook(ModalHook hook);
} // namespace layer

// Runs `widget` modally until End is called. Re-entrant: modal windows open modal windows.
class CModalLoop
{
public:
    CModalLoop(ModalKind kind, QWidget* widget, HWND hWnd = HWND());
    ~CModalLoop();
    CModalLoop(const CModalLoop&) = delete;
    CModalLoop& operator=(const CModalLoop&) = delete;

    ModalContext& Context() { return m_context; }
    // Shows the window, calls the hook and runs until End.
    int Run();
    void End(int result);
    bool Ended() const { return m_ended; }

private:
    ModalContext m_context;
    QEventLoop* m_loop = nullptr;
    bool m_ended = false;
    int m_result = -1;
};
