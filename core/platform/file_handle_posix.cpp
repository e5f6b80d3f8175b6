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

std::error_code FileHandle::openForUpdate(const std::string& path) noexcept {
    *this = FileHandle(::open(path.c_str(), O_RDWR | O_CLOEXEC));
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

std::error_code FileHandle::readAt(uint64_t offset, void* buffer, size_t size, size_t& got) noexcept {
    got = 0;
    auto* out = static_cast<char*>(buffer);
    while (got < size) {
        const ssize_t n = ::pread(native_, out + got, size - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return lastError();
        if (n == 0) break;  // the end of the file
        got += static_cast<size_t>(n);
    }
    return {};
}

std::error_code FileHandle::writeAllAt(uint64_t offset, std::string_view bytes, size_t* written) noexcept {
    size_t done = 0;
    std::error_code ec;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(native_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ec = lastError();
            break;
        }
        if (n == 0) {  // no progress: would loop forever
            ec = std::make_error_code(std::errc::io_error);
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (written) *written = done;
    return ec;
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

std::error_code FileHandle::status(Status& status) const noexcept {
    struct stat st {};
    if (::fstat(native_, &st) != 0) return lastError();
    status.regular = S_ISREG(st.st_mode);
    status.folder = S_ISDIR(st.st_mode);
    status.size = static_cast<uint64_t>(st.st_size);
    status.modified = static_cast<int64_t>(st.st_mtime);
    return {};
}

std::error_code FileHandle::setModifiedTime(int64_t seconds) noexcept {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds), 0}};
    return ::futimens(native_, times) == 0 ? std::error_code{} : lastError();
}

std::error_code FileHandle::duplicate(FileHandle& copy) const noexcept {
    copy = FileHandle(::fcntl(native_, F_DUPFD_CLOEXEC, 0));
    return copy.isOpen() ? std::error_code{} : lastError();
}

void FileHandle::adviseSequential() noexcept { ::posix_fadvise(native_, 0, 0, POSIX_FADV_SEQUENTIAL); }

unsigned creationMask() noexcept {
    // umask() can only be read by setting it: done once, before any thread creates files.
    static const unsigned mask = [] {
        const mode_t m = ::umask(022);
        ::umask(m);
        return static_cast<unsigned>(m);
    }();
    return mask;
}

} // namespace upd::files
