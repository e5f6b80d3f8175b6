// An open folder whose entries are reached by their names in it, never through a link: a
// writer that walks down from a base folder this way cannot be led out of it by a link
// someone put on the way. On POSIX it holds the folder's descriptor (the *at calls); on
// Windows the folder's full path, and every entry is opened without following reparse
// points. Every call returns an error code (empty on success) and throws nothing.
#pragma once

#include "platform/file_handle.h"

#include <cstdint>
#include <string>
#include <system_error>

namespace upd::files {

class FolderHandle {
public:
    FolderHandle() noexcept = default;
    ~FolderHandle();
    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    bool isOpen() const noexcept;
    void close() noexcept;

    // The folder at `path`, links on the way followed (the path is the caller's choice).
    std::error_code open(const std::string& path) noexcept;
    // A second handle to the same folder.
    std::error_code duplicate(FolderHandle& copy) const noexcept;
    // The sub-folder `name`, made first when missing and `create` is set. A link there is
    // refused with too_many_symbolic_link_levels.
    std::error_code openFolder(const std::string& name, bool create, FolderHandle& folder) const noexcept;
    // A new file `name` for writing (file_exists when anything, a link included, is there);
    // `permissions` as for FileHandle::createNew.
    std::error_code createFile(const std::string& name, unsigned permissions, FileHandle& file) const noexcept;

    // What stands at `name` (a link is reported as such, not followed).
    struct Entry {
        enum class Kind { File, Folder, Link, Other };
        Kind kind = Kind::Other;
        unsigned permissions = 0;  // the usual Unix bits
        int64_t modified = 0;      // seconds since 1970 (UTC)
    };
    std::error_code entry(const std::string& name, Entry& entry) const noexcept;
    // Renames `from` over `to`, both in this folder; a read-only `to` is replaced too.
    std::error_code rename(const std::string& from, const std::string& to) const noexcept;
    // Removes the file or link `name` (a read-only file too).
    std::error_code remove(const std::string& name) const noexcept;

    // A file without a name on this folder's file system, for reading and writing; not
    // supported everywhere (function_not_supported then).
    std::error_code createUnnamed(FileHandle& file) const noexcept;
    // Gives the unnamed `file` the permissions (and group) of `like` and puts it in place
    // of `name`, replacing it; nothing changes when that fails.
    std::error_code placeUnnamed(const FileHandle& file, const FileHandle& like, const std::string& name) const noexcept;

private:
#ifdef _WIN32
    std::string path_;  // with a trailing separator; empty when closed
#else
    int fd_ = -1;
#endif
};

} // namespace upd::files
