#include "platform/durable_fs.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace upd::files {

namespace {

// The descriptor of a path opened for flushing; closed with the object.
class SyncHandle {
public:
    SyncHandle(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC)) {}
    ~SyncHandle() {
        if (fd_ >= 0) ::close(fd_);  // read-only descriptor: closing it cannot lose data
    }
    SyncHandle(const SyncHandle&) = delete;
    SyncHandle& operator=(const SyncHandle&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

std::error_code lastError() { return {errno, std::generic_category()}; }

} // namespace

std::error_code syncFileSystem(const std::string& path) {
    SyncHandle h(path, O_RDONLY);
    if (h.fd() < 0) return lastError();
    return ::syncfs(h.fd()) == 0 ? std::error_code{} : lastError();
}

std::error_code syncFile(const std::string& path) {
    SyncHandle h(path, O_RDONLY);
    if (h.fd() < 0) return lastError();
    return ::fsync(h.fd()) == 0 ? std::error_code{} : lastError();
}

std::error_code syncFolder(const std::string& folder) {
    SyncHandle h(folder, O_RDONLY | O_DIRECTORY);
    if (h.fd() < 0) return lastError();
    return ::fsync(h.fd()) == 0 ? std::error_code{} : lastError();
}

std::optional<uint64_t> freeBytes(const std::string& path) {
    struct statvfs s {};
    if (::statvfs(path.c_str(), &s) != 0) return std::nullopt;
    return static_cast<uint64_t>(s.f_bavail) * s.f_frsize;
}

bool folderWritable(const std::string& folder) { return ::access(folder.c_str(), W_OK | X_OK) == 0; }

} // namespace upd::files
