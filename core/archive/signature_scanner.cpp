#include "archive/signature_scanner.h"

#include <algorithm>
#include <cstring>

#include "archive/archive_file.h"
#include "archive/le_reader.h"

namespace upd {

SignatureScanner::SignatureScanner(ArchiveFile& file, uint32_t signature, size_t windowSize, size_t needAfter)
    : file_(file), signature_(signature), needAfter_(std::max<size_t>(needAfter, 4)),
      window_(std::max<size_t>(windowSize, 8)) {}

bool SignatureScanner::load(uint64_t at) {
    windowStart_ = at;
    windowLength_ = file_.readAt(at, window_.data(), window_.size());
    return windowLength_ >= 4;
}

std::optional<uint64_t> SignatureScanner::find(uint64_t from) {
    const uint64_t fileSize = file_.size();
    if (fileSize < needAfter_) return std::nullopt;
    const uint64_t lastStart = fileSize - needAfter_;  // later starts leave too few bytes
    const auto first = static_cast<uint8_t>(signature_ & 0xFF);
    uint64_t at = from;
    while (at <= lastStart) {
        const bool inWindow = at >= windowStart_ && at - windowStart_ + 4 <= windowLength_;
        if (!inWindow && !load(at)) return std::nullopt;
        const uint8_t* p = window_.data();
        const size_t end = windowLength_ - 3;  // positions with four bytes in the window
        size_t i = static_cast<size_t>(at - windowStart_);
        while (i < end) {
            const void* hit = std::memchr(p + i, first, end - i);
            if (!hit) break;
            i = static_cast<size_t>(static_cast<const uint8_t*>(hit) - p);
            if (zip::le32(p + i) == signature_) {
                const uint64_t pos = windowStart_ + i;
                if (pos > lastStart) return std::nullopt;
                return pos;
            }
            ++i;
        }
        if (windowStart_ + windowLength_ >= fileSize) return std::nullopt;
        // The next window begins with the last three bytes of this one, so that a
        // signature across the border is seen.
        at = windowStart_ + end;
        if (!load(at)) return std::nullopt;
    }
    return std::nullopt;
}

} // namespace upd
