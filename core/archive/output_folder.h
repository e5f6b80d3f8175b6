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
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Folder descriptor of base/folders..., made (with parents) when `create` is set.
    // -1 with the reason on failure. Symbolic links below the base are refused.
    int open(const std::string& base, const std::vector<std::string>& folders, bool create, FolderFailure& failure);

    // Closes every cached descriptor.
    void reset();

private:
    void setBase(const std::string& base);

    std::string base_;
    int baseFd_ = -1;
    std::string lastKey_;
    int lastFd_ = -1;
};

// A new file written under a temporary name in its destination folder. Destroyed without
// commit(), it removes itself: the destination is never touched.
class PendingFile {
public:
    // Returns false (errno set) when the temporary file cannot be made.
    bool create(int dirFd, std::string leaf);
    ~PendingFile();

    int fd() const { return fd_; }
    // Mode and time applied, descriptor closed, renamed over the destination.
    bool commit(std::optional<mode_t> mode, std::optional<time_t> mtime);
    void discard();

private:
    int dirFd_ = -1;
    int fd_ = -1;
    std::string leaf_;
    std::string tempName_;
};

// Permission bits new files get (0666 less the process's umask).
mode_t defaultFileMode();

} // namespace upd
