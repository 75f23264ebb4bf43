// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/kernel/Unhandled.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>
#include <tuple>

void layer::ReportUnhandled([[maybe_unused]] const char* place, [[maybe_unused]] UnhandledKind kind,
                            [[maybe_unused]] long value)
{
#ifndef NDEBUG
    static std::mutex lock;
    static std::set<std::tuple<std::string, UnhandledKind, long>> reported;
    const std::lock_guard<std::mutex> guard(lock);
    if (!reported.emplace(place, kind, value).second)
        return;
    if (kind == UnhandledKind::Message)
        std::fprintf(stderr, "carvalet: %s: message 0x%04lX not handled\n", place, value);
    else
        std::fprintf(stderr, "carvalet: %s: index %ld not handled\n", place, value);
#endif
}
