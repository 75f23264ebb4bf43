// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/OutputFile.h"

#include "cli/CliError.h"
#include "cli/Output.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

OutputFile::OutputFile(const std::string& path) : m_path(path), m_stdout(path == "-")
{
    if (m_stdout)
    {
        return;
    }
    if (const carvalet::FileError error = m_file.Open(path))
    {
        throw CliError("cannot write " + ShownName(path) + ": " + error.reason);
    }
}

int OutputFile::Descriptor() const
{
    return m_stdout ? STDOUT_FILENO : m_file.Descriptor();
}

bool OutputFile::IsNewFile() const
{
    return !m_stdout && m_file.Replaces();
}

void OutputFile::Write(const void* bytes, std::size_t size)
{
    if (const carvalet::FileError error = carvalet::WriteAll(Descriptor(), bytes, size))
    {
        Fail(error.code);
    }
}

void OutputFile::Commit()
{
    if (m_stdout)
    {
        return;
    }
    if (const carvalet::FileError error = m_file.Commit())
    {
        throw CliError("cannot write " + ShownName(m_path) + ": " + error.reason);
    }
}

void OutputFile::Fail(int code) const
{
    const std::string name = m_stdout ? "to standard output" : ShownName(m_path);
    throw CliError("cannot write " + name + ": " + std::strerror(code));
}

std::string ReadMessageFile(const std::string& path, std::size_t limit, bool whole)
{
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        throw CliError("cannot open " + ShownName(path) + ": " + std::strerror(errno));
    }
    std::string bytes;
    bool more = false;
    const carvalet::FileError error = carvalet::ReadUpTo(fd, limit, bytes, more);
    if (!standardInput)
    {
        ::close(fd);
    }
    if (error)
    {
        throw CliError("cannot read " +
                       (standardInput ? std::string("standard input") : ShownName(path)) + ": " +
                       error.reason);
    }
    if (!whole)
    {
        bytes.erase(std::min(bytes.find('\0'), bytes.size()));
    }
    return bytes;
}
