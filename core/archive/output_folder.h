// Writing under the base folder without ever leaving it: entry names are checked before
// use, folders are walked one component at a time without following symbolic links, and
// every file is written to a temporary name beside its destination and renamed over it
// only when its content has verified.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_handle.h"
#include "platform/folder_handle.h"

namespace upd {

// An entry name as path components under the base folder.
struct EntryPath {
    std::vector<std::string> folders;  // "." and empty components dropped
    std::string leaf;                  // empty for a name ending with a separator
};

// Splits a relative entry name at "/" and "\"; none when the name would lead outside the
// base folder: a leading separator (also a network path), a drive letter, a ".." component,
// or a zero byte.
std::optional<EntryPath> splitEntryPath(std::string_view name);

// How a folder could not be made.
enum class FolderFailure { None, Escapes, CannotCreate };

class OutputFolder {
public:
    OutputFolder() = default;
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // The folder base/folders..., made (with parents) when `create` is set; valid until
    // the next call. Null with the reason on failure. Links below the base are refused.
    const files::FolderHandle* open(const std::string& base, const std::vector<std::string>& folders, bool create,
                                    FolderFailure& failure);

    // Closes every folder held.
    void reset();
    // The base folder once open() has opened it, else null.
    const files::FolderHandle* base() const { return base_.isOpen() ? &base_ : nullptr; }

private:
    void setBase(const std::string& base);

    std::string basePath_;
    files::FolderHandle base_;
    std::string lastKey_;
    files::FolderHandle last_;  // the folder of the last entry (closed when that was the base)
};

// The output file of one entry. A destination that does not exist yet is created
// exclusively under its own name (it is ours to remove if the entry fails); an existing one
// is only replaced by renaming a temporary file beside it over it once the content has
// verified. Destroyed without commit(), it removes what it made: an existing destination
// is never touched.
class PendingFile {
public:
    // Creates `leaf` when nothing of that name exists; the error (file_exists) otherwise.
    std::error_code createNew(const files::FolderHandle& folder, const std::string& leaf, unsigned mode);
    // Creates a temporary file in the folder that commit() renames over `leaf`.
    bool createBeside(const files::FolderHandle& folder, const std::string& leaf, unsigned mode);
    ~PendingFile();

    files::FileHandle& file() { return file_; }
    // Puts the unnamed file `unnamed` (same file system) in place of the file made by
    // createNew() or createBeside(), with that file's permissions; the pending file then
    // writes through a duplicate of `unnamed`. False, with nothing changed, when it cannot.
    bool adopt(const files::FileHandle& unnamed);
    // Time and mode applied, file closed, renamed over the destination when replacing.
    bool commit(std::optional<unsigned> mode, std::optional<int64_t> mtime);
    void discard();

private:
    const files::FolderHandle* folder_ = nullptr;  // borrowed from the output folder
    files::FileHandle file_;
    std::string leaf_;
    std::string tempName_;  // empty when the file was made under its own name
    bool made_ = false;     // a file exists that discard() must remove
};

// Permission bits new files get (0666 less the file-creation mask).
unsigned defaultFileMode();

} // namespace upd
