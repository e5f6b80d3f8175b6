// The program's command line, shared by the window and the console front ends.
#pragma once

#include "app/environment.h"
#include "db/engine_choice.h"

#include <optional>
#include <string>

namespace upd::console {

struct Options {
    bool console = false;
    bool help = false;
    bool yes = false;
    std::string registryFile;   // --registry FILE
    std::string logFile;        // --log FILE
    std::string step;           // --step NAME
    std::string openFile;       // --open FILE
    std::string downloadHost;   // --download-host HOST[:PORT]
    std::string screenshotDir;  // --screenshot DIR (window front end)
    bool screenshotAfterUpdate = false;  // --screenshot-after-update
    std::string dbEngine;       // --db-engine sqlcipher|odbc
    std::string odbcDriver;     // --odbc-driver NAME
    // The databases' engine: the two options above, else UPDATE_DB_ENGINE and
    // UPDATE_ODBC_DRIVER, else the platform's default.
    db::EngineChoice engine;
    std::string error;          // set when the command line is not understood
};

Options parseOptions(int argc, char** argv);

std::string usage();

// The environment of the main window: registry file, updater folder, download host. Also
// makes the chosen database engine the program's.
Environment makeEnvironment(const Options& options, const char* argv0);

} // namespace upd::console
