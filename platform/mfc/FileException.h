// CFileException: a read, write or close that failed after a file was opened. The text is
// ready to show the user; m_lOsError is the system's error number.
#pragma once

#include <stdexcept>
#include <string>

class CFileException : public std::runtime_error
{
public:
    CFileException(const std::string& text, int osError)
        : std::runtime_error(text), m_lOsError(osError)
    {
    }

    int m_lOsError;
};
