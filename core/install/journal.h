// The record of one commit of staged files into the package folder, kept in the package
// folder while the commit runs. A run that finds it after a crash knows from it which files
// to move back (or that only the clean-up was left).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace upd::install {

struct Journal {
    enum class Phase { Prepared, Committed };
    struct File {
        std::string path;  // relative to the package folder, '/' between names
        bool hadOld = false;  // an old file stood there and is kept in the backup folder
        bool operator==(const File&) const = default;
    };

    Phase phase = Phase::Prepared;
    // Folders the package did not have, moved in from the staging folder with all they hold;
    // none inside another.
    std::vector<std::string> newFolders;
    std::vector<File> files;

    bool operator==(const Journal&) const = default;
};

std::string serializeJournal(const Journal& journal);
// Nothing when the text is not a whole journal of this format.
std::optional<Journal> parseJournal(const std::string& text);

// Writes the journal to `path` as one step (a temporary file flushed and renamed over it,
// then the folder flushed); raises InstallError when it cannot.
void writeJournal(const std::string& path, const Journal& journal);
// The journal at `path`; nothing when there is none; InstallError when it cannot be read
// or is not a journal.
std::optional<Journal> readJournal(const std::string& path);

} // namespace upd::install
