// SPDX-License-Identifier: GPL-3.0-or-later
// CFileDialog: the open and save dialogs. The filter is MFC's: "|"-separated pairs of a
// description and its patterns, ended by an empty description or the end of the string.
#pragma once

#include "platform/mfc/String.h"
#include "platform/user/WinUser.h"

#include <string>
#include <utility>
#include <vector>

class CWnd;

// The part of Windows' OPENFILENAME the program sets: the folder a dialog starts in when its
// initial file name has no folder of its own (Windows-style, may be null).
struct OPENFILENAMEA
{
    LPCSTR lpstrInitialDir = nullptr;
};

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

class CFileDialog
{
public:
    // lpszFileName is a Windows-style path: the name proposed, in its folder.
    explicit CFileDialog(BOOL bOpenFileDialog, LPCSTR lpszDefExt = nullptr,
                         LPCSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         LPCSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog();
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when a name was chosen, else IDCANCEL.
    virtual INT_PTR DoModal();
    // The chosen file, Windows-style.
    CString GetPathName() const { return m_strPathName; }
    CString GetFileName() const;

    // The filter's entries as (description, patterns); exposed for tests.
    static std::vector<std::pair<std::string, std::string>> ParseFilter(LPCSTR lpszFilter);

    DWORD m_dwFlags;
    OPENFILENAMEA m_ofn;

private:
    bool m_bOpenFileDialog;
    std::string m_strDefExt;
    std::string m_strFileName;
    std::string m_strFilter;
    CWnd* m_pParentWnd;
    CString m_strPathName;
};
