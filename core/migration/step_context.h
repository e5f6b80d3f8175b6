// What every migration and transfer step works with: the window's form (log, dialogs, boxes,
// registry, the updater's folder) and its database components. The step classes hold one.
#pragma once

#include "ui/form_context.h"
#include "db/database_components.h"

#include <string>

namespace upd {

struct StepContext {
    FormContext& form;
    DatabaseComponents& db;

    UpdateLog& log() const { return form.ListBox1; }
    // A path below the updater's folder; `relative` uses '/' and is given the platform's separator.
    std::string updaterPath(const std::string& relative) const;
};

} // namespace upd
