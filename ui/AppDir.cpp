#include "ui/AppDir.h"

#include "platform/kernel/WinBase.h"

CString ProgramFolder()
{
    const CString strPath(layer::ModuleFileName().c_str());
    return strPath.Left(strPath.ReverseFind('\\'));
}
