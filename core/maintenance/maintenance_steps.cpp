#include "maintenance/maintenance_steps.h"

#include "maintenance/folder_ops.h"
#include "maintenance/removal_list.h"
#include "platform/files.h"
#include "platform/fs_path.h"
#include "ui/display_text.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace upd {

namespace {

struct PhotoCode {
    char character;
    const char* code;
};

// Applied in this order; no code holds any of the characters, so the order cannot matter.
constexpr PhotoCode kPhotoCodes[] = {
    {'\\', "_psl_"}, {'/', "_osl_"}, {':', "_2pn_"}, {'*', "_str_"}, {'|', "_vsl_"},
    {'"', "_kvc_"},  {'<', "_lss_"}, {'>', "_big_"}, {'?', "_qst_"},
};

// A path below a folder, written with '/', in the platform's separators.
std::string native(std::string_view relative) {
    std::string path(relative);
    for (char& c : path)
        if (c == '/') c = files::kSeparator;
    return path;
}

std::string replaceAll(std::string text, char what, std::string_view by) {
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + by.size()))
        text.replace(pos, 1, by);
    return text;
}

bool isRealFolder(const fs::directory_entry& entry) {
    std::error_code ec;
    return entry.symlink_status(ec).type() == fs::file_type::directory;
}

} // namespace

MaintenanceSteps::MaintenanceSteps(EventPump& pump, const std::string& updaterFolder, std::string root)
    : pump_(pump), updaterFolder_(updaterFolder), maintenanceRoot_(std::move(root)) {}

std::string MaintenanceSteps::DirNameForPhoto(const std::string& s2) const {
    std::string result = s2;
    for (const auto& row : kPhotoCodes) result = replaceAll(std::move(result), row.character, row.code);
    return result;
}

void MaintenanceSteps::RenameDirForPhoto(const std::string& dir_name) {
    std::error_code ec;
    fs::directory_iterator it(files::pathOf(dir_name), fs::directory_options::none, ec);
    if (ec) return;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (isRealFolder(*it)) {
            const std::string name = files::textOf(it->path().filename());
            const std::string oldPath = dir_name + files::kSeparator + name;
            const std::string newPath = dir_name + files::kSeparator + DirNameForPhoto(name);
            if (oldPath != newPath) maintenance::moveWithoutReplace(oldPath, newPath);
        }
        pump_.processPendingEvents();
    }
}

void MaintenanceSteps::Button4Click() { RenameDirForPhoto(photoFolder()); }

bool MaintenanceSteps::RemoveFiles(const std::string& _path) {
    const std::vector<std::string> list = maintenance::readRemovalList(removalListPath());
    // Without its separator the folder would be glued to the names of its siblings.
    const std::string folder = files::withTrailingSeparator(_path);
    for (const std::string& line : list) {
        bool ambiguous = false;
        if (const auto target = maintenance::removalTarget(folder, line, &ambiguous)) {
            maintenance::deleteFileOrLink(*target);
        } else if (ambiguous && log) {
            log("Строка списка удаления \"" + shownName(line) +
                "\" подходит к нескольким файлам, которые отличаются только регистром букв: ни один не удалён");
        }
    }
    RemoveEmptyFolders(folder + "doc");
    return true;
}

bool MaintenanceSteps::RemoveEmptyFolders(const std::string& rootFolder) {
    bool empty = true;
    std::error_code ec;
    // The starting folder too: were it a link, the folders pruned would be its target's.
    if (fs::is_symlink(fs::symlink_status(files::pathOf(rootFolder), ec))) return false;
    fs::directory_iterator it(files::pathOf(rootFolder), fs::directory_options::none, ec);
    if (ec) return maintenance::removeFolder(rootFolder);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = files::textOf(it->path().filename());
        if (!name.empty() && name.front() == '.') continue;
        // A link is content: following it could prune folders elsewhere.
        if (isRealFolder(*it)) {
            if (!RemoveEmptyFolders(rootFolder + files::kSeparator + name)) empty = false;
        } else {
            empty = false;
        }
    }
    return empty && maintenance::removeFolder(rootFolder);
}

void MaintenanceSteps::Button5Click() {
    const std::string module = moduleFolder();
    maintenance::moveWithoutReplace(module + native("doc/oplata"), module + native("doc/Оплата"));
    RemoveFiles(module);
}

std::string MaintenanceSteps::photoFolder() const { return files::withTrailingSeparator(maintenanceRoot_) + "photo"; }

std::string MaintenanceSteps::moduleFolder() const {
    return files::withTrailingSeparator(maintenanceRoot_) + native("Тарвенит/ДопСпециальности/");
}

std::string MaintenanceSteps::removalListPath() const {
    return files::withTrailingSeparator(updaterFolder_) + native("res/files.txt");
}

} // namespace upd
