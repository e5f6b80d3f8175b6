#include "platform/replace_file.h"

#include "platform/durable_fs.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace upd::files {

namespace {

std::error_code lastError() { return {errno, std::generic_category()}; }

std::string folderOf(const std::string& path) {
    const std::string parent = std::filesystem::path(path).parent_path().string();
    return parent.empty() ? "." : parent;
}

} // namespace

TemporaryFile::~TemporaryFile() { discard(); }

std::error_code TemporaryFile::create(const std::string& target, unsigned permissions) {
    discard();
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = target + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
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
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
}

std::error_code TemporaryFile::flushAndClose() {
    if (auto ec = handle_.sync()) return ec;
    return handle_.close();
}

std::error_code TemporaryFile::commitReplacing() {
    std::error_code ec = flushAndClose();
    if (!ec && std::rename(path_.c_str(), target_.c_str()) != 0) ec = lastError();
    if (ec) {
        discard();
        return ec;
    }
    path_.clear();
    return syncFolder(folderOf(target_));
}

std::error_code TemporaryFile::commitWithoutReplacing() {
    std::error_code ec = flushAndClose();
    if (!ec) {
        // link() refuses an existing name, so a file that appeared meanwhile stays untouched.
        if (::link(path_.c_str(), target_.c_str()) == 0) {
            discard();
            return syncFolder(folderOf(target_));
        }
        ec = lastError();
        if (ec == std::errc::operation_not_permitted || ec == std::errc::not_supported ||
            ec == std::errc::function_not_supported) {
            // A file system without hard links: the rename that refuses a name in use.
            ec = renameWithoutReplacing(path_, target_);
            if (!ec) {
                path_.clear();
                return syncFolder(folderOf(target_));
            }
        }
    }
    discard();
    return ec;
}

std::error_code replaceFileContent(const std::string& path, std::string_view bytes, unsigned permissions) {
    TemporaryFile file;
    if (auto ec = file.create(path, permissions)) return ec;
    if (auto ec = file.handle().writeAll(bytes)) return ec;
    return file.commitReplacing();
}

std::error_code moveReplacing(const std::string& from, const std::string& to) {
    if (auto ec = syncFile(from)) return ec;
    if (std::rename(from.c_str(), to.c_str()) != 0) return lastError();
    return syncFolder(folderOf(to));
}

std::error_code renameReplacing(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code{} : lastError();
}

std::error_code renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return lastError();
    // File systems without the no-replace flag: test first, then rename.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return std::make_error_code(std::errc::file_exists);
    if (errno != ENOENT) return lastError();
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code{} : lastError();
}

} // namespace upd::files
