// What every migration and transfer step works with: the update log, the message boxes (and
// through them the open-file dialog), the registry, the updater's folder and the window's
// database components. The step sets hold one each; the references outlive them.
#pragma once

#include "db/database_components.h"
#include "registry/installation_registry.h"
#include "ui/dialogs.h"
#include "ui/update_log.h"

#include <string>

namespace upd {

struct StepContext {
    UpdateLog& log;
    MessageBoxes& boxes;
    const RegistryOpener& openRegistry;
    const std::string& updaterFolder;  // ends with the separator
    DatabaseComponents& db;

    // A path below the updater's folder; `relative` uses '/' and is given the platform's separator.
    std::string updaterPath(const std::string& relative) const;
};

} // namespace upd
