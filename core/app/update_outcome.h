// How the last run of the update sequence ended; the console front end turns it into its
// exit code.
#pragma once

namespace upd {

enum class UpdateOutcome {
    NotRun,
    Success,
    DatabaseMissing,
    ProgramMissing,
    VersionUnknown,
    VersionRefused,
    InstallFolderUnknown,
    ArchiveMissing,
    ArchiveError,
    RegistryError,
};

} // namespace upd
