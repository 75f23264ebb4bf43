// SPDX-License-Identifier: GPL-3.0-or-later
// Where a command writes: standard output ("-"), or a file saved by the shared safe-file rules
// (a regular file replaced whole on Commit, a link's target written, a device or pipe written
// into).
#pragma once

#include "common/SafeFile.h"

#include <cstddef>
#include <string>

class OutputFile
{
public:
    // Throws CliError when the target cannot be written.
    explicit OutputFile(const std::string& path);
    int Descriptor() const;
    // A new file: bytes may be written at any offset, and it is empty until written.
    bool IsNewFile() const;
    void Write(const void* bytes, std::size_t size);
    void Commit();
    // Throws the CliError for a failed write, naming the output.
    [[noreturn]] void Fail(int code) const;

private:
    std::string m_path;
    bool m_stdout;
    carvalet::FileReplacement m_file;
};

// The bytes of the file at path ("-": standard input) before its first zero byte, or all of
// them when whole, reading at most limit bytes.
std::string ReadMessageFile(const std::string& path, std::size_t limit, bool whole = false);
