// The open archive file: positioned reads through one read-ahead window, so that the many
// small headers and entries that follow each other cost one system call per window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/file_handle.h"

namespace upd {

// The platform's file-open error, passed to the caller unchanged.
class EFOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A read that the file cannot satisfy (past its end); not an archive error.
class EReadError : public std::runtime_error {
public:
    EReadError() : std::runtime_error("Stream read error") {}
};

class ArchiveFile {
public:
    // Largest view, and the read-ahead of small reads.
    static constexpr size_t kWindowSize = 1 << 20;
    // The read-ahead after a jump: a header with its name and extra field, and the next.
    static constexpr size_t kJumpWindowSize = 1 << 16;

    // mode: a FileOpenMode value; throws EFOpenError.
    ArchiveFile(const std::string& path, uint16_t mode);
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    uint64_t size() const { return size_; }

    // Up to `n` bytes at `offset` into `out`; returns how many the file had.
    size_t readAt(uint64_t offset, void* out, size_t n);
    // Exactly `n` bytes or EReadError.
    void readExactAt(uint64_t offset, void* out, size_t n);

    // A view of `n` <= kWindowSize bytes at `offset`, valid until the next view or read.
    // Returns nullptr when the file ends before offset + n.
    const uint8_t* view(uint64_t offset, size_t n);

    // Forgets the window (the file may have changed).
    void invalidate() { windowLength_ = 0; }

private:
    files::FileHandle file_;
    uint64_t size_ = 0;
    std::unique_ptr<uint8_t[]> window_;
    uint64_t windowOffset_ = 0;
    size_t windowLength_ = 0;
};

} // namespace upd
