// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/WinApp.h"

#include "platform/kernel/Text.h"
#include "platform/kernel/WinBase.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <cstdlib>
#include <memory>
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

QString ConfigFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
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

void CWinApp::SetRegistryKey(LPCSTR lpszRegistryKey)
{
    m_strRegistryKey = lpszRegistryKey ? lpszRegistryKey : "";
    m_pszRegistryKey = m_strRegistryKey.c_str();
}

namespace
{
// The path is worked out on every use, so a changed XDG_CONFIG_HOME is followed.
std::unique_ptr<QSettings> OpenProfile(const std::string& registryKey, LPCSTR appName)
{
    QString path = ConfigFolder();
    if (!registryKey.empty())
        path += u'/' + QString::fromUtf8(registryKey.c_str());
    path += u'/' + QString::fromUtf8(appName) + QStringLiteral(".conf");
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

QString ProfileKey(LPCSTR lpszSection, LPCSTR lpszEntry)
{
    return QString::fromUtf8(lpszSection) + u'/' + QString::fromUtf8(lpszEntry);
}
} // namespace

UINT CWinApp::GetProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nDefault)
{
    SetAppName();
    const auto profile = OpenProfile(m_strRegistryKey, m_pszAppName);
    bool ok = false;
    const int value = profile->value(ProfileKey(lpszSection, lpszEntry)).toInt(&ok);
    return static_cast<UINT>(ok ? value : nDefault);
}

BOOL CWinApp::WriteProfileInt(LPCSTR lpszSection, LPCSTR lpszEntry, int nValue)
{
    SetAppName();
    const auto profile = OpenProfile(m_strRegistryKey, m_pszAppName);
    profile->setValue(ProfileKey(lpszSection, lpszEntry), nValue);
    profile->sync();
    return profile->status() == QSettings::NoError;
}

namespace
{
// UTF-8 stays readable in the file; other bytes (a folder name that is not UTF-8) are kept as
// bytes, so they come back exactly.
QVariant StoredString(std::string_view value)
{
    if (layer::IsValidUtf8(value))
        return QString::fromUtf8(value.data(), qsizetype(value.size()));
    return QByteArray(value.data(), qsizetype(value.size()));
}

std::string StringBytes(const QVariant& value)
{
    const QByteArray bytes =
        value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}
} // namespace

CString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault)
{
    SetAppName();
    const auto profile = OpenProfile(m_strRegistryKey, m_pszAppName);
    const QVariant value = profile->value(ProfileKey(lpszSection, lpszEntry));
    return CString(value.isValid() ? StringBytes(value).c_str() : lpszDefault ? lpszDefault : "");
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue)
{
    SetAppName();
    const auto profile = OpenProfile(m_strRegistryKey, m_pszAppName);
    if (!lpszEntry)
        profile->remove(QString::fromUtf8(lpszSection));
    else if (!lpszValue)
        profile->remove(ProfileKey(lpszSection, lpszEntry));
    else
        profile->setValue(ProfileKey(lpszSection, lpszEntry), StoredString(lpszValue));
    profile->sync();
    return profile->status() == QSettings::NoError;
}

CWaitCursor::CWaitCursor()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_bShown = true;
    }
}

CWaitCursor::~CWaitCursor()
{
    if (m_bShown)
        QApplication::restoreOverrideCursor();
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
