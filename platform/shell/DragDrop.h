// SPDX-License-Identifier: GPL-3.0-or-later
// Files dropped from the desktop's file manager: a window that accepts them receives
// WM_DROPFILES, whose HDROP names the files until DragFinish.
#pragma once

#include "platform/user/WinUser.h"

// Lets a window take dropped files (the WS_EX_ACCEPTFILES style), or stops it.
void DragAcceptFiles(HWND hWnd, BOOL fAccept);
// iFile 0xFFFFFFFF: the number of files. Otherwise copies file iFile's Windows-style path into
// lpszFile (cut to cch - 1 bytes, zero-terminated) and returns its length; with a null
// buffer, the length it needs without the zero. 0 for a stale drop or a file not in it.
UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch);
void DragFinish(HDROP hDrop);
