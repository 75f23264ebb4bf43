// SPDX-License-Identifier: GPL-3.0-or-later
// The slice of COM the program and its outside controls use: GUIDs, IUnknown, IDispatch
// (methods with VT_BSTR / VT_I4 arguments), BSTR as UTF-16, and the entry through which a
// control plugin hands out its class objects.
//
// Interfaces are abstract classes without virtual destructors, so that function-table entry
// N is the Nth declared virtual function, counting IUnknown's three first.
#pragma once

#include "platform/kernel/WinTypes.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

using BSTR = char16_t*;
using DISPID = std::int32_t;
using LCID = std::uint32_t;
using VARTYPE = std::uint16_t;

struct IUnknown
{
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown
{
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;

protected:
    ~IClassFactory() = default;
};

enum : VARTYPE
{
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_BSTR = 8,
};

struct VARIANT
{
    VARTYPE vt = VT_EMPTY;
    union
    {
        std::int32_t lVal;
        BSTR bstrVal;
    };
    VARIANT() : lVal(0) {}
};
using VARIANTARG = VARIANT;

// Arguments travel in reverse order, as in COM: rgvarg[cArgs - 1] is the first.
struct DISPPARAMS
{
    VARIANTARG* rgvarg = nullptr;
    DISPID* rgdispidNamedArgs = nullptr;
    UINT cArgs = 0;
    UINT cNamedArgs = 0;
};

struct EXCEPINFO;
struct ITypeInfo;

// Argument lists of CWnd::InvokeHelper, one type byte per argument, as string literals so a
// wrapper can write `static BYTE parms[] = VTS_BSTR VTS_I4;`.
#define VTS_I4 "\x03"
#define VTS_BSTR "\x08"

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;

struct IDispatch : IUnknown
{
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPCWSTR* rgszNames, UINT cNames, LCID lcid,
                                  DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                           DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                           UINT* puArgErr) = 0;

protected:
    ~IDispatch() = default;
};

extern const IID IID_IUnknown;      // {00000000-0000-0000-C000-000000000046}
extern const IID IID_IClassFactory; // {00000001-0000-0000-C000-000000000046}
extern const IID IID_IDispatch;     // {00020400-0000-0000-C000-000000000046}
extern const IID IID_NULL;

// The results a container or a control reports beyond WinTypes.h's general ones.
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_HANDLE = static_cast<HRESULT>(0x80070006u);
constexpr HRESULT E_FILENOTFOUND = static_cast<HRESULT>(0x80070002u); // HRESULT_FROM_WIN32
constexpr HRESULT E_INVALIDDATA = static_cast<HRESULT>(0x8007000Du);  // ERROR_INVALID_DATA
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x8004F003u);
constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = static_cast<HRESULT>(0x8002802Bu);

// The entry every control plugin exports under the name "DllGetClassObject" (extern "C").
using LPFNGETCLASSOBJECT = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);

// "{BA8C584B-209C-4D54-8BB1-8AB5F1DCA18E}" form, braces required, hex digits of either case.
std::optional<GUID> GuidFromString(std::string_view text);
std::string GuidToString(const GUID& guid);

// BSTR: UTF-16 text with its byte length stored just before the first character.
BSTR SysAllocString(LPCWSTR text);
BSTR SysAllocStringLen(LPCWSTR text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

struct BstrFree
{
    void operator()(BSTR text) const { SysFreeString(text); }
};
// Owns one BSTR.
using BstrPtr = std::unique_ptr<char16_t, BstrFree>;
