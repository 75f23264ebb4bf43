// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/DragDrop.h"

#include "platform/user/DropFiles.h"
#include "platform/user/QtBridge.h"
#include "platform/user/WindowRecord.h"

#include <algorithm>
#include <cstring>

void DragAcceptFiles(HWND hWnd, BOOL fAccept)
{
    CWindowRecord* record = layer::FindWindow(hWnd);
    if (!record)
        return;
    record->m_exStyle =
        fAccept ? record->m_exStyle | WS_EX_ACCEPTFILES : record->m_exStyle & ~WS_EX_ACCEPTFILES;
    layer::AcceptFileDrops(record->m_widget.data(), fAccept != FALSE);
}

UINT DragQueryFileA(HDROP hDrop, UINT iFile, LPSTR lpszFile, UINT cch)
{
    const std::vector<std::string>* files = layer::DroppedFiles(hDrop);
    if (!files)
        return 0;
    if (iFile == 0xFFFFFFFF)
        return static_cast<UINT>(files->size());
    if (iFile >= files->size())
        return 0;
    const std::string& file = (*files)[iFile];
    if (!lpszFile)
        return static_cast<UINT>(file.size());
    if (cch == 0)
        return 0;
    const std::size_t n = std::min<std::size_t>(file.size(), cch - 1);
    std::memcpy(lpszFile, file.data(), n);
    lpszFile[n] = '\0';
    return static_cast<UINT>(n);
}

void DragFinish(HDROP hDrop)
{
    layer::FinishDrop(hDrop);
}
