// The console front end: runs the start-up report and the update (or one catalogue
// operation) unattended, the log on standard output.
#pragma once

#include "options.h"

#include <iosfwd>

namespace upd::console {

// Exit codes; `--help` lists them.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitUnexpected = 1,
    kExitUsage = 2,
    kExitDatabaseMissing = 3,
    kExitProgramMissing = 4,
    kExitVersionUnknown = 5,
    kExitVersionRefused = 6,
    kExitInstallFolderUnknown = 7,
    kExitArchiveMissing = 8,
    kExitArchiveError = 9,
    kExitRegistryError = 10,
    kExitStepFailed = 11,
};

int run(int argc, char** argv);
int run(const Options& options, const char* argv0, std::ostream& out, std::ostream& err);

} // namespace upd::console
