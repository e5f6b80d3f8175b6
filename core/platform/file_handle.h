// One owning type for an open file of the operating system, and the writes built on it.
// Every call returns an error code (empty on success) and throws nothing; callers turn the
// code into their own error. The header names no POSIX or Windows type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace upd::files {

class FileHandle {
public:
#ifdef _WIN32
    using Native = void*;
    static inline const Native kInvalid = reinterpret_cast<Native>(static_cast<intptr_t>(-1));
#else
    using Native = int;
    static constexpr Native kInvalid = -1;
#endif

    FileHandle() noexcept = default;
    explicit FileHandle(Native native) noexcept : native_(native) {}
    // Closes the file. Only for files read or given up: a writer calls close() and checks
    // it, because the close may be the first to report that written data did not reach
    // the disk.
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool isOpen() const noexcept { return native_ != kInvalid; }
    Native native() const noexcept { return native_; }
    // Gives the file up without closing it.
    Native release() noexcept;
    std::error_code close() noexcept;

    // An existing file (links followed), for reading.
    std::error_code openForReading(const std::string& path) noexcept;
    // An existing file (links followed), for reading and writing.
    std::error_code openForUpdate(const std::string& path) noexcept;
    // A file that must not exist yet (a link there counts as existing), for writing.
    // `permissions` are the usual Unix bits, narrowed by the process's file-creation mask.
    std::error_code createNew(const std::string& path, unsigned permissions = 0666) noexcept;
    // A file for an advisory lock, created where missing; the lock ends with the handle. A
    // link at `path` is refused, so that a planted link cannot make us create a file elsewhere.
    std::error_code openForLocking(const std::string& path, unsigned permissions = 0600) noexcept;
    // Waits until this process holds the exclusive lock of the whole file.
    std::error_code lockExclusive() noexcept;
    // Takes the exclusive lock if nobody holds it; `locked` tells whether it was taken.
    std::error_code tryLockExclusive(bool& locked) noexcept;

    // Reads up to `size` bytes; `got` is 0 at the end of the file.
    std::error_code readSome(void* buffer, size_t size, size_t& got) noexcept;
    // Writes all the bytes, however many calls the system needs.
    std::error_code writeAll(std::string_view bytes) noexcept;
    // Reads up to `size` bytes at `offset`, as many as the file has there; the file's
    // position for readSome/writeAll is not to be relied on afterwards.
    std::error_code readAt(uint64_t offset, void* buffer, size_t size, size_t& got) noexcept;
    // Writes all the bytes at `offset`; `written` (when given) tells how many went, also
    // on failure (a full disk stops a write part of the way).
    std::error_code writeAllAt(uint64_t offset, std::string_view bytes, size_t* written = nullptr) noexcept;
    // Flushes the file's data to the disk.
    std::error_code sync() noexcept;
    // Sets the permission bits exactly, whatever the creation mask.
    std::error_code setPermissions(unsigned permissions) noexcept;
    // The permission bits of the open file.
    std::error_code permissions(unsigned& bits) const noexcept;
    // Gives this file the owner and group of `other`, where the system has owners and they
    // differ: a rewritten file stays the property of whoever owned the old one.
    std::error_code takeOwnerOf(const FileHandle& other) noexcept;
    // True when the open file is a regular file (not a folder, device or pipe).
    std::error_code isRegularFile(bool& regular) const noexcept;
    // What the system knows of the open file.
    struct Status {
        bool regular = false;
        bool folder = false;
        uint64_t size = 0;
        int64_t modified = 0;  // seconds since 1970 (UTC)
    };
    std::error_code status(Status& status) const noexcept;
    // Sets the file's modification time (seconds since 1970, UTC).
    std::error_code setModifiedTime(int64_t seconds) noexcept;
    // A second handle to the same open file.
    std::error_code duplicate(FileHandle& copy) const noexcept;
    // Tells the system the file will be read from start to end (only a hint).
    void adviseSequential() noexcept;

private:
    Native native_ = kInvalid;
#ifdef _WIN32
    // The attributes the file was made with through this handle, 0 when not known: setting
    // the same again needs no question to the system (one call less per extracted file).
    unsigned long madeWith_ = 0;
#endif
};

// The process's file-creation mask, read once (none where the platform has no such mask).
unsigned creationMask() noexcept;

// The whole content of a file.
std::error_code readWholeFile(const std::string& path, std::string& bytes);

} // namespace upd::files
