// SPDX-License-Identifier: GPL-3.0-or-later
// Standard output and standard error, written in full or remembered as failed, so that a tool
// whose output was lost (a full disk, /dev/full) never reports success.
#pragma once

#include <string_view>

void PrintOut(std::string_view text);
void PrintError(std::string_view text);
// Whether any write to standard output or standard error failed.
bool OutputFailed();
