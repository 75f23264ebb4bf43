#include "app/StegoApp.h"

#include "ui/AppDir.h"
#include "ui/StegoDlg.h"

BEGIN_MESSAGE_MAP(CStegoApp, CWinApp)
ON_COMMAND<&CWinApp::OnHelp>(ID_HELP), END_MESSAGE_MAP()

                                           CStegoApp theApp;

CStegoApp::CStegoApp() : CWinApp(nullptr), m_strAppDir("")
{
    m_strAppDir = ProgramFolder();
}

CStegoApp::~CStegoApp() = default;

BOOL CStegoApp::InitInstance()
{
    // Settings (the last folder of the file dialogs) go to ~/.config/carvalet.
    SetRegistryKey("carvalet");
    AfxEnableControlContainer();
    CreateMutexA(nullptr, FALSE, "BrindlemoorCarvalet");
    Enable3dControls();

    CStegoDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
