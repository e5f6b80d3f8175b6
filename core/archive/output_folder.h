// Writing under the base folder without ever leaving it: entry names are checked before
// use, folders are walked one component at a time without following symbolic links, and
// every file is written to a temporary name beside its destination and renamed over it
// only when its content has verified.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "archive/unique_fd.h"

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

    // Folder descriptor of base/folders..., made (with parents) when `create` is set.
    // -1 with the reason on failure. Symbolic links below the base are refused.
    int open(const std::string& base, const std::vector<std::string>& folders, bool create, FolderFailure& failure);

    // Closes every cached descriptor.
    void reset();
    // The base folder's descriptor once open() has opened it, else -1.
    int baseFd() const { return base_.get(); }

private:
    void setBase(const std::string& base);

    std::string basePath_;
    UniqueFd base_;
    std::string lastKey_;
    UniqueFd last_;  // the folder of the last entry (invalid when that was the base)
};

// The output file of one entry. A destination that does not exist yet is created
// exclusively under its own name (it is ours to remove if the entry fails); an existing one
// is only replaced by renaming a temporary file beside it over it once the content has
// verified. Destroyed without commit(), it removes what it made: an existing destination
// is never touched.
class PendingFile {
public:
    // Creates `leaf` when nothing of that name exists; false with errno (EEXIST) otherwise.
    bool createNew(int dirFd, const std::string& leaf, mode_t mode);
    // Creates a temporary file in the folder that commit() renames over `leaf`.
    bool createBeside(int dirFd, const std::string& leaf, mode_t mode);
    ~PendingFile();

    int fd() const { return fd_.get(); }
    // Puts the unnamed file `tmpFd` (O_TMPFILE, same file system) in place of the file made
    // by createNew() or createBeside(), with that file's permissions; the pending file then
    // writes through a duplicate of `tmpFd`. False, with nothing changed, when it cannot.
    bool adopt(int tmpFd);
    // Time and mode applied, descriptor closed, renamed over the destination when replacing.
    bool commit(std::optional<mode_t> mode, std::optional<time_t> mtime);
    void discard();

private:
    int dirFd_ = -1;  // borrowed from the output folder
    UniqueFd fd_;
    std::string leaf_;
    std::string tempName_;  // empty when the file was made under its own name
    bool made_ = false;     // a file exists that discard() must remove
};

// The process's umask, read once.
mode_t processUmask();
// Permission bits new files get (0666 less the umask).
mode_t defaultFileMode();

} // namespace upd
