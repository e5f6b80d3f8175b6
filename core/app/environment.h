// Where the updater runs: its name and folder, the registry it reads and writes, and the
// documents server. The front ends make it from the command line.
#pragma once

#include "registry/installation_registry.h"

#include <string>

namespace upd {

struct Environment {
    std::string executableName = "update_3_2";  // names the program's title
    std::string updaterFolder;                  // the updater's own folder, ending with the separator
    RegistryOpener openRegistry;                // one registry object per operation
    std::string downloadHost;                   // host[:port] of the documents download
};

} // namespace upd
