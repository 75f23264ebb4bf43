// SPDX-License-Identifier: GPL-3.0-or-later
// CString: single-byte text. Lengths and positions count bytes; the text never holds a zero
// byte, so it always converts to a C string.
#pragma once

#include "platform/com/Com.h"

#include <compare>
#include <string>
#include <string_view>

class CString
{
public:
    CString() = default;
    CString(const char* text);
    CString(const char* text, int length);
    CString(std::string_view text);
    CString(char ch, int repeat = 1);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    char GetAt(int index) const { return m_text.at(static_cast<std::size_t>(index)); }
    char operator[](int index) const { return GetAt(index); }

    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;

    // Loads a string resource; FALSE (and an empty string) when there is none.
    BOOL LoadString(UINT id);
    BOOL LoadStringA(UINT id) { return LoadString(id); }

    // Writable buffer for C APIs; ReleaseBuffer(-1) takes the length from the zero byte.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    // The text as a new BSTR (UTF-16); bytes that are not UTF-8 travel escaped, so that the
    // receiver gets a path back byte for byte (layer::ExactQStringToText). The caller frees it
    // with SysFreeString.
    BSTR AllocSysString() const;

    operator const char*() const { return m_text.c_str(); }
    const char* GetString() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }

    CString& operator=(const char* text);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* text);
    CString& operator+=(char ch);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);

    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend std::strong_ordering operator<=>(const CString& a, const CString& b)
    {
        return a.m_text <=> b.m_text;
    }

private:
    std::string m_text;
};
