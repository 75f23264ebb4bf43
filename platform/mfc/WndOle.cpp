// SPDX-License-Identifier: GPL-3.0-or-later
// Outside controls seen from the program: creating one in a window, borrowing its IUnknown,
// and calling its dispatch interface.
#include "platform/mfc/Wnd.h"

#include "platform/kernel/Text.h"
#include "platform/mfc/OccManager.h"
#include "platform/user/Resources.h"
#include "platform/user/controls/Controls.h"

#include <cstdarg>
#include <vector>

BSTR CString::AllocSysString() const
{
    const QString text = layer::ExactTextToQString(m_text);
    return SysAllocStringLen(reinterpret_cast<const char16_t*>(text.utf16()),
                             static_cast<UINT>(text.size()));
}

BOOL CWnd::CreateControl(REFCLSID clsid, LPCSTR pszWindowName, DWORD dwStyle, const RECT& rect,
                         CWnd* pParentWnd, UINT nID)
{
    if (m_hWnd || !pParentWnd || !pParentWnd->m_hWnd)
        return FALSE;
    // The same path as a template item of the dialog, without a persisted stream.
    const DialogItem item{static_cast<int>(nID), nullptr, dwStyle | WS_CHILD, 0, 0, 0, 0, 0,
                          pszWindowName,         &clsid};
    const HWND hWnd = layer::CreateDialogControl(item, rect, pParentWnd->m_hWnd, {});
    return hWnd && Attach(hWnd);
}

IUnknown* CWnd::GetControlUnknown()
{
    const CWindowRecord* record = layer::FindWindow(m_hWnd);
    return record ? record->m_pControlUnknown.Get() : nullptr;
}

namespace
{
// The arguments of one dispatch call; owns the BSTRs it made.
class CDispatchArguments
{
public:
    CDispatchArguments() = default;
    CDispatchArguments(const CDispatchArguments&) = delete;
    CDispatchArguments& operator=(const CDispatchArguments&) = delete;
    ~CDispatchArguments()
    {
        for (VARIANT& v : m_args)
            if (v.vt == VT_BSTR)
                SysFreeString(v.bstrVal);
    }

    // False for a type this layer does not pass; the call is then not made.
    bool Read(const BYTE* pbParamInfo, va_list args)
    {
        for (const BYTE* type = pbParamInfo; type && *type; ++type)
        {
            VARIANT v;
            switch (*type)
            {
            case VT_I4:
                v.vt = VT_I4;
                v.lVal = va_arg(args, LONG);
                break;
            case VT_BSTR:
            {
                const char* text = va_arg(args, const char*);
                v.vt = VT_BSTR;
                v.bstrVal = CString(text ? text : "").AllocSysString();
                break;
            }
            default:
                return false;
            }
            m_args.push_back(v);
        }
        return true;
    }

    // COM takes the last argument first.
    DISPPARAMS Params()
    {
        DISPPARAMS params;
        m_reversed.assign(m_args.rbegin(), m_args.rend());
        params.rgvarg = m_reversed.empty() ? nullptr : m_reversed.data();
        params.cArgs = static_cast<UINT>(m_reversed.size());
        return params;
    }

private:
    std::vector<VARIANT> m_args;
    std::vector<VARIANT> m_reversed; // shallow copies: the strings stay owned by m_args
};

void StoreResult(VARTYPE vtRet, void* pvRet, VARIANT& result)
{
    if (pvRet && vtRet == VT_I4 && result.vt == VT_I4)
        *static_cast<LONG*>(pvRet) = result.lVal;
    else if (pvRet && vtRet == VT_BSTR && result.vt == VT_BSTR)
    {
        const QString text = QString::fromUtf16(result.bstrVal, SysStringLen(result.bstrVal));
        *static_cast<CString*>(pvRet) = CString(layer::QStringToText(text));
    }
    if (result.vt == VT_BSTR)
        SysFreeString(result.bstrVal);
}
} // namespace

// A call the control refuses, or cannot take, leaves *pvRet untouched: the program neither
// catches nor reports anything here.
void CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                        const BYTE* pbParamInfo, ...)
{
    IUnknown* unknown = GetControlUnknown();
    if (!unknown)
        return;
    ComPtr<IDispatch> dispatch;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, dispatch.PutVoid())) || !dispatch)
        return;

    CDispatchArguments arguments;
    va_list args;
    va_start(args, pbParamInfo);
    const bool known = arguments.Read(pbParamInfo, args);
    va_end(args);
    if (!known)
        return;

    DISPPARAMS params = arguments.Params();
    VARIANT result;
    UINT argError = 0;
    dispatch->Invoke(dwDispID, IID_NULL, 0, wFlags, &params, vtRet == VT_EMPTY ? nullptr : &result,
                     nullptr, &argError);
    StoreResult(vtRet, pvRet, result);
}
