// Helpers for the tests that compare our extraction with archives written and read by
// other programs (Info-ZIP zip/unzip, 7-Zip, bsdtar).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace upd::peer {

// A folder made for one test and removed with it unless `keep()` was called.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& child) const { return path_ + "/" + child; }
    void keep() { keep_ = true; }

private:
    std::string path_;
    bool keep_ = false;
};

// Single-quoted for bash.
std::string shellQuote(const std::string& text);

struct CommandResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

// Runs `script` with bash in `folder`; `env` entries are exported first.
CommandResult runShell(const std::string& script, const std::string& folder,
                       const std::map<std::string, std::string>& env = {});

// True when `program` is found on PATH.
bool toolAvailable(const std::string& program);

// How the test tree's non-ASCII names are spelt on disk before a tool archives them.
enum class NameSet {
    Ascii,  // ASCII names only
    Utf8,   // Cyrillic names in UTF-8
    Cp866,  // Cyrillic names as DOS code page 866 bytes
};

// Writes the tree the archivers pack: text and random files of several sizes (some over a
// megabyte), an empty file, an executable, a read-only file, a deep folder chain, an empty
// folder, names with blanks and without extension, and fixed odd and even modification times.
// Returns the number of regular files written.
size_t writeSourceTree(const std::string& root, NameSet names);

// More entries than the classic end record can count (65,535), so the archivers write the
// Zip64 end record and locator: 70,000 small files in 70 folders. Returns the file count.
size_t writeManyEntriesTree(const std::string& root);

// One node of an extracted tree.
struct Node {
    bool isDirectory = false;
    uint32_t mode = 0;       // permission bits
    int64_t mtime = 0;       // seconds since the epoch
    std::string content;     // regular files only
};

// Every file and folder below `root`, keyed by its path relative to `root` ('/' separators).
std::map<std::string, Node> snapshot(const std::string& root);

// `bytes` read as code page 866 and written as UTF-8 (through iconv).
std::string cp866ToUtf8(const std::string& bytes);
// UTF-8 text written as code page 866 bytes.
std::string utf8ToCp866(const std::string& text);

} // namespace upd::peer
