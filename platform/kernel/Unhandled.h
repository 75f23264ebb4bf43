// SPDX-License-Identifier: GPL-3.0-or-later
// The layer grows only as far as the program needs it. Where it answers a message or an index
// it does not implement, a debug build says so once on standard error, so that the missing
// behaviour is seen the first time a caller needs it instead of as a silent zero.
#pragma once

namespace layer
{
enum class UnhandledKind
{
    Message, // written in hexadecimal, as message numbers are
    Index,
};

// "carvalet: GetSystemMetrics: index 95 not handled", once per place, kind and value; nothing
// in a release build.
void ReportUnhandled(const char* place, UnhandledKind kind, long value);
} // namespace layer
