#include "StegoApp.h"

#include "StegoDlg.h"

#include <vector>

BEGIN_MESSAGE_MAP(CStegoApp, CWinApp)
ON_COMMAND<&CWinApp::OnHelp>(ID_HELP),
END_MESSAGE_MAP()

CStegoApp theApp;

CStegoApp::CStegoApp() : CWinApp(nullptr), m_strAppDir("")
{
    // Grow past MAX_PATH when the path does not fit: folders here can be deep.
    std::vector<char> path(MAX_PATH);
    while (GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())) ==
           path.size())
        path.resize(path.size() * 2);
    m_strAppDir = path.data();
    m_strAppDir = m_strAppDir.Left(m_strAppDir.ReverseFind('\\'));
}

CStegoApp::~CStegoApp() = default;

BOOL CStegoApp::InitInstance()
{
    AfxEnableControlContainer();
    CreateMutexA(nullptr, FALSE, "BrindlemoorCarvalet");
    Enable3dControls();

    CStegoDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
