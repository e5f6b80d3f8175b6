#include "archive/archive_file.h"

#include "archive/archive_types.h"

#include <algorithm>
#include <system_error>

namespace upd {

ArchiveFile::ArchiveFile(const std::string& path, uint16_t mode) {
    // Read-write only where the caller's mode asks for it: nothing is ever written, but a
    // file that refuses writing must fail here as it would for that mode.
    auto fail = [&](const std::error_code& ec) {
        return EFOpenError("Cannot open file \"" + path + "\". " + ec.message());
    };
    if (auto ec = mode == kModeReadWriteDenyWrite ? file_.openForUpdate(path) : file_.openForReading(path))
        throw fail(ec);
    files::FileHandle::Status st;
    if (auto ec = file_.status(st)) throw fail(ec);
    if (st.folder) throw fail(std::make_error_code(std::errc::is_a_directory));
    size_ = st.size;
    // Only a hint: without it, reading is merely less eager.
    file_.adviseSequential();
}

size_t ArchiveFile::readAt(uint64_t offset, void* out, size_t n) {
    if (offset >= size_) return 0;
    if (n > size_ - offset) n = static_cast<size_t>(size_ - offset);
    // A read error reads as the end of the file: what was read before it counts.
    size_t done = 0;
    file_.readAt(offset, out, n, done);
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
    // Reading ahead pays where the reads go on from the window (many small entries, one
    // after the other); after a jump over a large entry, the header there and the next one
    // are all that is read.
    const bool goesOn = offset >= windowOffset_ && offset - windowOffset_ <= 2 * uint64_t(kWindowSize);
    const size_t ahead = std::max(n, goesOn ? kWindowSize : kJumpWindowSize);
    windowLength_ = 0;
    const size_t got = readAt(offset, window_.get(), ahead);
    windowOffset_ = offset;
    windowLength_ = got;
    return got >= n ? window_.get() : nullptr;
}

} // namespace upd
