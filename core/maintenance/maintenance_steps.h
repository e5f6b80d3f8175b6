// The folder maintenance steps of the main window: photo folder names and the removal of
// obsolete files and empty folders. The hidden buttons Button4 and Button5 start them.
#pragma once

#include "ui/event_pump.h"

#include <functional>
#include <string>

namespace upd {

// The fixed place where the hidden buttons work, standing for the developer's drive:
// Button4Click renames below <root>photo, Button5Click fixes up the module folder
// <root>Тарвенит/ДопСпециальности/.
inline constexpr const char* kMaintenanceRoot = "/";

class MaintenanceSteps {
public:
    // `pump` lets pending events run while folders are renamed; the removal list lies below
    // `updaterFolder`.
    MaintenanceSteps(EventPump& pump, const std::string& updaterFolder, std::string root = kMaintenanceRoot);

    // Replaces each character that Windows forbids in names by its five-character code.
    std::string DirNameForPhoto(const std::string& s2) const;
    // Gives each direct sub-folder of `dir_name` (no trailing separator) its encoded name;
    // a rename that fails is passed over. Pending events run after every entry.
    void RenameDirForPhoto(const std::string& dir_name);
    void Button4Click();

    // Deletes below `_path` (a folder ending with the separator) each file that the
    // removal list names, then prunes the empty folders below <_path>doc. A list that
    // cannot be read throws before anything is deleted. True once the list was applied.
    bool RemoveFiles(const std::string& _path);
    // Removes, depth first, the folders below `rootFolder` (no trailing separator) that
    // hold no files, and the folder itself when it ends up empty; true when it was removed.
    bool RemoveEmptyFolders(const std::string& rootFolder);
    void Button5Click();

    // The folders the hidden buttons work on.
    std::string photoFolder() const;
    std::string moduleFolder() const;
    // The removal list beside the updater.
    std::string removalListPath() const;

    void setMaintenanceRoot(std::string root) { maintenanceRoot_ = std::move(root); }

    // Receives the log lines of the steps (a removal-list line that names several files).
    std::function<void(const std::string& line)> log;

private:
    EventPump& pump_;
    const std::string& updaterFolder_;
    std::string maintenanceRoot_;
};

} // namespace upd
