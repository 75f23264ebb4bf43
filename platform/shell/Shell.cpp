// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/Shell.h"

#include "platform/kernel/Text.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QMimeType>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>
#include <utility>

namespace
{

constexpr const char* kHelpMimeType = "application/vnd.ms-htmlhelp";
constexpr int kQueryTimeoutMs = 3000;

bool StartDetached(const ShellCommand& command)
{
    QStringList arguments;
    for (const std::string& argument : command.arguments)
        arguments << QString::fromStdString(argument);
    return QProcess::startDetached(QString::fromStdString(command.program), arguments);
}

// Asks xdg-mime, as the desktop's own file managers do; no xdg-mime means no handlers known.
bool DesktopHasHandler(const std::string& mimeType)
{
    const QString xdgMime = QStandardPaths::findExecutable("xdg-mime");
    if (xdgMime.isEmpty() || QStandardPaths::findExecutable("xdg-open").isEmpty())
        return false;
    QProcess query;
    query.start(xdgMime, {"query", "default", QString::fromStdString(mimeType)});
    if (!query.waitForFinished(kQueryTimeoutMs))
    {
        query.kill();
        query.waitForFinished(kQueryTimeoutMs);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

struct ShellHooks
{
    std::mutex lock;
    ShellLauncher launcher;
    ShellHandlerQuery handlerQuery;
};

ShellHooks& Hooks()
{
    static ShellHooks hooks;
    return hooks;
}

bool Launch(const ShellCommand& command)
{
    ShellLauncher launcher;
    {
        std::scoped_lock guard(Hooks().lock);
        launcher = Hooks().launcher;
    }
    return launcher ? launcher(command) : StartDetached(command);
}

bool HasHandler(const QMimeType& type)
{
    ShellHandlerQuery query;
    {
        std::scoped_lock guard(Hooks().lock);
        query = Hooks().handlerQuery;
    }
    QStringList names{type.name()};
    names += type.aliases();
    return std::any_of(names.begin(), names.end(),
                       [&](const QString& name)
                       {
                           const std::string mime = name.toStdString();
                           return query ? query(mime) : DesktopHasHandler(mime);
                       });
}

bool IsOpenVerb(LPCSTR verb)
{
    if (verb == nullptr || *verb == '\0')
        return true;
    std::string lower(verb);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "open";
}

HINSTANCE Result(UINT code)
{
    return HINSTANCE(code);
}

} // namespace

ShellLauncher layer::SetShellLauncher(ShellLauncher launcher)
{
    std::scoped_lock guard(Hooks().lock);
    return std::exchange(Hooks().launcher, std::move(launcher));
}

ShellHandlerQuery layer::SetShellHandlerQuery(ShellHandlerQuery query)
{
    std::scoped_lock guard(Hooks().lock);
    return std::exchange(Hooks().handlerQuery, std::move(query));
}

std::string layer::HelpViewerPath()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return (self.parent_path() / "carvalet-help").string();
}

HINSTANCE ShellExecuteA(HWND, LPCSTR lpVerb, LPCSTR lpFile, LPCSTR, LPCSTR lpDirectory, INT)
{
    if (lpFile == nullptr || *lpFile == '\0')
        return Result(SE_ERR_FNF);
    if (!IsOpenVerb(lpVerb))
        return Result(SE_ERR_NOASSOC);

    std::filesystem::path path(layer::NativePath(lpFile));
    if (path.is_relative() && lpDirectory != nullptr && *lpDirectory != '\0')
        path = std::filesystem::path(layer::NativePath(lpDirectory)) / path;
    const QFileInfo file(QString::fromStdString(path.string()));
    if (!file.exists())
        return Result(file.dir().exists() ? SE_ERR_FNF : SE_ERR_PNF);
    if (!file.isReadable())
        return Result(SE_ERR_ACCESSDENIED);

    const std::string native = file.absoluteFilePath().toStdString();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    if (HasHandler(type) && Launch({"xdg-open", {native}}))
        return Result(SE_OPEN_SUCCEEDED);

    const bool isHelp =
        type.inherits(kHelpMimeType) || file.suffix().compare("chm", Qt::CaseInsensitive) == 0;
    if (!isHelp)
        return Result(SE_ERR_NOASSOC);
    const std::string viewer = layer::HelpViewerPath();
    if (viewer.empty() || !QFileInfo(QString::fromStdString(viewer)).isExecutable())
        return Result(SE_ERR_NOASSOC);
    return Result(Launch({viewer, {native}}) ? SE_OPEN_SUCCEEDED : SE_ERR_NOASSOC);
}
