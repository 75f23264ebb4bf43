#include "platform/mfc/WinApp.h"

#include "platform/kernel/WinBase.h"

#include <QApplication>
#include <cstdlib>
#include <utility>

namespace
{
CWinApp* g_app = nullptr;
constexpr HINSTANCE kInstance(1);

std::vector<std::string>& CommandLine()
{
    static std::vector<std::string> parameters;
    return parameters;
}

std::string NameFromModule()
{
    std::string name = layer::ModuleFileName();
    name = name.substr(name.rfind('\\') + 1);
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}
} // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName) : m_hInstance(kInstance)
{
    if (lpszAppName)
    {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName.c_str();
        m_bExplicitName = true;
    }
    // The first application object is the application; later ones (in tests) are not.
    if (!g_app)
        g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

void CWinApp::SetAppName()
{
    if (m_bExplicitName)
        return;
    m_strAppName = NameFromModule();
    m_pszAppName = m_strAppName.c_str();
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

int CWinApp::Run()
{
    QApplication::exec();
    return ExitInstance();
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    const std::vector<std::string>& parameters = CommandLine();
    bool bOptionsEnded = false;
    for (std::size_t i = 0; i < parameters.size(); ++i)
    {
        const std::string& param = parameters[i];
        const BOOL bLast = i + 1 == parameters.size();
        if (!bOptionsEnded && param == "--")
        {
            bOptionsEnded = true;
            continue;
        }
        const bool bFlag = !bOptionsEnded && param.size() > 1 && param[0] == '-';
        rCmdInfo.ParseParam(param.c_str() + (bFlag ? 1 : 0), bFlag, bLast);
    }
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCE(static_cast<WORD>(nIDResource)));
}

BOOL CWinApp::Enable3dControls()
{
    // Qt's style already gives standard controls their three-dimensional look.
    return TRUE;
}

void CWinApp::OnHelp()
{
    // No help file is set for the framework's own help command.
}

void layer::SetCommandLine(std::vector<std::string> parameters)
{
    CommandLine() = std::move(parameters);
}

CWinApp* AfxGetApp()
{
    return g_app;
}

LPCSTR AfxGetAppName()
{
    if (!g_app)
    {
        static std::string name;
        name = NameFromModule();
        return name.c_str();
    }
    g_app->SetAppName();
    return g_app->m_pszAppName;
}

HINSTANCE AfxGetInstanceHandle()
{
    return kInstance;
}

HINSTANCE AfxGetResourceHandle()
{
    return kInstance;
}
