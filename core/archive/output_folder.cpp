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

void OutputFolder::reset() {
    last_.reset();
    base_.reset();
    lastKey_.clear();
    basePath_.clear();
}

void OutputFolder::setBase(const std::string& base) {
    if (base_.valid() && base == basePath_) return;
    reset();
    basePath_ = base;
}

int OutputFolder::open(const std::string& base, const std::vector<std::string>& folders, bool create,
                       FolderFailure& failure) {
    failure = FolderFailure::None;
    setBase(base);
    if (!base_.valid()) {
        // The base folder is the caller's choice: it is made and followed as given. A
        // failure to make it shows when it cannot be opened next.
        std::error_code ec;
        if (create) std::filesystem::create_directories(basePath_.empty() ? "." : basePath_, ec);
        base_.reset(::open(basePath_.empty() ? "." : basePath_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!base_.valid()) {
            failure = FolderFailure::CannotCreate;
            return -1;
        }
    }
    std::string key;
    for (const auto& f : folders) key.append(f).push_back('/');
    if (key.empty()) return base_.get();
    if (last_.valid() && key == lastKey_) return last_.get();
    last_.reset();
    lastKey_.clear();

    UniqueFd dir;  // invalid: the base itself
    for (const auto& name : folders) {
        const int at = dir.valid() ? dir.get() : base_.get();
        UniqueFd next(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid() && errno == ENOENT && create) {
            if (::mkdirat(at, name.c_str(), 0777) == 0 || errno == EEXIST)
                next.reset(::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        }
        if (!next.valid()) {
            struct stat st {};
            const bool link = ::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
            failure = link ? FolderFailure::Escapes : FolderFailure::CannotCreate;
            return -1;
        }
        dir = std::move(next);
    }
    last_ = std::move(dir);
    lastKey_ = key;
    return last_.get();
}

bool PendingFile::createNew(int dirFd, const std::string& leaf, mode_t mode) {
    dirFd_ = dirFd;
    leaf_ = leaf;
    tempName_.clear();
    fd_.reset(::openat(dirFd_, leaf_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    made_ = fd_.valid();
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
        fd_.reset(::openat(dirFd_, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (fd_.valid()) {
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
    if (!fd_.valid() || !made_) return false;
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0) return false;
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
    UniqueFd dup(::fcntl(tmpFd, F_DUPFD_CLOEXEC, 0));
    const std::string& current = tempName_.empty() ? leaf_ : tempName_;
    if (!dup.valid() || ::renameat(dirFd_, name, dirFd_, current.c_str()) != 0) {
        // The link made above is ours alone; if it cannot go either, it is a stray
        // temporary name, never a destination.
        ::unlinkat(dirFd_, name, 0);
        return false;
    }
    fd_ = std::move(dup);
    return true;
}

bool PendingFile::commit(std::optional<mode_t> mode, std::optional<time_t> mtime) {
    bool ok = true;
    if (mode) ::fchmod(fd_.get(), *mode);  // a failure leaves the mode the file was made with
    if (mtime) {
        // A failure leaves the time of writing: attributes and times are applied as far as
        // the file system allows, never a reason to lose the content.
        struct timespec times[2] = {{0, UTIME_OMIT}, {*mtime, 0}};
        ::futimens(fd_.get(), times);
    }
    // Only close() can report that written data did not reach the file.
    if (fd_.reset() != 0) ok = false;
    if (ok && !tempName_.empty() && ::renameat(dirFd_, tempName_.c_str(), dirFd_, leaf_.c_str()) != 0) ok = false;
    if (!ok) {
        discard();
        return false;
    }
    made_ = false;
    return true;
}

void PendingFile::discard() {
    fd_.reset();  // the content is dropped, so a late write error is of no interest
    // The name is ours (made exclusively); should it refuse to go, nothing else can be done
    // about it here, and it never stands in for the destination.
    if (made_) ::unlinkat(dirFd_, tempName_.empty() ? leaf_.c_str() : tempName_.c_str(), 0);
    made_ = false;
}

PendingFile::~PendingFile() { discard(); }

} // namespace upd
