#include "archive/archive_file.h"

#include "archive/archive_types.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace upd {

ArchiveFile::ArchiveFile(const std::string& path, uint16_t mode) {
    // Read-write only where the caller's mode asks for it: nothing is ever written, but a
    // file that refuses writing must fail here as it would for that mode.
    const int flags = O_CLOEXEC | (mode == kModeReadWriteDenyWrite ? O_RDWR : O_RDONLY);
    fd_.reset(::open(path.c_str(), flags));
    if (!fd_.valid()) {
        const int err = errno;
        throw EFOpenError("Cannot open file \"" + path + "\". " + std::strerror(err));
    }
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        throw EFOpenError("Cannot open file \"" + path + "\". " + std::strerror(err));
    }
    size_ = static_cast<uint64_t>(st.st_size);
    // Only a hint: without it, reading is merely less eager.
    ::posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
}

size_t ArchiveFile::readAt(uint64_t offset, void* out, size_t n) {
    if (offset >= size_) return 0;
    if (n > size_ - offset) n = static_cast<size_t>(size_ - offset);
    size_t done = 0;
    auto* dst = static_cast<uint8_t*>(out);
    while (done < n) {
        const ssize_t got = ::pread(fd_.get(), dst + done, n - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

void ArchiveFile::readExactAt(uint64_t offset, void* out, size_t n) {
    if (readAt(offset, out, n) != n) throw EReadError();
}

const uint8_t* ArchiveFile::view(uint64_t offset, size_t n) {
    if (n > kWindowSize) return nullptr;
    // Compared without adding to the offset: an offset near 2^64 must not wrap into the window.
    const uint64_t into = offset - windowOffset_;
    if (offset >= windowOffset_ && into <= windowLength_ && n <= windowLength_ - into) return window_.get() + into;
    if (offset > size_ || n > size_ - offset) return nullptr;
    if (!window_) window_ = std::make_unique<uint8_t[]>(kWindowSize);
    windowLength_ = 0;
    const size_t got = readAt(offset, window_.get(), kWindowSize);
    windowOffset_ = offset;
    windowLength_ = got;
    return got >= n ? window_.get() : nullptr;
}

} // namespace upd
