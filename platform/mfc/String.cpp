// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mfc/String.h"

#include "platform/user/Resources.h"

#include <algorithm>
#include <cstring>

namespace
{
// Text stops at the first zero byte, as a C string would.
std::string_view UpToZero(std::string_view text)
{
    return text.substr(0, std::min(text.size(), text.find('\0')));
}
} // namespace

CString::CString(const char* text) : m_text(text ? text : "") {}

CString::CString(const char* text, int length)
{
    if (text && length > 0)
        m_text = UpToZero(std::string_view(text, static_cast<std::size_t>(length)));
}

CString::CString(std::string_view text) : m_text(UpToZero(text)) {}

CString::CString(char ch, int repeat)
{
    if (ch != '\0' && repeat > 0)
        m_text.assign(static_cast<std::size_t>(repeat), ch);
}

CString CString::Left(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return CString(std::string_view(m_text).substr(0, static_cast<std::size_t>(count)));
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return CString(
        std::string_view(m_text).substr(m_text.size() - static_cast<std::size_t>(count)));
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const
{
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(std::string_view(m_text).substr(static_cast<std::size_t>(first),
                                                   static_cast<std::size_t>(count)));
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || start >= GetLength())
        return -1;
    const auto pos = m_text.find(ch, static_cast<std::size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength())
        return -1;
    const auto pos = m_text.find(sub, static_cast<std::size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const
{
    const auto pos = m_text.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

BOOL CString::LoadString(UINT id)
{
    const char* text = layer::FindStringResource(id);
    *this = text;
    return text && *text ? TRUE : FALSE;
}

char* CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_text.resize(static_cast<std::size_t>(minLength));
    return m_text.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        m_text.resize(std::strlen(m_text.c_str()));
    else
        m_text = UpToZero(std::string_view(m_text).substr(
            0, std::min(m_text.size(), static_cast<std::size_t>(newLength))));
}

CString& CString::operator=(const char* text)
{
    m_text = text ? text : "";
    return *this;
}

CString& CString::operator+=(const CString& other)
{
    m_text += other.m_text;
    return *this;
}

CString& CString::operator+=(const char* text)
{
    if (text)
        m_text += text;
    return *this;
}

CString& CString::operator+=(char ch)
{
    if (ch != '\0')
        m_text += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, const char* b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const char* a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, char b)
{
    CString r(a);
    r += b;
    return r;
}
