#include "platform/folder_handle.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace upd::files {

namespace {

std::error_code lastError() noexcept { return {errno, std::generic_category()}; }

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

} // namespace

FolderHandle::~FolderHandle() { close(); }

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool FolderHandle::isOpen() const noexcept { return fd_ >= 0; }

void FolderHandle::close() noexcept {
    // Nothing is written through a folder's descriptor: its close has nothing to report.
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

std::error_code FolderHandle::open(const std::string& path) noexcept {
    close();
    fd_ = ::open(path.c_str(), kFolderFlags);
    return fd_ >= 0 ? std::error_code{} : lastError();
}

std::error_code FolderHandle::duplicate(FolderHandle& copy) const noexcept {
    copy.close();
    copy.fd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    return copy.isOpen() ? std::error_code{} : lastError();
}

std::error_code FolderHandle::openFolder(const std::string& name, bool create, FolderHandle& folder) const noexcept {
    folder.close();
    folder.fd_ = ::openat(fd_, name.c_str(), kFolderFlags | O_NOFOLLOW);
    if (folder.fd_ < 0 && errno == ENOENT && create) {
        if (::mkdirat(fd_, name.c_str(), 0777) == 0 || errno == EEXIST)
            folder.fd_ = ::openat(fd_, name.c_str(), kFolderFlags | O_NOFOLLOW);
    }
    if (folder.isOpen()) return {};
    const std::error_code ec = lastError();
    struct stat st {};
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        return std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return ec;
}

std::error_code FolderHandle::createFile(const std::string& name, unsigned permissions, FileHandle& file) const noexcept {
    file = FileHandle(::openat(fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                               static_cast<mode_t>(permissions)));
    return file.isOpen() ? std::error_code{} : lastError();
}

std::error_code FolderHandle::entry(const std::string& name, Entry& entry) const noexcept {
    struct stat st {};
    if (::fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return lastError();
    entry.kind = S_ISREG(st.st_mode)   ? Entry::Kind::File
                 : S_ISDIR(st.st_mode) ? Entry::Kind::Folder
                 : S_ISLNK(st.st_mode) ? Entry::Kind::Link
                                       : Entry::Kind::Other;
    entry.permissions = static_cast<unsigned>(st.st_mode & 07777);
    entry.modified = static_cast<int64_t>(st.st_mtime);
    return {};
}

std::error_code FolderHandle::rename(const std::string& from, const std::string& to) const noexcept {
    return ::renameat(fd_, from.c_str(), fd_, to.c_str()) == 0 ? std::error_code{} : lastError();
}

std::error_code FolderHandle::remove(const std::string& name) const noexcept {
    return ::unlinkat(fd_, name.c_str(), 0) == 0 ? std::error_code{} : lastError();
}

std::error_code FolderHandle::createUnnamed(FileHandle& file) const noexcept {
    file = FileHandle(::openat(fd_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    return file.isOpen() ? std::error_code{} : lastError();
}

std::error_code FolderHandle::placeUnnamed(const FileHandle& file, const FileHandle& like,
                                           const std::string& name) const noexcept {
    static std::atomic<unsigned> counter{0};
    static const int pid = static_cast<int>(::getpid());
    const int tmpFd = file.native();
    struct stat st {};
    if (::fstat(like.native(), &st) != 0) return lastError();
    // The group a file made in its own folder gets (a set-group-ID folder passes on its own).
    struct stat tmp {};
    if (::fstat(tmpFd, &tmp) != 0) return lastError();
    if (tmp.st_gid != st.st_gid && ::fchown(tmpFd, static_cast<uid_t>(-1), st.st_gid) != 0) return lastError();
    if (::fchmod(tmpFd, st.st_mode & 07777) != 0) return lastError();
    char source[64];
    std::snprintf(source, sizeof source, "/proc/self/fd/%d", tmpFd);
    char link[64];
    bool linked = false;
    for (int attempt = 0; attempt < 100 && !linked; ++attempt) {
        std::snprintf(link, sizeof link, ".upd~%d.a%u.tmp", pid, counter++);
        // Through /proc; without it, by the descriptor itself (needs the privilege to).
        if (::linkat(AT_FDCWD, source, fd_, link, AT_SYMLINK_FOLLOW) == 0 ||
            (errno == ENOENT && ::linkat(tmpFd, "", fd_, link, AT_EMPTY_PATH) == 0))
            linked = true;
        else if (errno != EEXIST)
            return lastError();
    }
    if (!linked) return std::make_error_code(std::errc::file_exists);
    if (::renameat(fd_, link, fd_, name.c_str()) != 0) {
        const std::error_code ec = lastError();
        // The link made above is ours alone; if it cannot go either, it is a stray
        // temporary name, never a destination.
        ::unlinkat(fd_, link, 0);
        return ec;
    }
    return {};
}

} // namespace upd::files
