// Replacing a file so that readers, and the disk after a power loss, see the old content or
// the new one, never a torn file: the bytes go to a new file beside the target, which is
// flushed, closed and renamed over the target, and the folder is flushed after the rename.
#pragma once

#include "platform/file_handle.h"

#include <string>
#include <string_view>
#include <system_error>

namespace upd::files {

// A new file under a unique name beside `target`, removed again unless committed.
class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file; `permissions` as for FileHandle::createNew.
    std::error_code create(const std::string& target, unsigned permissions = 0666);
    FileHandle& handle() { return handle_; }
    const std::string& path() const { return path_; }

    // Flushes and closes the file, renames it over the target and flushes the folder. The
    // temporary file is gone afterwards; a failure before the rename leaves the target as it
    // was, one of the folder's flush leaves the new content in place, not yet safe on disk.
    std::error_code commitReplacing();
    // As commitReplacing, but fails with file_exists and leaves whatever is at the target
    // untouched when something is there (a file that appears meanwhile included).
    std::error_code commitWithoutReplacing();
    // Closes and removes the file (the destructor does it too).
    void discard() noexcept;

private:
    std::error_code flushAndClose();

    FileHandle handle_;
    std::string target_;
    std::string path_;
};

// Flushes the finished file `from` and renames it over `to`, then flushes the folder: for a
// file another writer (a database engine, say) has built under a temporary name.
std::error_code moveReplacing(const std::string& from, const std::string& to);

// Renames the file `from` over `to` (a read-only `to` too, as POSIX does), without the
// flushes of moveReplacing: for moves whose order a journal keeps.
std::error_code renameReplacing(const std::string& from, const std::string& to);

// Renames `from` (a file or folder) to `to` unless something is there already; file_exists
// then, and nothing moves.
std::error_code renameWithoutReplacing(const std::string& from, const std::string& to);

// Replaces `path` with a file holding exactly `bytes`.
std::error_code replaceFileContent(const std::string& path, std::string_view bytes, unsigned permissions = 0666);

} // namespace upd::files
