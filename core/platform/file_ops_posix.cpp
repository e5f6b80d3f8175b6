#include "platform/files.h"

#include <cerrno>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace upd::files {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

} // namespace

std::error_code removeFileOrLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return lastError();
    if (S_ISDIR(st.st_mode)) return std::make_error_code(std::errc::is_a_directory);
    return ::unlink(path.c_str()) == 0 ? std::error_code{} : lastError();
}

std::error_code removeEmptyFolder(const std::string& path) {
    return ::rmdir(path.c_str()) == 0 ? std::error_code{} : lastError();
}

std::error_code resolvePath(const std::string& path, std::string& resolved) {
    const std::unique_ptr<char, decltype(&std::free)> result(::realpath(path.c_str(), nullptr), &std::free);
    if (!result) return lastError();
    resolved = result.get();
    return {};
}

} // namespace upd::files
