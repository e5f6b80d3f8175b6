// Puts a staged release into the package folder as one commit: every file is its old or its
// new content at any moment, and a failure or a crash leaves the folder as it was.
//
// The archive is extracted into a staging folder inside the package folder (the same file
// system, so that putting a file in place is a rename). The commit then records in a journal
// what it will replace, moves each old file aside into a backup folder, renames the new one
// in, and only then removes the old files and the journal. A run that finds the journal
// finishes the clean-up (all new files were in place) or moves the old files back.
#pragma once

#include "install/background_flush.h"
#include "install/journal.h"
#include "platform/durable_fs.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>

namespace upd::install {

// What the update keeps in the package folder while it runs.
inline constexpr const char* kStagingFolder = ".update_3_2.staging";
inline constexpr const char* kBackupFolder = ".update_3_2.backup";
inline constexpr const char* kJournalFile = ".update_3_2.journal";

// Why the commit gave up on a file another program holds open, naming the file.
std::string heldFileMessage(const std::string& file);

enum class Recovery {
    Nothing,           // no earlier run left anything
    LeftoversRemoved,  // an earlier run stopped before its commit: its staged files are gone
    RolledBack,        // an earlier commit stopped half-way: the old files are back
    Completed,         // an earlier commit had put every file in place: its clean-up is done
};

class StagedInstall {
public:
    // `packageFolder` ends with the separator.
    explicit StagedInstall(std::string packageFolder);

    // Brings the package folder back to a whole release after an interrupted run (see
    // Recovery). Raises InstallError when it cannot; then nothing else may be done.
    Recovery recover();

    // An empty staging folder, with its separator, for the archive to be extracted into.
    // Until the commit, what is written there is flushed to the disk in the background.
    std::string prepareStaging();
    // Removes the staging folder and whatever was extracted into it.
    void discardStaging();

    // Checks that every staged file and folder can be put in place, then puts them all in
    // place. Raises InstallError when anything fails, with the package folder as it was and
    // the staging folder gone.
    void commit();

    // Called before each change the commit makes, with its name; tests stop the process there.
    std::function<void(std::string_view change)> beforeChange;

    // Asked, with the file's path, when a file the commit must replace is held open by another
    // program; true to look again (the user closed it), false to give up. Unset: give up.
    std::function<bool(const std::string& file)> retryHeldFile;

    // Whether a file can be moved aside now: the platform's check, which tests replace.
    std::function<std::error_code(const std::string& path)> checkMovable = files::checkMovable;

private:
    Journal plan() const;
    void checkHeldFiles(const Journal& journal) const;
    void apply(Journal& journal);
    void rollBack(const Journal& journal);
    void cleanUp();
    void step(std::string_view change) const;

    std::string package_;
    std::string staging_;
    std::string backup_;
    std::string journal_;
    std::unique_ptr<BackgroundFlush> flushing_;
};

} // namespace upd::install
