#include "platform/replace_file.h"

#include "platform/durable_fs.h"
#include "platform/files.h"
#include "platform/win32_busy.h"
#include "platform/win32_path.h"

#include <windows.h>

#include <atomic>

namespace upd::files {

using win32::lastError;

// The write-through flag returns only once the rename is on the disk.
std::error_code renameReplacing(const std::string& from, const std::string& to) {
    const std::wstring target = win32::widePath(to);
    const bool wasReadOnly = win32::clearReadOnly(target);
    const std::wstring source = win32::widePath(from);
    // A file held for a moment (a scanner looking at the new file or at the old one) is waited
    // out; replacing a file that is being closed can also answer "access denied" for a moment.
    if (win32::retryWhileHeld(
            [&] { return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH); },
            ERROR_ACCESS_DENIED))
        return {};
    const std::error_code ec = lastError();
    if (wasReadOnly) win32::restoreReadOnly(target);
    return ec;
}

TemporaryFile::~TemporaryFile() { discard(); }

std::error_code TemporaryFile::create(const std::string& target, unsigned permissions) {
    discard();
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = target + ".new-" + std::to_string(processId()) + "-" + std::to_string(counter++);
        ec = handle_.createNew(candidate, permissions);
        if (!ec) {
            target_ = target;
            path_ = std::move(candidate);
            return {};
        }
        if (ec != std::errc::file_exists) return ec;
    }
    return ec;
}

void TemporaryFile::discard() noexcept {
    // The file is ours and its content worthless now: neither a close nor a removal that
    // fails leaves anything a reader could take for the target.
    handle_.close();
    if (!path_.empty()) removeFileOrLink(path_);
    path_.clear();
}

std::error_code TemporaryFile::flushAndClose() {
    if (auto ec = handle_.sync()) return ec;
    return handle_.close();
}

std::error_code TemporaryFile::commitReplacing() {
    std::error_code ec = flushAndClose();
    if (!ec) ec = renameReplacing(path_, target_);
    if (ec) {
        discard();
        return ec;
    }
    path_.clear();
    return {};
}

std::error_code TemporaryFile::commitWithoutReplacing() {
    std::error_code ec = flushAndClose();
    if (!ec) ec = renameWithoutReplacing(path_, target_);
    if (ec) {
        discard();
        return ec;
    }
    path_.clear();
    return {};
}

std::error_code replaceFileContent(const std::string& path, std::string_view bytes, unsigned permissions) {
    TemporaryFile file;
    if (auto ec = file.create(path, permissions)) return ec;
    if (auto ec = file.handle().writeAll(bytes)) return ec;
    return file.commitReplacing();
}

std::error_code moveReplacing(const std::string& from, const std::string& to) {
    if (auto ec = syncFile(from)) return ec;
    return renameReplacing(from, to);
}

std::error_code renameWithoutReplacing(const std::string& from, const std::string& to) {
    // Without the replace flag the system refuses a name in use, in the same step.
    if (MoveFileExW(win32::widePath(from).c_str(), win32::widePath(to).c_str(), MOVEFILE_WRITE_THROUGH)) return {};
    return lastError();
}

} // namespace upd::files
