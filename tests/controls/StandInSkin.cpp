// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for the skin control, registered under its class ID, each misbehaving in one way
// (chosen by a STAND_IN_* definition) so the host's handling of that case can be checked.
// Every call is logged; CarvaletStandInLog() hands the log to the test.
#include "controls/common/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/com/IQtControl.h"
#include "skin/ControlIds.h"
#include "skin/ISkinControl.h"

#include <QWidget>

#include <string>

namespace
{

std::string& Log()
{
    static std::string log;
    return log;
}

void Note(const std::string& entry)
{
    Log() += entry + ";";
}

class CStandInSkin final : public ISkinControl, public IQtControl, private CComObject<CStandInSkin>
{
public:
    static ComPtr<CStandInSkin> Create() { return ComPtr<CStandInSkin>::Attach(new CStandInSkin); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown)
            *ppv = static_cast<IQtControl*>(this);
        else if (riid == IID_IQtControl)
            *ppv = static_cast<IQtControl*>(this);
#ifndef STAND_IN_NO_INTERFACE
        else if (riid == IID_ISkinControl)
        {
            Note("QueryInterface(ISkinControl)");
            *ppv = static_cast<ISkinControl*>(this);
        }
#endif
        if (*ppv == nullptr)
            return E_NOINTERFACE;
        AddRefImpl();
        return S_OK;
    }
    ULONG AddRef() override
    {
        return AddRefImpl();
    }
    ULONG Release() override
    {
        const ULONG left = ReleaseImpl();
        Note("Release:" + std::to_string(left));
        return left;
    }

    HRESULT GetSkinName(BSTR* name) override
    {
        return *name = nullptr, S_FALSE;
    }
    HRESULT GetLoadError(BSTR* message) override
    {
        return *message = nullptr, S_OK;
    }
    HRESULT GetObjectCount(LONG* count) override
    {
        return *count = 0, S_OK;
    }
    HRESULT GetObjectName(LONG, BSTR* name) override
    {
        return *name = nullptr, E_INVALIDARG;
    }
    HRESULT HasObject(LPCWSTR) override
    {
        return S_FALSE;
    }
    HRESULT LoadSkinFile(BSTR path) override
    {
        Note("LoadSkinFile(" + Narrow(path) + ")");
#if defined(STAND_IN_LOAD_FAILS)
        return E_FAIL;
#elif defined(STAND_IN_LOAD_S_FALSE)
        return S_FALSE;
#else
        return S_OK;
#endif
    }
    HRESULT GetText(LONG, BSTR* value) override
    {
        return *value = nullptr, E_NOTIMPL;
    }
    HRESULT PutText(LONG, LPCWSTR) override
    {
        return E_NOTIMPL;
    }
    HRESULT GetValue(LONG, LONG* value) override
    {
        return *value = 0, E_NOTIMPL;
    }
    HRESULT PutValue(LONG, LONG) override
    {
        return E_NOTIMPL;
    }
    HRESULT ApplySkinToWindow(DWORD hwnd) override
    {
        Note("ApplySkinToWindow(" + std::to_string(hwnd) + ")");
#if defined(STAND_IN_APPLY_WINDOW_FAILS)
        return E_FAIL;
#elif defined(STAND_IN_LOAD_S_FALSE)
        return S_FALSE;
#else
        return S_OK;
#endif
    }
    HRESULT ApplySkinObject(HWND hwnd, LPCWSTR name) override
    {
        const std::string object = Narrow(name);
        Note("ApplySkinObject(" + std::to_string(hwnd.value) + "," + object + ")");
#if defined(STAND_IN_SOME_OBJECTS_FAIL)
        if (object == "HelpButton" || object == "Button3")
            return TYPE_E_ELEMENTNOTFOUND;
#endif
        return S_OK;
    }

    HRESULT SetCardNote(DWORD, LPCWSTR text, LONG alert) override
    {
        Note("SetCardNote(" + Narrow(text) + (alert ? ",alert" : "") + ")");
        return S_OK;
    }

    HRESULT Load(const BYTE*, ULONG size) override
    {
        Note("Load(" + std::to_string(size) + ")");
        return S_OK;
    }
    HRESULT CreateWidget(QWidget* parent, QWidget** widget) override
    {
        *widget = new QWidget(parent); // owned by `parent`
        return S_OK;
    }

private:
    friend class CComObject<CStandInSkin>;
    CStandInSkin() = default;
    ~CStandInSkin()
    {
        Note("Destroyed");
    }

    static std::string Narrow(const char16_t* text)
    {
        std::string result;
        for (; text != nullptr && *text != 0; ++text)
            result += *text < 0x80 ? static_cast<char>(*text) : '?';
        return result;
    }
};

class CStandInFactory final : public IClassFactory
{
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = riid == IID_IUnknown || riid == IID_IClassFactory ? this : nullptr;
        return *ppv != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppv) override
    {
        return CStandInSkin::Create()->QueryInterface(riid, ppv);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

} // namespace

#ifndef STAND_IN_NO_ENTRY
extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid,
                                                                            REFIID riid, void** ppv)
{
    *ppv = nullptr;
#ifdef STAND_IN_FAILING_ENTRY
    (void)clsid;
    (void)riid;
    return CLASS_E_CLASSNOTAVAILABLE;
#else
    static CStandInFactory factory;
    if (clsid != CLSID_SkinControl)
        return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
#endif
}
#endif

// The calls this stand-in received since the last call, separated by ';'; clears the log.
extern "C" __attribute__((visibility("default"))) const char* CarvaletStandInLog()
{
    static std::string taken;
    taken = std::move(Log());
    Log().clear();
    return taken.c_str();
}
