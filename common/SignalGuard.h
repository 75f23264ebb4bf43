// SPDX-License-Identifier: GPL-3.0-or-later
// Clean-up that must happen even when the process is ended or stopped by a signal: a temporary
// file removed, the terminal's echo restored.
#pragma once

#include <initializer_list>
#include <vector>

namespace carvalet
{

// Runs inside a signal handler: only async-signal-safe calls.
using SignalAction = void (*)(void* context);

// While a guard lives, its action runs when one of its signals arrives, and then the signal
// has the effect it had before: the process ends or stops, or the handler installed before
// runs. A signal that was ignored stays ignored and never runs the action. After a stop,
// `resumed` (if any) runs once the process continues.
class SignalGuard
{
public:
    SignalGuard(std::initializer_list<int> signals, SignalAction action, void* context,
                SignalAction resumed = nullptr);
    SignalGuard(const std::vector<int>& signals, SignalAction action, void* context,
                SignalAction resumed = nullptr);
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

private:
    int m_slot = -1;
};

// Every signal a handler can catch whose default ends the process (real-time ones included, as
// far as a guard can take them).
std::vector<int> EndingSignals();

} // namespace carvalet
