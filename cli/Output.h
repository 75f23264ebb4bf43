// SPDX-License-Identifier: GPL-3.0-or-later
// Standard output and standard error, written in full or remembered as failed, so that a tool
// whose output was lost (a full disk, /dev/full) never reports success.
#pragma once

#include <string>
#include <string_view>

void PrintOut(std::string_view text);
void PrintError(std::string_view text);
// Whether any write to standard output or standard error failed.
bool OutputFailed();
// Why the first failed write to standard output failed; empty when none did.
std::string OutputFailure();

// A file name as it can be shown on a terminal: as it is when it holds no control character,
// else quoted as a shell quotes it ($'a\nb'), so that no escape sequence reaches the terminal.
std::string ShownName(const std::string& name);
// Standard base64, with padding.
std::string Base64(std::string_view bytes);
