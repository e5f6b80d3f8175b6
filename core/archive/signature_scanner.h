// Forward search for a four-byte record signature in fixed windows of the archive file.
// Successive searches that land inside the current window reuse it, so a file dense with
// signatures is still read only once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace upd {

class ArchiveFile;

class SignatureScanner {
public:
    // An occurrence counts only when at least `needAfter` bytes of file follow its start.
    SignatureScanner(ArchiveFile& file, uint32_t signature, size_t windowSize, size_t needAfter);

    // First occurrence at or after `from`.
    std::optional<uint64_t> find(uint64_t from);

private:
    bool load(uint64_t at);

    ArchiveFile& file_;
    const uint32_t signature_;
    const size_t needAfter_;
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
    size_t windowLength_ = 0;
};

} // namespace upd
