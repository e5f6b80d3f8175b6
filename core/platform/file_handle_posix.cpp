#include "platform/file_handle.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace upd::files {

namespace {

std::error_code lastError() noexcept { return {errno, std::generic_category()}; }

} // namespace

FileHandle::~FileHandle() {
    // A file that was written has been closed with close() and its result checked; what is
    // left here was only read, or is given up after an earlier error.
    if (isOpen()) ::close(native_);
}

FileHandle::FileHandle(FileHandle&& other) noexcept : native_(other.release()) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (isOpen()) ::close(native_);  // as in the destructor
        native_ = other.release();
    }
    return *this;
}

FileHandle::Native FileHandle::release() noexcept {
    const Native n = native_;
    native_ = kInvalid;
    return n;
}

std::error_code FileHandle::close() noexcept {
    if (!isOpen()) return {};
    // The descriptor is gone after close() whatever it returns, EINTR included: no retry.
    return ::close(release()) == 0 ? std::error_code{} : lastError();
}

std::error_code FileHandle::openForReading(const std::string& path) noexcept {
    *this = FileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return isOpen() ? std::error_code{} : lastError();
}

std::error_code FileHandle::createNew(const std::string& path, unsigned permissions) noexcept {
    *this = FileHandle(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                              static_cast<mode_t>(permissions)));
    return isOpen() ? std::error_code{} : lastError();
}

std::error_code FileHandle::openForLocking(const std::string& path, unsigned permissions) noexcept {
    *this = FileHandle(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, static_cast<mode_t>(permissions)));
    return isOpen() ? std::error_code{} : lastError();
}

std::error_code FileHandle::lockExclusive() noexcept {
    while (::flock(native_, LOCK_EX) != 0)
        if (errno != EINTR) return lastError();
    return {};
}

std::error_code FileHandle::tryLockExclusive(bool& locked) noexcept {
    locked = false;
    while (::flock(native_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return {};
        if (errno != EINTR) return lastError();
    }
    locked = true;
    return {};
}

std::error_code FileHandle::takeOwnerOf(const FileHandle& other) noexcept {
    struct stat mine {}, theirs {};
    if (::fstat(native_, &mine) != 0 || ::fstat(other.native_, &theirs) != 0) return lastError();
    if (mine.st_uid == theirs.st_uid && mine.st_gid == theirs.st_gid) return {};
    return ::fchown(native_, theirs.st_uid, theirs.st_gid) == 0 ? std::error_code{} : lastError();
}

std::error_code FileHandle::readSome(void* buffer, size_t size, size_t& got) noexcept {
    got = 0;
    for (;;) {
        const ssize_t n = ::read(native_, buffer, size);
        if (n >= 0) {
            got = static_cast<size_t>(n);
            return {};
        }
        if (errno != EINTR) return lastError();
    }
}

std::error_code FileHandle::writeAll(std::string_view bytes) noexcept {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(native_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return lastError();
        if (n == 0) return std::make_error_code(std::errc::io_error);  // no progress: would loop forever
        done += static_cast<size_t>(n);
    }
    return {};
}

std::error_code FileHandle::sync() noexcept { return ::fsync(native_) == 0 ? std::error_code{} : lastError(); }

std::error_code FileHandle::setPermissions(unsigned permissions) noexcept {
    return ::fchmod(native_, static_cast<mode_t>(permissions)) == 0 ? std::error_code{} : lastError();
}

std::error_code FileHandle::permissions(unsigned& bits) const noexcept {
    struct stat st {};
    if (::fstat(native_, &st) != 0) return lastError();
    bits = static_cast<unsigned>(st.st_mode & 07777);
    return {};
}

std::error_code FileHandle::isRegularFile(bool& regular) const noexcept {
    struct stat st {};
    if (::fstat(native_, &st) != 0) return lastError();
    regular = S_ISREG(st.st_mode);
    return {};
}

std::error_code readWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    FileHandle file;
    if (auto ec = file.openForReading(path)) return ec;
    char buffer[1 << 16];
    for (;;) {
        size_t got = 0;
        if (auto ec = file.readSome(buffer, sizeof buffer, got)) return ec;
        if (got == 0) return {};
        bytes.append(buffer, got);
    }
}

} // namespace upd::files
