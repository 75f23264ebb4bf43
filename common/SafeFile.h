// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and saving files so that a failure, a full disk or a kill never damages a file.
//
// A save replaces a regular file (or makes a missing one) through a new file in the same
// folder: unnamed where the file system allows it, else under the hidden name
// ".NAME.carvalet-XXXXXX" that a SIGINT, SIGTERM or SIGHUP removes (and the next save to NAME,
// when a kill left it). The new file is flushed to disk, takes the old one's mode and owner (a
// file that would change owner is refused), and only then takes its name; the folder is
// flushed after. A symbolic link, even
// a dangling one, stays a link and its target is written. A device, a pipe or a socket is
// written into, never replaced; so is one of the process's own descriptors named through a
// link (/dev/stdout). When no new file can be made beside the target the save fails: a file is
// never overwritten in place.
#pragma once

#include "common/FileDescriptor.h"

#include <cstddef>
#include <memory>
#include <string>
#include <sys/types.h>

namespace carvalet
{

class SignalGuard;

struct FileError
{
    // The system's error number; 0 when nothing failed.
    int code = 0;
    // The target exists and could be written, but its folder takes no new file.
    bool folderRefused = false;
    // Why, ready to follow "cannot write PATH: ".
    std::string reason;

    explicit operator bool() const { return code != 0; }
};

FileError ErrorFromCode(int code);

// Reads from fd until its end or until `limit` bytes have been read; `more` tells whether the
// file went on past the limit.
FileError ReadUpTo(int fd, std::size_t limit, std::string& bytes, bool& more);

// A whole file of at most `limit` bytes; a larger one fails with EFBIG.
FileError ReadWholeFile(const std::string& path, std::size_t limit, std::string& bytes);

// Writes all of `bytes` to fd, at its current position.
FileError WriteAll(int fd, const void* bytes, std::size_t size);

// The file a path stands for once symbolic links in its last part are followed, whether or
// not that file exists.
FileError FollowLinks(const std::string& path, std::string& target);

// One save: Open, write to Descriptor(), then Commit; destroying it uncommitted, or Abort,
// leaves the target as it was.
class FileReplacement
{
public:
    struct Options
    {
        // A named pipe with no reader fails at once (ENXIO) instead of waiting for one.
        bool noWaitForReader = false;
    };

    FileReplacement();
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Refuses a folder, an existing file its user cannot write, and a target whose folder
    // takes no new file (folderRefused).
    FileError Open(const std::string& path, const Options& options);
    FileError Open(const std::string& path) { return Open(path, Options{}); }
    // Readable and writable when a file is replaced; write-only when written into.
    int Descriptor() const { return m_fd.Get(); }
    // True when a new file takes the target's place; false for a device, pipe or socket.
    bool Replaces() const { return m_replaces; }
    // The file written: the final target of a symbolic link, else the path given.
    const std::string& Target() const { return m_target; }
    FileError Commit();
    void Abort();

private:
    FileError OpenInto(int flags);
    FileError MakeNewFile();
    FileError Publish();
    void Reset();

    FileDescriptor m_fd;
    bool m_replaces = false;
    bool m_existing = false;
    bool m_unnamed = false;
    mode_t m_mode = 0;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    std::string m_target;
    std::string m_folder;
    // The new file's name while it has one that is not the target's.
    std::string m_temporary;
    std::unique_ptr<SignalGuard> m_guard;
};

// Tests reach the named-file way on file systems that have unnamed files.
void SetUnnamedFilesForTesting(bool allowed);

} // namespace carvalet
