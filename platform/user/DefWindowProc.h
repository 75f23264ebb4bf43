// SPDX-License-Identifier: GPL-3.0-or-later
// What a window does with a message nobody handled: the default procedure of every window
// (DefWindowProc) and of dialogs (DefDlgProc), and a window's text as bytes.
#pragma once

#include "platform/user/WindowRecord.h"

#include <string>
#include <string_view>

namespace layer
{
LRESULT DefWindowProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefDlgProc(CWindowRecord& record, UINT msg, WPARAM wParam, LPARAM lParam);

std::string GetWindowTextBytes(CWindowRecord& record);
// "&Open" -> "Open": the text a static shows for its "&" marks ("&&" shows one "&").
QString StripPrefix(const QString& text);
void SetWindowTextBytes(CWindowRecord& record, std::string_view text);
} // namespace layer
