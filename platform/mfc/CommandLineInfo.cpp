// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/CommandLineInfo.h"

#include "platform/kernel/Text.h"

#include <filesystem>
#include <system_error>

void CCommandLineInfo::ParseParam(LPCSTR pszParam, BOOL bFlag, BOOL)
{
    if (bFlag || pszParam == nullptr || *pszParam == '\0' || !m_strFileName.IsEmpty())
        return;
    // Relative to the folder the program was started in, as a file dialog would give it.
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(pszParam, error);
    if (error)
        path = pszParam;
    m_strFileName = layer::WindowsPath(path.string()).c_str();
    m_nShellCommand = FileOpen;
}
