#include "platform/files.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace upd::files {

bool fileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(fs::path(path), ec);
}

bool directoryExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(fs::path(path), ec);
}

std::string executableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return withTrailingSeparator(fs::current_path(ec).string());
    return withTrailingSeparator(exe.parent_path().string());
}

std::string withTrailingSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != kSeparator) folder.push_back(kSeparator);
    return folder;
}

} // namespace upd::files
