#include "platform/file_handle.h"

namespace upd::files {

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
