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
void SetWindowTextBytes(CWindowRecord& record, std::string_view text);
} // namespace layer
