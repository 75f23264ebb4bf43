// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/SignalGuard.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <stdexcept>

namespace carvalet
{
namespace
{

constexpr int SLOTS = 8;
constexpr int MAX_SIGNAL = 64;

struct Slot
{
    std::atomic<bool> armed{false};
    std::uint64_t signals = 0;
    SignalAction action = nullptr;
    SignalAction resumed = nullptr;
    void* context = nullptr;
};

std::array<Slot, SLOTS> g_slots;
// Per signal: how many guards use it, and what it did before the first of them.
std::array<int, MAX_SIGNAL> g_users{};
std::array<struct sigaction, MAX_SIGNAL> g_previous{};
std::mutex g_lock;

std::uint64_t Bit(int signal)
{
    return std::uint64_t{1} << signal;
}

bool IsStop(int signal)
{
    return signal == SIGTSTP || signal == SIGTTIN || signal == SIGTTOU;
}

extern "C" void OnSignal(int signal, siginfo_t* info, void* context);

struct sigaction OurAction()
{
    struct sigaction action
    {
    };
    action.sa_sigaction = OnSignal;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    // Restoring the terminal from a background job must not stop the job.
    sigaddset(&action.sa_mask, SIGTTOU);
    return action;
}

void RunActions(int signal, bool resumed)
{
    for (int i = SLOTS - 1; i >= 0; --i)
    {
        Slot& slot = g_slots[static_cast<std::size_t>(i)];
        if (!slot.armed.load(std::memory_order_acquire) || (slot.signals & Bit(signal)) == 0)
        {
            continue;
        }
        if (SignalAction act = resumed ? slot.resumed : slot.action)
        {
            act(slot.context);
        }
    }
}

extern "C" void OnSignal(int signal, siginfo_t* info, void* context)
{
    const int savedErrno = errno;
    RunActions(signal, false);
    const struct sigaction& previous = g_previous[static_cast<std::size_t>(signal)];
    if (previous.sa_flags & SA_SIGINFO)
    {
        previous.sa_sigaction(signal, info, context);
    }
    else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN)
    {
        previous.sa_handler(signal);
    }
    else if (IsStop(signal))
    {
        // Stop now, as the default would; on continuing, take the signal over again.
        ::sigaction(signal, &previous, nullptr);
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, signal);
        ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
        ::raise(signal);
        ::sigprocmask(SIG_BLOCK, &set, nullptr);
        const struct sigaction ours = OurAction();
        ::sigaction(signal, &ours, nullptr);
        RunActions(signal, true);
    }
    else
    {
        // Blocked while this handler runs: the default effect follows its return.
        ::sigaction(signal, &previous, nullptr);
        ::raise(signal);
    }
    errno = savedErrno;
}

void Take(int signal)
{
    const auto index = static_cast<std::size_t>(signal);
    if (g_users[index]++ > 0)
    {
        return;
    }
    const struct sigaction ours = OurAction();
    ::sigaction(signal, &ours, &g_previous[index]);
    if (!(g_previous[index].sa_flags & SA_SIGINFO) && g_previous[index].sa_handler == SIG_IGN)
    {
        ::sigaction(signal, &g_previous[index], nullptr);
    }
}

void Release(int signal)
{
    const auto index = static_cast<std::size_t>(signal);
    if (--g_users[index] == 0)
    {
        ::sigaction(signal, &g_previous[index], nullptr);
    }
}

} // namespace

SignalGuard::SignalGuard(std::initializer_list<int> signals, SignalAction action, void* context,
                         SignalAction resumed)
    : SignalGuard(std::vector<int>(signals), action, context, resumed)
{
}

std::vector<int> EndingSignals()
{
    std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT,
                                SIGBUS,  SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGPIPE,
                                SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM,
                                SIGPROF, SIGIO,   SIGPWR,    SIGSYS};
    for (int signal = SIGRTMIN; signal <= SIGRTMAX && signal < MAX_SIGNAL; ++signal)
    {
        signals.push_back(signal);
    }
    return signals;
}

SignalGuard::SignalGuard(const std::vector<int>& signals, SignalAction action, void* context,
                         SignalAction resumed)
{
    const std::lock_guard lock(g_lock);
    for (int i = 0; i < SLOTS; ++i)
    {
        Slot& slot = g_slots[static_cast<std::size_t>(i)];
        if (slot.signals != 0)
        {
            continue;
        }
        for (const int signal : signals)
        {
            if (signal <= 0 || signal >= MAX_SIGNAL)
            {
                throw std::invalid_argument("SignalGuard: no such signal");
            }
            slot.signals |= Bit(signal);
        }
        slot.action = action;
        slot.resumed = resumed;
        slot.context = context;
        slot.armed.store(true, std::memory_order_release);
        for (int signal = 1; signal < MAX_SIGNAL; ++signal)
        {
            if (slot.signals & Bit(signal))
            {
                Take(signal);
            }
        }
        m_slot = i;
        return;
    }
    throw std::length_error("SignalGuard: too many at once");
}

SignalGuard::~SignalGuard()
{
    const std::lock_guard lock(g_lock);
    Slot& slot = g_slots[static_cast<std::size_t>(m_slot)];
    slot.armed.store(false, std::memory_order_release);
    for (int signal = 1; signal < MAX_SIGNAL; ++signal)
    {
        if (slot.signals & Bit(signal))
        {
            Release(signal);
        }
    }
    slot.signals = 0;
}

} // namespace carvalet
