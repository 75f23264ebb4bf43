#include "platform/kernel/Text.h"
#include "platform/mfc/WinApp.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace
{
QString Key(LPCSTR lpszSection, LPCSTR lpszEntry)
{
    return layer::TextToQString(lpszSection ? lpszSection : "") + QLatin1Char('/') +
           layer::TextToQString(lpszEntry ? lpszEntry : "");
}

// UTF-8 stays readable in the file; other bytes (a folder name that is not UTF-8) are kept
// as bytes, so they come back exactly.
QVariant Stored(std::string_view value)
{
    if (layer::IsValidUtf8(value))
        return QString::fromUtf8(value.data(), qsizetype(value.size()));
    return QByteArray(value.data(), qsizetype(value.size()));
}

std::string Bytes(const QVariant& value)
{
    const QByteArray bytes =
        value.typeId() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}
} // namespace

void CWinApp::SetRegistryKey(LPCSTR lpszRegistryKey)
{
    m_strRegistryKey = lpszRegistryKey ? lpszRegistryKey : "";
    m_pszRegistryKey = m_strRegistryKey.empty() ? nullptr : m_strRegistryKey.c_str();
}

std::string CWinApp::ProfilePath()
{
    SetAppName();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const std::string profile = m_pszProfileName ? m_pszProfileName : m_strAppName;
    QString path = folder + QLatin1Char('/');
    if (m_pszRegistryKey)
        path += layer::TextToQString(m_pszRegistryKey) + QLatin1Char('/');
    return (path + layer::TextToQString(profile) + QStringLiteral(".conf")).toStdString();
}

CString CWinApp::GetProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszDefault)
{
    const QSettings settings(QString::fromStdString(ProfilePath()), QSettings::IniFormat);
    const QVariant value = settings.value(Key(lpszSection, lpszEntry));
    if (!value.isValid())
        return CString(lpszDefault ? lpszDefault : "");
    return CString(Bytes(value).c_str());
}

BOOL CWinApp::WriteProfileString(LPCSTR lpszSection, LPCSTR lpszEntry, LPCSTR lpszValue)
{
    const QString path = QString::fromStdString(ProfilePath());
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return FALSE;
    QSettings settings(path, QSettings::IniFormat);
    if (!lpszEntry)
        settings.remove(layer::TextToQString(lpszSection ? lpszSection : ""));
    else if (!lpszValue)
        settings.remove(Key(lpszSection, lpszEntry));
    else
        settings.setValue(Key(lpszSection, lpszEntry), Stored(lpszValue));
    settings.sync();
    return settings.status() == QSettings::NoError;
}
