// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StegoApp.h"

#include "ui/AppDir.h"
#include "ui/StegoDlg.h"

// clang-format off
BEGIN_MESSAGE_MAP(CStegoApp, CWinApp)
ON_COMMAND<&CWinApp::OnHelp>(ID_HELP),
END_MESSAGE_MAP()

CStegoApp theApp;
// clang-format on

CStegoApp::CStegoApp() : CWinApp(nullptr), m_strAppDir("")
{
    m_strAppDir = ProgramFolder();
}

CStegoApp::~CStegoApp() = default;

BOOL CStegoApp::InitInstance()
{
    AfxEnableControlContainer();
    CreateMutexA(nullptr, FALSE, "BrindlemoorCarvalet");
    Enable3dControls();
    // The few choices remembered between runs (whether to seal, the file dialogs' last folder)
    // live under the maker's name.
    SetRegistryKey("Brindlemoor");

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);

    CStegoDlg dlg;
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen)
        dlg.OpenImageOnStart(cmdInfo.m_strFileName);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
