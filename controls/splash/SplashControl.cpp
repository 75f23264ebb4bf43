// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/splash/SplashControl.h"

#include "controls/common/PropertyReader.h"
#include "platform/kernel/Text.h"
#include "skin/ControlIds.h"

namespace
{

constexpr std::int32_t kStreamVersion = 1;

struct DispName
{
    const char16_t* name;
    DISPID id;
};
constexpr DispName kNames[] = {
    {u"Loaded", DISPID_SPLASH_LOADED},
    {u"Title", DISPID_SPLASH_TITLE},
    {u"Shown", DISPID_SPLASH_SHOWN},
    {u"ShowSplash", DISPID_SPLASH_SHOW},
    {u"LoadSplashFile", DISPID_SPLASH_LOADFILE},
};

QString ToQString(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The one argument of a method, checked for count, naming and type.
HRESULT SingleArgument(const DISPPARAMS* params, VARTYPE type, const VARIANT*& arg, UINT* argErr)
{
    if (params == nullptr || params->cArgs != 1 || params->rgvarg == nullptr)
        return DISP_E_BADPARAMCOUNT;
    if (params->cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    arg = &params->rgvarg[0];
    if (arg->vt != type)
    {
        if (argErr != nullptr)
            *argErr = 0;
        return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

} // namespace

ComPtr<CSplashControl> CSplashControl::Create()
{
    return ComPtr<CSplashControl>::Attach(new CSplashControl); // counted: CComObject deletes it
}

HRESULT CSplashControl::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else if (riid == IID_IQtControl)
        *ppv = static_cast<IQtControl*>(this);
    else
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT CSplashControl::GetTypeInfoCount(UINT* pctinfo)
{
    if (pctinfo == nullptr)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT CSplashControl::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    if (ppTInfo != nullptr)
        *ppTInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT CSplashControl::GetIDsOfNames(REFIID riid, LPCWSTR* rgszNames, UINT cNames, LCID,
                                      DISPID* rgDispId)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if ((rgszNames == nullptr || rgDispId == nullptr) && cNames != 0)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < cNames; ++i)
    {
        rgDispId[i] = -1; // DISPID_UNKNOWN
        const QString wanted =
            rgszNames[i] != nullptr ? QString::fromUtf16(rgszNames[i]) : QString();
        for (const DispName& entry : kNames)
            if (wanted.compare(QString::fromUtf16(entry.name), Qt::CaseInsensitive) == 0)
                rgDispId[i] = entry.id;
        if (rgDispId[i] == -1)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT CSplashControl::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO*,
                               UINT* puArgErr)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (pVarResult != nullptr)
        pVarResult->vt = VT_EMPTY;

    if (dispIdMember == DISPID_SPLASH_LOADFILE || dispIdMember == DISPID_SPLASH_SHOW)
    {
        if ((wFlags & DISPATCH_METHOD) == 0)
            return DISP_E_MEMBERNOTFOUND;
        const VARIANT* arg = nullptr;
        if (dispIdMember == DISPID_SPLASH_LOADFILE)
        {
            const HRESULT hr = SingleArgument(pDispParams, VT_BSTR, arg, puArgErr);
            if (FAILED(hr))
                return hr;
            const BSTR path = arg->bstrVal;
            return LoadSplashFile(
                path != nullptr
                    ? QString::fromUtf16(path, static_cast<qsizetype>(SysStringLen(path)))
                    : QString());
        }
        const HRESULT hr = SingleArgument(pDispParams, VT_I4, arg, puArgErr);
        return FAILED(hr) ? hr : ShowSplash(arg->lVal);
    }
    if ((wFlags & DISPATCH_PROPERTYGET) == 0)
        return DISP_E_MEMBERNOTFOUND;
    if (pDispParams != nullptr && pDispParams->cArgs != 0)
        return DISP_E_BADPARAMCOUNT;
    return GetProperty(dispIdMember, pVarResult);
}

HRESULT CSplashControl::GetProperty(DISPID id, VARIANT* result)
{
    if (id != DISPID_SPLASH_LOADED && id != DISPID_SPLASH_TITLE && id != DISPID_SPLASH_SHOWN)
        return DISP_E_MEMBERNOTFOUND;
    if (result == nullptr)
        return E_POINTER;
    if (id == DISPID_SPLASH_TITLE)
    {
        const QString title = m_splash ? m_splash->Title() : QString();
        result->bstrVal = SysAllocStringLen(reinterpret_cast<const char16_t*>(title.utf16()),
                                            static_cast<UINT>(title.size()));
        if (result->bstrVal == nullptr)
            return E_OUTOFMEMORY;
        result->vt = VT_BSTR;
        return S_OK;
    }
    result->vt = VT_I4;
    result->lVal = id == DISPID_SPLASH_LOADED ? (m_splash ? 1 : 0) : (m_bShown ? 1 : 0);
    return S_OK;
}

HRESULT CSplashControl::LoadSplashFile(const QString& path)
{
    auto splash = std::make_shared<CSplashFile>();
    const HRESULT hr =
        splash->Load(layer::ExactTextToQString(layer::NativePath(layer::ExactQStringToText(path))));
    m_splash = SUCCEEDED(hr) ? std::move(splash) : nullptr;
    if (m_widget)
        m_widget->SetSplash(m_splash, m_bShowTooltip);
    return m_splash ? S_OK : S_FALSE;
}

HRESULT CSplashControl::ShowSplash(std::int32_t milliseconds)
{
    if (milliseconds < 0 || milliseconds > kMaxFade)
        return E_INVALIDARG;
    m_bShown = true;
    if (m_widget)
        m_widget->Show(milliseconds);
    return m_splash ? S_OK : S_FALSE;
}

HRESULT CSplashControl::Load(const BYTE* data, ULONG size)
{
    if (size == 0)
        return S_OK;
    CPropertyReader in(data, size);
    std::int32_t version = 0, padding = 0;
    bool showTooltip = false;
    std::u16string name;
    if (!in.ReadInt(version) || version != kStreamVersion || !in.ReadBool(showTooltip) ||
        !in.ReadInt(padding) || padding < 0 || padding > 40 || !in.ReadString(name))
        return E_INVALIDDATA;
    m_bShowTooltip = showTooltip;
    m_nPadding = padding;
    m_bstrAccessibleName = std::move(name);
    return S_OK;
}

HRESULT CSplashControl::CreateWidget(QWidget* parent, QWidget** widget)
{
    if (widget == nullptr)
        return E_POINTER;
    ComPtr<IUnknown> self;
    QueryInterface(IID_IUnknown, self.PutVoid());
    auto* window = new CSplashWidget(parent, std::move(self)); // owned by `parent`
    window->setAccessibleName(ToQString(m_bstrAccessibleName));
    window->SetPadding(m_nPadding);
    window->SetSplash(m_splash, m_bShowTooltip);
    if (m_bShown)
        window->Show(0);
    m_widget = window;
    *widget = window;
    return S_OK;
}
