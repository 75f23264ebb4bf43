#include "AppDir.h"

#include "WinBase.h"

#include <vector>

CString ProgramFolder()
{
    // Grow past MAX_PATH when the path does not fit: folders here can be deep.
    std::vector<char> path(MAX_PATH);
    while (GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())) == path.size())
        path.resize(path.size() * 2);
    const CString strPath(path.data());
    return strPath.Left(strPath.ReverseFind('\\'));
}
