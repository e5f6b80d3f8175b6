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

mode_t processUmask() {
    static const mode_t mask = [] {
        const mode_t m = ::umask(022);
        ::umask(m);
        return m;
    }();
    return mask;
}

mode_t defaultFileMode() { return 0666 & ~processUmask(); }

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

bool PendingFile::createNew(int dirFd, const std::string& leaf, mode_t mode) {
    dirFd_ = dirFd;
    leaf_ = leaf;
    tempName_.clear();
    fd_ = ::openat(dirFd_, leaf_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    made_ = fd_ >= 0;
    return made_;
}

bool PendingFile::createBeside(int dirFd, const std::string& leaf, mode_t mode) {
    static std::atomic<unsigned> counter{0};
    static const int pid = static_cast<int>(::getpid());
    dirFd_ = dirFd;
    leaf_ = leaf;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, ".upd~%d.%u.tmp", pid, counter++);
        fd_ = ::openat(dirFd_, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            tempName_ = name;
            made_ = true;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool PendingFile::adopt(int tmpFd) {
    static std::atomic<unsigned> counter{0};
    static const int pid = static_cast<int>(::getpid());
    if (fd_ < 0 || !made_) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    // The group a file made in its own folder gets (a set-group-ID folder passes on its own).
    struct stat tmp {};
    if (::fstat(tmpFd, &tmp) != 0) return false;
    if (tmp.st_gid != st.st_gid && ::fchown(tmpFd, static_cast<uid_t>(-1), st.st_gid) != 0) return false;
    if (::fchmod(tmpFd, st.st_mode & 07777) != 0) return false;
    char source[64];
    std::snprintf(source, sizeof source, "/proc/self/fd/%d", tmpFd);
    char name[64];
    bool linked = false;
    for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
        std::snprintf(name, sizeof name, ".upd~%d.a%u.tmp", pid, counter++);
        // Through /proc; without it, by the descriptor itself (needs the privilege to).
        if (::linkat(AT_FDCWD, source, dirFd_, name, AT_SYMLINK_FOLLOW) == 0 ||
            (errno == ENOENT && ::linkat(tmpFd, "", dirFd_, name, AT_EMPTY_PATH) == 0))
            linked = true;
        else if (errno != EEXIST)
            return false;
    }
    if (!linked) return false;
    const int dup = ::fcntl(tmpFd, F_DUPFD_CLOEXEC, 0);
    const std::string& current = tempName_.empty() ? leaf_ : tempName_;
    if (dup < 0 || ::renameat(dirFd_, name, dirFd_, current.c_str()) != 0) {
        if (dup >= 0) ::close(dup);
        ::unlinkat(dirFd_, name, 0);
        return false;
    }
    ::close(fd_);
    fd_ = dup;
    return true;
}

bool PendingFile::commit(std::optional<mode_t> mode, std::optional<time_t> mtime) {
    bool ok = true;
    if (mode) ::fchmod(fd_, *mode);  // a failure leaves the mode the file was made with
    if (mtime) {
        struct timespec times[2] = {{0, UTIME_OMIT}, {*mtime, 0}};
        ::futimens(fd_, times);
    }
    if (::close(fd_) != 0) ok = false;
    fd_ = -1;
    if (ok && !tempName_.empty() && ::renameat(dirFd_, tempName_.c_str(), dirFd_, leaf_.c_str()) != 0) ok = false;
    if (!ok) {
        discard();
        return false;
    }
    made_ = false;
    return true;
}

void PendingFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (made_) ::unlinkat(dirFd_, tempName_.empty() ? leaf_.c_str() : tempName_.c_str(), 0);
    made_ = false;
}

PendingFile::~PendingFile() { discard(); }

} // namespace upd
