// SPDX-License-Identifier: GPL-3.0-or-later
// CFileException: a file operation that failed. The text is ready to show the user;
// m_lOsError is the system's error number and m_cause its kind, in MFC's terms.
#pragma once

#include <stdexcept>
#include <string>

class CFileException : public std::runtime_error
{
public:
    enum
    {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    CFileException() : std::runtime_error("") {}
    CFileException(const std::string& text, int osError, int cause = genericException)
        : std::runtime_error(text), m_cause(cause), m_lOsError(osError)
    {
    }

    int m_cause = none;
    int m_lOsError = 0;
    // Why, without the file's name: the system's reason, or the safe-file rule that refused.
    std::string m_strReason;
};
