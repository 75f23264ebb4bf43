// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppDir.h"

#include "platform/kernel/WinBase.h"

CString ProgramFolder()
{
    const CString strPath(layer::ModuleFileName().c_str());
    return strPath.Left(strPath.ReverseFind('\\'));
}
