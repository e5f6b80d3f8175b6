#include "download/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace upd {

namespace {

[[noreturn]] void fail(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

// Opens a new, not yet existing file beside `path`; created with the usual mode under the umask.
int createSibling(const std::string& path, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + ".part" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

void replaceFileContent(const std::string& path, std::string_view bytes) {
    std::string tempPath;
    const int fd = createSibling(path, tempPath);
    if (fd < 0) fail("Cannot create " + path);
    const auto abandon = [&](const std::string& what) {
        const int err = errno;
        ::close(fd);
        ::unlink(tempPath.c_str());
        errno = err;
        fail(what);
    };
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            abandon("Cannot write " + path);
        }
        written += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) abandon("Cannot flush " + path);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tempPath.c_str());
        errno = err;
        fail("Cannot write " + path);
    }
    if (std::rename(tempPath.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tempPath.c_str());
        errno = err;
        fail("Cannot replace " + path);
    }
}

} // namespace upd
