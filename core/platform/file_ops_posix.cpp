#include "platform/files.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace upd::files {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

} // namespace

namespace fs = std::filesystem;

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

std::error_code removeFileOrLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return lastError();
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    return ::unlink(path.c_str()) == 0 ? std::error_code{} : lastError();
}

std::error_code removeEmptyFolder(const std::string& path) {
    return ::rmdir(path.c_str()) == 0 ? std::error_code{} : lastError();
}

std::error_code removeTree(const std::string& path) {
    std::error_code ec;
    fs::remove_all(fs::path(path), ec);
    return ec;
}

std::error_code resolvePath(const std::string& path, std::string& resolved) {
    const std::unique_ptr<char, decltype(&std::free)> result(::realpath(path.c_str(), nullptr), &std::free);
    if (!result) return lastError();
    resolved = result.get();
    return {};
}

std::string currentFolder() {
    char cwd[4096];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) : std::string();
}

unsigned processId() { return static_cast<unsigned>(::getpid()); }

} // namespace upd::files
