// SPDX-License-Identifier: GPL-3.0-or-later
// Files dropped on a window that accepts them (WS_EX_ACCEPTFILES) reach it as WM_DROPFILES,
// whose wParam is an HDROP naming the files. Other drags (text) keep Qt's own handling.
#pragma once

#include "platform/user/WinUser.h"

#include <string>
#include <vector>

class QWidget;

namespace layer
{
// Lets the window behind `widget` take dropped files, or stops it.
void AcceptFileDrops(QWidget* widget, bool accept);

// The drop's files, Windows-style; null for a stale or finished drop.
const std::vector<std::string>* DroppedFiles(HDROP hDrop);
void FinishDrop(HDROP hDrop);

// The local files a drag carries, as native paths byte for byte, from a text/uri-list.
std::vector<std::string> FilesFromUriList(const std::string& uriList);
} // namespace layer
