// SPDX-License-Identifier: GPL-3.0-or-later
// CFile: a file opened by path, read and written in whole blocks.
//
// Open fails quietly (FALSE, with the reason in GetLastError and in the exception object, if
// one is given). Anything that fails after a successful Open throws CFileException, so that a
// short read or a full disk is never lost. modeCreate without modeNoTruncate saves by the
// shared safe-file rules: a regular file is replaced by a new one that Close flushes and
// renames over it, so the target is never left truncated or half-written; a link's target is
// written; a device or pipe is written into. When no new file can be made beside an existing
// target, Open fails with the cause directoryFull and the target stays as it was.
#pragma once

#include "common/FileDescriptor.h"
#include "platform/kernel/WinTypes.h"
#include "platform/mfc/FileException.h"
#include "platform/mfc/String.h"

#include <cstdint>
#include <memory>
#include <string>

namespace carvalet
{
class FileReplacement;
}

using ULONGLONG = std::uint64_t;

class CFile
{
public:
    enum OpenFlags : UINT
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };

    CFile();
    // Closes a file still open. An unfinished replacement is committed only when nothing
    // failed; a failure to commit is shown in a message box, as nothing is left to throw to.
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // lpszFileName is a Windows-style path.
    virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    ULONGLONG GetLength() const;
    // Reads until nCount bytes or the end of the file; returns the count read.
    UINT Read(void* lpBuf, UINT nCount);
    void Write(const void* lpBuf, UINT nCount);
    ULONGLONG SeekToBegin();
    void Flush();
    void Close();
    // Closes without reporting anything; an unfinished replacement is dropped.
    void Abort();
    CString GetFilePath() const { return m_strFileName; }
    // True when the last Open made a new file to take the target's place: a failure before
    // Close succeeds leaves the target as it was. False for a device or pipe written into.
    BOOL Replaces() const { return m_bReplaces; }

private:
    [[noreturn]] void Fail(const char* what, int error) const;
    BOOL OpenReplacement(CFileException* pError);

    // The descriptor in use: m_file's, or the replacement's.
    int m_fd = -1;
    // What Open opened when no replacement owns the descriptor.
    carvalet::FileDescriptor m_file;
    CString m_strFileName;
    std::string m_strNative;
    // Set while a save is being written; Close commits it.
    std::unique_ptr<carvalet::FileReplacement> m_pReplacement;
    mutable bool m_bFailed = false;
    bool m_bReplaces = false;
};
