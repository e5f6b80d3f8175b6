#include "migration/file_copy.h"

#include "platform/file_handle.h"
#include "platform/replace_file.h"

#include <filesystem>

namespace upd {
namespace {

// A copy of `from` under a fresh temporary name in the folder of `to`, flushed to the disk.
std::error_code copyToTemporary(const std::string& from, const std::string& to, files::TemporaryFile& temp) {
    files::FileHandle in;
    if (auto ec = in.openForReading(from)) return ec;
    bool regular = false;
    unsigned permissions = 0;
    if (auto ec = in.isRegularFile(regular)) return ec;
    if (!regular) return std::make_error_code(std::errc::invalid_argument);
    if (auto ec = in.permissions(permissions)) return ec;
    if (auto ec = temp.create(to, 0600)) return ec;
    char buffer[1 << 16];
    for (;;) {
        size_t got = 0;
        if (auto ec = in.readSome(buffer, sizeof buffer, got)) return ec;
        if (got == 0) break;
        if (auto ec = temp.handle().writeAll(std::string_view(buffer, got))) return ec;
    }
    // The copy is a working file: writable by its owner whatever the source's mode.
    return temp.handle().setPermissions((permissions & 0777) | 0600);
}

} // namespace

bool copyFileReplacing(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (std::filesystem::equivalent(from, to, ec)) return false;  // the file itself
    files::TemporaryFile temp;
    return !copyToTemporary(from, to, temp) && !temp.commitReplacing();
}

bool copyFileNoReplace(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(to, ec))) return false;
    files::TemporaryFile temp;
    return !copyToTemporary(from, to, temp) && !temp.commitWithoutReplacing();
}

} // namespace upd
