// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/ControlHost.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace
{

std::string& RegistryOverride()
{
    static std::string path;
    return path;
}

std::string Hex(HRESULT hr)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(hr));
    return buffer;
}

std::string Fail(REFCLSID clsid, const std::string& reason)
{
    return "The control " + GuidToString(clsid) + " could not be created: " + reason + ".";
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Plugins stay loaded for the life of the process: their code may be attached to windows of
// the host (painters, event filters) long after the control object itself is gone.
void* LoadLibrary(const std::string& path, std::string& reason)
{
    static std::map<std::string, void*> loaded;
    if (auto it = loaded.find(path); it != loaded.end())
        return it->second;
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr)
    {
        const char* why = dlerror();
        reason = "its library " + path + " could not be loaded (" +
                 (why != nullptr ? why : "unknown reason") + ")";
        return nullptr;
    }
    loaded.emplace(path, handle);
    return handle;
}

} // namespace

std::string CControlHost::DefaultRegistryPath()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "controls.reg";
    return (exe.parent_path() / "controls.reg").string();
}

void CControlHost::SetRegistryPath(std::string path)
{
    RegistryOverride() = std::move(path);
}

std::string CControlHost::RegistryPath()
{
    return RegistryOverride().empty() ? DefaultRegistryPath() : RegistryOverride();
}

std::optional<std::string> CControlHost::FindLibrary(REFCLSID clsid, std::string& error)
{
    const std::string registry = RegistryPath();
    std::ifstream in(registry);
    if (!in)
    {
        error = Fail(clsid, "the control registry " + registry + " cannot be read");
        return std::nullopt;
    }
    std::string line;
    while (std::getline(in, line))
    {
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const auto id = GuidFromString(Trim(line.substr(0, equals)));
        const std::string file = Trim(line.substr(equals + 1));
        if (!id || *id != clsid || file.empty())
            continue;
        std::filesystem::path path(file);
        if (path.is_relative())
            path = std::filesystem::path(registry).parent_path() / path;
        return path.string();
    }
    error = Fail(clsid, "the class is not registered in " + registry);
    return std::nullopt;
}

HRESULT CControlHost::CreateObject(REFCLSID clsid, ComPtr<IUnknown>& object, std::string& error)
{
    object.Reset();
    const auto library = FindLibrary(clsid, error);
    if (!library)
        return REGDB_E_CLASSNOTREG;

    std::string reason;
    void* handle = LoadLibrary(*library, reason);
    if (handle == nullptr)
    {
        error = Fail(clsid, reason);
        return CO_E_DLLNOTFOUND;
    }
    auto entry = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(handle, "DllGetClassObject"));
    if (entry == nullptr)
    {
        error = Fail(clsid, "its library " + *library + " has no DllGetClassObject entry");
        return CO_E_ERRORINDLL;
    }

    ComPtr<IClassFactory> factory;
    HRESULT hr = entry(clsid, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr) || !factory)
    {
        error = Fail(clsid, "its library " + *library + " does not provide the class (" +
                                Hex(FAILED(hr) ? hr : E_POINTER) + ")");
        return FAILED(hr) ? hr : E_POINTER;
    }
    hr = factory->CreateInstance(nullptr, IID_IUnknown, object.PutVoid());
    if (FAILED(hr) || !object)
    {
        object.Reset();
        error = Fail(clsid, "its class object could not create an instance (" +
                                Hex(FAILED(hr) ? hr : E_POINTER) + ")");
        return FAILED(hr) ? hr : E_POINTER;
    }
    return S_OK;
}

HRESULT CControlHost::CreateControl(REFCLSID clsid, std::span<const BYTE> stream, QWidget* parent,
                                    Control& control, std::string& error)
{
    control = Control{};
    ComPtr<IUnknown> object;
    HRESULT hr = CreateObject(clsid, object, error);
    if (FAILED(hr))
        return hr;

    auto hosted = object.As<IQtControl>(IID_IQtControl);
    if (!hosted)
    {
        error = Fail(clsid, "it cannot be hosted in a window (no IQtControl)");
        return E_NOINTERFACE;
    }
    hr = hosted->Load(stream.data(), static_cast<ULONG>(stream.size()));
    if (FAILED(hr))
    {
        error = Fail(clsid, "it rejected its persisted state (" + Hex(hr) + ")");
        return hr;
    }
    QWidget* widget = nullptr;
    hr = hosted->CreateWidget(parent, &widget);
    if (FAILED(hr) || widget == nullptr)
    {
        error = Fail(clsid,
                     "it could not create its window (" + Hex(FAILED(hr) ? hr : E_POINTER) + ")");
        return FAILED(hr) ? hr : E_POINTER;
    }
    control.unknown = std::move(object);
    control.widget = widget;
    return S_OK;
}

OleControlSite CControlHost::CreateSite(const OleControlItem& item, QWidget* parent)
{
    Control control;
    std::string error;
    if (FAILED(CreateControl(item.clsid, item.persisted, parent, control, error)))
    {
        layer::ReportOleControlFailure(error);
        return {};
    }
    return {control.widget, std::move(control.unknown)};
}

namespace
{
// Every dialog of the program hosts its outside controls through the plugins.
[[maybe_unused]] const bool g_factoryRegistered =
    (layer::SetOleControlFactory(&CControlHost::CreateSite), true);
} // namespace
