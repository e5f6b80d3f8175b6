#include "archive/output_folder.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace upd {

std::optional<EntryPath> splitEntryPath(std::string_view name) {
    if (!name.empty() && (name.front() == '/' || name.front() == '\\')) return std::nullopt;
    // A zero byte would end the name early for the system and hide a ".." behind it.
    if (name.find('\0') != std::string_view::npos) return std::nullopt;
    EntryPath path;
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '/' && name[i] != '\\') continue;
        parts.emplace_back(name.substr(start, i - start));
        start = i + 1;
    }
    if (!parts.empty()) {
        const std::string& first = parts.front();
        const bool drive = first.size() >= 2 && first[1] == ':' &&
                           ((first[0] >= 'A' && first[0] <= 'Z') || (first[0] >= 'a' && first[0] <= 'z'));
        if (drive) return std::nullopt;
    }
    path.leaf = parts.back();
    parts.pop_back();
    for (auto& part : parts) {
        if (part == "..") return std::nullopt;
        if (part.empty() || part == ".") continue;
        path.folders.push_back(std::move(part));
    }
    if (path.leaf == "..") return std::nullopt;
    if (path.leaf == ".") path.leaf.clear();
    return path;
}

mode_t defaultFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

OutputFolder::~OutputFolder() { reset(); }

void OutputFolder::reset() {
    if (lastFd_ >= 0 && lastFd_ != baseFd_) ::close(lastFd_);
    if (baseFd_ >= 0) ::close(baseFd_);
    lastFd_ = baseFd_ = -1;
    lastKey_.clear();
    base_.clear();
}

void OutputFolder::setBase(const std::string& base) {
    if (baseFd_ >= 0 && base == base_) return;
    reset();
    base_ = base;
}

int OutputFolder::open(const std::string& base, const std::vector<std::string>& folders, bool create,
                       FolderFailure& failure) {
    failure = FolderFailure::None;
    setBase(base);
    if (baseFd_ < 0) {
        // The base folder is the caller's choice: it is made and followed as given.
        std::error_code ec;
        if (create) std::filesystem::create_directories(base_.empty() ? "." : base_, ec);
        baseFd_ = ::open(base_.empty() ? "." : base_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (baseFd_ < 0) {
            failure = FolderFailure::CannotCreate;
            return -1;
        }
    }
    std::string key;
    for (const auto& f : folders) key.append(f).push_back('/');
    if (key.empty()) return baseFd_;
    if (lastFd_ >= 0 && key == lastKey_) return lastFd_;
    if (lastFd_ >= 0 && lastFd_ != baseFd_) ::close(lastFd_);
    lastFd_ = -1;
    lastKey_.clear();

    int dir = baseFd_;
    for (const auto& name : folders) {
        int next = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(dir, name.c_str(), 0777) == 0 || errno == EEXIST)
                next = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (next < 0) {
            struct stat st {};
            const bool link = ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
            failure = link ? FolderFailure::Escapes : FolderFailure::CannotCreate;
            if (dir != baseFd_) ::close(dir);
            return -1;
        }
        if (dir != baseFd_) ::close(dir);
        dir = next;
    }
    lastFd_ = dir;
    lastKey_ = key;
    return dir;
}

bool PendingFile::create(int dirFd, std::string leaf) {
    static std::atomic<unsigned> counter{0};
    dirFd_ = dirFd;
    leaf_ = std::move(leaf);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, ".upd~%d.%u.tmp", static_cast<int>(::getpid()), counter++);
        fd_ = ::openat(dirFd_, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            tempName_ = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool PendingFile::commit(std::optional<mode_t> mode, std::optional<time_t> mtime) {
    bool ok = true;
    if (mode) ::fchmod(fd_, *mode);  // a failure leaves the default mode
    if (mtime) {
        struct timespec times[2] = {{0, UTIME_OMIT}, {*mtime, 0}};
        ::futimens(fd_, times);
    }
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    if (ok && ::renameat(dirFd_, tempName_.c_str(), dirFd_, leaf_.c_str()) != 0) ok = false;
    if (!ok) {
        ::unlinkat(dirFd_, tempName_.c_str(), 0);
    }
    tempName_.clear();
    return ok;
}

void PendingFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempName_.empty()) ::unlinkat(dirFd_, tempName_.c_str(), 0);
    tempName_.clear();
}

PendingFile::~PendingFile() { discard(); }

} // namespace upd
