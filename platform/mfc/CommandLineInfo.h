// SPDX-License-Identifier: GPL-3.0-or-later
// CCommandLineInfo: what the application's command line asks for, filled by
// CWinApp::ParseCommandLine one parameter at a time.
#pragma once

#include "platform/kernel/WinTypes.h"
#include "platform/mfc/String.h"

class CCommandLineInfo
{
public:
    CCommandLineInfo() = default;
    virtual ~CCommandLineInfo() = default;
    CCommandLineInfo(const CCommandLineInfo&) = delete;
    CCommandLineInfo& operator=(const CCommandLineInfo&) = delete;

    // pszParam comes without its leading '-' when bFlag is TRUE. Flags are for the framework's
    // own commands, none of which exist here, so every flag is ignored. The first other
    // parameter is the file to open, kept as a full Windows-style path.
    virtual void ParseParam(LPCSTR pszParam, BOOL bFlag, BOOL bLast);

    enum
    {
        FileNew,
        FileOpen,
        FileNothing = -1
    } m_nShellCommand = FileNew;
    CString m_strFileName;
};
