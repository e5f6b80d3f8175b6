#include "platform/durable_fs.h"

#include "platform/file_handle.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace upd::files {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

} // namespace

std::error_code syncFileSystem(const std::string& path) {
    FileHandle h;
    if (auto ec = h.openForReading(path)) return ec;
    return ::syncfs(h.native()) == 0 ? std::error_code{} : lastError();
}

std::error_code syncFile(const std::string& path) {
    FileHandle h;
    if (auto ec = h.openForReading(path)) return ec;
    return h.sync();
}

std::error_code syncFolder(const std::string& folder) {
    FileHandle h(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!h.isOpen()) return lastError();
    return h.sync();
}

std::optional<uint64_t> freeBytes(const std::string& path) {
    struct statvfs s {};
    if (::statvfs(path.c_str(), &s) != 0) return std::nullopt;
    return static_cast<uint64_t>(s.f_bavail) * s.f_frsize;
}

bool folderWritable(const std::string& folder) { return ::access(folder.c_str(), W_OK | X_OK) == 0; }

std::error_code checkMovable(const std::string&) { return {}; }

} // namespace upd::files
