// SPDX-License-Identifier: GPL-3.0-or-later
// The image a command works on, read a part at a time: only the count headers and the bytes a
// record covers are ever read, so a large carrier costs neither time nor memory.
#pragma once

#include "common/FileDescriptor.h"
#include "engine/BitmapDecoder.h"
#include "engine/CarrierCodec.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

class OutputFile;

class CarrierFile
{
public:
    // Throws CliError for a file that cannot be read or is larger than a carrier can be. A pipe
    // or other stream is first copied into an unnamed file in memory.
    explicit CarrierFile(const std::string& path);
    ~CarrierFile();
    CarrierFile(const CarrierFile&) = delete;
    CarrierFile& operator=(const CarrierFile&) = delete;

    std::int32_t Length() const { return m_length; }
    // Whether path names this very file (same device and inode).
    bool IsFile(const std::string& path) const;
    // The carrier's bytes for inspection and conversion, read when asked for; false past its
    // end or when reading fails, which the decoders take as a picture that cannot be read.
    ByteReader Reader() const;
    // Throws the CliError of a read through Reader that failed, so that it is not reported as
    // a broken picture.
    void CheckReads() const;
    std::string Extract(std::int32_t slotStart, const ShowMessageFn& showMessage) const;
    // Writes the carrier with the records hidden in it. A new file gets a copy made by the
    // kernel (shared blocks where the file system can), then only the records' bytes are
    // rewritten; a stream gets the bytes in order.
    void WriteHidden(OutputFile& out, const std::vector<HiddenRecord>& records) const;

private:
    void Read(std::int64_t offset, std::uint8_t* into, std::size_t size) const;
    [[noreturn]] void Fail(int code) const;
    [[noreturn]] void FailShorter() const;
    void Spool();
    void Copy(OutputFile& out, std::int64_t from, std::int64_t to) const;
    void Send(OutputFile& out, std::int64_t from, std::int64_t to) const;
    // What one call of the kernel's copying answered: false where it cannot serve this pair of
    // files, and the rest passes through here; a failure or a shrunken carrier throws.
    bool KernelMoved(OutputFile& out, ssize_t moved) const;
    // A part at a time through memory; `positioned` writes each part at its own offset.
    void PassThrough(OutputFile& out, std::int64_t from, std::int64_t to, bool positioned) const;

    std::string m_path;
    carvalet::FileDescriptor m_fd;
    std::int32_t m_length = 0;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    mutable std::string m_readFailure;
};
