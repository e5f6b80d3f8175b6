// What every operation of the main window reaches: the update log, the progress bar, the
// dialogs, the event pump, the registry and where the updater lies. The front ends create it;
// the subsystems' steps take it by reference.
#pragma once

#include "registry/installation_registry.h"
#include "ui/dialogs.h"
#include "ui/event_pump.h"
#include "ui/progress_bar.h"
#include "ui/update_log.h"

#include <string>

namespace upd {

struct Environment {
    std::string executableName = "update_3_2";  // names the program's title
    std::string updaterFolder;                  // the updater's own folder, ending with the separator
    RegistryOpener openRegistry;                // one registry object per operation
    std::string downloadHost;                   // host[:port] of the documents download
};

// The window message through which transfers move the progress bar.
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr uint32_t WM_PROGRESS = WM_USER + 100;

class FormContext {
public:
    FormContext(Environment environment, Dialogs& dialogs, EventPump& pump)
        : env(std::move(environment)), dialogs(dialogs), pump(pump), boxes(dialogs, programTitle(env.executableName)) {}

    FormContext(const FormContext&) = delete;
    FormContext& operator=(const FormContext&) = delete;

    Environment env;
    Dialogs& dialogs;
    EventPump& pump;
    MessageBoxes boxes;
    UpdateLog ListBox1;
    ProgressBar ProgressBar1;
};

} // namespace upd
