#include "AppDir.h"

#include "WinBase.h"

CString ProgramFolder()
{
    const CString strPath(AfxModuleFileName().c_str());
    return strPath.Left(strPath.ReverseFind('\\'));
}
