// SPDX-License-Identifier: GPL-3.0-or-later
// CWinApp: the one application object, and AfxWinMain, which runs it.
#pragma once

#include "platform/mfc/CmdTarget.h"
#include "platform/mfc/CommandLineInfo.h"
#include "platform/mfc/String.h"
#include "platform/user/WinUser.h"

#include <string>
#include <vector>

class CWnd;

class CWinApp : public CCmdTarget
{
public:
    // Null: the application is named after the executable's file name without extension.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    LPCSTR m_pszAppName = nullptr;
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Runs the application's own message loop; used only when InitInstance returns TRUE.
    virtual int Run();

    // Hands each parameter Qt left on the command line to rCmdInfo. Parameters that begin
    // with '-' are flags, up to a parameter "--"; everything after it is a file name.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);

    HICON LoadIcon(UINT nIDResource) const;
    BOOL Enable3dControls();

    // Settings that outlive the run, in place of the registry: an INI file
    // $XDG_CONFIG_HOME/<registry key>/<profile name>.conf (~/.config without XDG_CONFIG_HOME),
    // one group per section. The profile is named after the application.
    void SetRegistryKey(LPCSTR lpszRegistryKey);
    UINT GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault);
    BOOL WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue);
    // Strings are bytes, returned as they were written. A null value removes the entry, a null
    // entry the whole section.
    CString GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault = nullptr);
    BOOL WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue);
    LPCSTR m_pszRegistryKey = nullptr;

    afx_msg void OnHelp();

    DECLARE_MESSAGE_MAP()

private:
    friend int AfxWinMain(int argc, char* argv[]);
    friend LPCSTR AfxGetAppName();
    void SetAppName();
    std::string m_strAppName;
    std::string m_strRegistryKey;
    bool m_bExplicitName = false;
};

// Shows the busy cursor for as long as it lives, over work the user has to wait for.
class CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    bool m_bShown = false;
};

CWinApp* AfxGetApp();
LPCSTR AfxGetAppName();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// Creates the Qt application, which takes its own options (-platform, -style, ...) from the
// command line, then runs the application object: InitInstance, and Run only when
// InitInstance returns TRUE. ParseCommandLine sees what Qt left.
int AfxWinMain(int argc, char* argv[]);

namespace layer
{
// The parameters ParseCommandLine reads, without the program's name: what Qt left of the
// command line, set by AfxWinMain (and by tests).
void SetCommandLine(std::vector<std::string> parameters);
} // namespace layer
