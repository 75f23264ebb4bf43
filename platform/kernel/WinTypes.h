// SPDX-License-Identifier: GPL-3.0-or-later
// The basic Win32 vocabulary the program is written in: integer types, typed handles,
// message parameters and HRESULT. Shared by every room that speaks to the platform layer
// and by the outside controls.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using INT = std::int32_t;
using BOOL = std::int32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HRESULT = std::int32_t;
using LPCSTR = const char*;
using LPSTR = char*;
using WCHAR = char16_t;
using LPCWSTR = const char16_t*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// A handle is a 32-bit value: an index with a generation count in a table owned by the
// platform layer. It survives a round trip through a 32-bit integer, and a stale handle
// resolves to nothing instead of a dangling pointer.
template <class Tag> struct Handle
{
    std::uint32_t value = 0;

    constexpr Handle() = default;
    constexpr Handle(std::nullptr_t) {}
    constexpr explicit Handle(std::uint32_t v) : value(v) {}
    constexpr explicit operator bool() const { return value != 0; }
    friend constexpr bool operator==(Handle, Handle) = default;
};

using HANDLE = Handle<struct HandleTag>;
using HWND = Handle<struct HwndTag>;
using HICON = Handle<struct HiconTag>;
using HBITMAP = Handle<struct HbitmapTag>;
using HMENU = Handle<struct HmenuTag>;
using HDC = Handle<struct HdcTag>;
using HINSTANCE = Handle<struct HinstanceTag>;
using HMODULE = HINSTANCE;

struct POINT
{
    LONG x = 0;
    LONG y = 0;
};

struct SIZE
{
    LONG cx = 0;
    LONG cy = 0;
};

struct RECT
{
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};
using LPRECT = RECT*;

struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

// Converts between handle kinds, as Win32 code casts a HANDLE to an HBITMAP.
template <class To, class FromTag> constexpr To handle_cast(Handle<FromTag> h)
{
    return To(h.value);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}
