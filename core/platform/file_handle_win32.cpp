#include "platform/file_handle.h"

#include "platform/win32_path.h"

#include <windows.h>

#include <algorithm>

namespace upd::files {

namespace {

using win32::lastError;

// Others may read, write, rename and remove the file while it is open, as on POSIX.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// One ReadFile/WriteFile moves at most a DWORD's worth; smaller pieces keep each call short.
constexpr size_t kMaxPiece = 1u << 30;
// 100-nanosecond intervals between 1601 and 1970.
constexpr int64_t kEpochOffset = 116444736000000000LL;

HANDLE handleOf(FileHandle::Native native) { return static_cast<HANDLE>(native); }

HANDLE open(const std::string& path, DWORD access, DWORD disposition, DWORD flags) {
    return CreateFileW(win32::widePath(path).c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
}

int64_t unixSeconds(const FILETIME& ft) {
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    return (ticks - kEpochOffset) / 10000000;
}

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

std::error_code basicInfo(HANDLE h, FILE_BASIC_INFO& info) {
    return GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info) ? std::error_code{} : lastError();
}

} // namespace

FileHandle::~FileHandle() {
    // As on POSIX: a written file has been closed with close() and its result checked.
    if (isOpen()) CloseHandle(handleOf(native_));
}

FileHandle::FileHandle(FileHandle&& other) noexcept : madeWith_(other.madeWith_) { native_ = other.release(); }

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (isOpen()) CloseHandle(handleOf(native_));  // as in the destructor
        madeWith_ = other.madeWith_;
        native_ = other.release();
    }
    return *this;
}

FileHandle::Native FileHandle::release() noexcept {
    const Native n = native_;
    native_ = kInvalid;
    madeWith_ = 0;
    return n;
}

std::error_code FileHandle::close() noexcept {
    if (!isOpen()) return {};
    return CloseHandle(handleOf(release())) ? std::error_code{} : lastError();
}

std::error_code FileHandle::openForReading(const std::string& path) noexcept {
    // A folder opens too, as on POSIX, and tells what it is through status().
    *this = FileHandle(open(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS));
    return isOpen() ? std::error_code{} : lastError();
}

std::error_code FileHandle::openForUpdate(const std::string& path) noexcept {
    *this = FileHandle(open(path, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    return isOpen() ? std::error_code{} : lastError();
}

std::error_code FileHandle::createNew(const std::string& path, unsigned permissions) noexcept {
    // CREATE_NEW fails on any name in use, a reparse point (a link) included, which the
    // flag keeps from being followed. The owner's write bit is the read-only attribute;
    // the handle may write all the same, as a POSIX descriptor of a new 0444 file may.
    const DWORD attributes = (permissions & 0200) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
    *this = FileHandle(open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, attributes | FILE_FLAG_OPEN_REPARSE_POINT));
    if (!isOpen()) return lastError();
    madeWith_ = attributes;
    return {};
}

std::error_code FileHandle::openForLocking(const std::string& path, unsigned) noexcept {
    // No permissions on Windows: the folder's access list decides who may open the file.
    // The link itself is opened, never what it leads to, and then refused.
    *this = FileHandle(open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT));
    if (!isOpen()) return lastError();
    FILE_BASIC_INFO info{};
    if (auto ec = basicInfo(handleOf(native_), info)) return ec;
    if (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        *this = FileHandle();
        return std::make_error_code(std::errc::too_many_symbolic_link_levels);
    }
    return {};
}

std::error_code FileHandle::tryLockExclusive(bool& locked) noexcept {
    locked = false;
    OVERLAPPED whole{};
    if (LockFileEx(handleOf(native_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                   &whole)) {
        locked = true;
        return {};
    }
    return GetLastError() == ERROR_LOCK_VIOLATION ? std::error_code{} : lastError();
}

// A new file takes the access list its folder gives; the owner cannot be handed on without
// privileges a user does not have, so there is nothing to copy here.
std::error_code FileHandle::takeOwnerOf(const FileHandle&) noexcept { return {}; }

std::error_code FileHandle::lockExclusive() noexcept {
    OVERLAPPED whole{};
    return LockFileEx(handleOf(native_), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) ? std::error_code{}
                                                                                                : lastError();
}

std::error_code FileHandle::readSome(void* buffer, size_t size, size_t& got) noexcept {
    got = 0;
    DWORD n = 0;
    if (!ReadFile(handleOf(native_), buffer, static_cast<DWORD>(std::min(size, kMaxPiece)), &n, nullptr)) {
        // A pipe whose writer has gone ends like a file.
        if (GetLastError() == ERROR_BROKEN_PIPE) return {};
        return lastError();
    }
    got = n;
    return {};
}

std::error_code FileHandle::writeAll(std::string_view bytes) noexcept {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD n = 0;
        const DWORD piece = static_cast<DWORD>(std::min(bytes.size() - done, kMaxPiece));
        if (!WriteFile(handleOf(native_), bytes.data() + done, piece, &n, nullptr)) return lastError();
        if (n == 0) return std::make_error_code(std::errc::io_error);  // no progress: would loop forever
        done += n;
    }
    return {};
}

std::error_code FileHandle::readAt(uint64_t offset, void* buffer, size_t size, size_t& got) noexcept {
    got = 0;
    auto* out = static_cast<char*>(buffer);
    while (got < size) {
        OVERLAPPED o = at(offset + got);
        DWORD n = 0;
        if (!ReadFile(handleOf(native_), out + got, static_cast<DWORD>(std::min(size - got, kMaxPiece)), &n, &o)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return lastError();
        }
        if (n == 0) break;  // the end of the file
        got += n;
    }
    return {};
}

std::error_code FileHandle::writeAllAt(uint64_t offset, std::string_view bytes, size_t* written) noexcept {
    size_t done = 0;
    std::error_code ec;
    while (done < bytes.size()) {
        OVERLAPPED o = at(offset + done);
        DWORD n = 0;
        const DWORD piece = static_cast<DWORD>(std::min(bytes.size() - done, kMaxPiece));
        if (!WriteFile(handleOf(native_), bytes.data() + done, piece, &n, &o)) {
            ec = lastError();
            break;
        }
        if (n == 0) {  // no progress: would loop forever
            ec = std::make_error_code(std::errc::io_error);
            break;
        }
        done += n;
    }
    if (written) *written = done;
    return ec;
}

std::error_code FileHandle::sync() noexcept {
    return FlushFileBuffers(handleOf(native_)) ? std::error_code{} : lastError();
}

std::error_code FileHandle::setPermissions(unsigned permissions) noexcept {
    // Only the owner's write bit has a counterpart: the read-only attribute.
    const bool readOnly = (permissions & 0200) == 0;
    if (madeWith_ && ((madeWith_ & FILE_ATTRIBUTE_READONLY) != 0) == readOnly) return {};
    FILE_BASIC_INFO info{};
    if (auto ec = basicInfo(handleOf(native_), info)) return ec;
    DWORD attributes = info.FileAttributes;
    if (permissions & 0200)
        attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    else
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (attributes == info.FileAttributes) return {};
    if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;  // 0 would mean "leave as is"
    FILE_BASIC_INFO change{};  // times of 0 stay as they are
    change.FileAttributes = attributes;
    madeWith_ = 0;  // asked again next time
    return SetFileInformationByHandle(handleOf(native_), FileBasicInfo, &change, sizeof change) ? std::error_code{}
                                                                                              : lastError();
}

std::error_code FileHandle::permissions(unsigned& bits) const noexcept {
    // Everyone may read; the read-only attribute takes the write bits away. Folders and
    // programs are not told apart here: no execute bits.
    FILE_BASIC_INFO info{};
    if (auto ec = basicInfo(handleOf(native_), info)) return ec;
    bits = (info.FileAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    return {};
}

std::error_code FileHandle::isRegularFile(bool& regular) const noexcept {
    Status s;
    if (auto ec = status(s)) return ec;
    regular = s.regular;
    return {};
}

std::error_code FileHandle::status(Status& status) const noexcept {
    const HANDLE h = handleOf(native_);
    SetLastError(NO_ERROR);  // FILE_TYPE_UNKNOWN is an error only when the call sets one
    const DWORD type = GetFileType(h);
    if (type != FILE_TYPE_DISK) {
        if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) return lastError();
        status = Status{};  // a pipe or a console
        return {};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return lastError();
    status.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.regular = !status.folder && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    status.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.modified = unixSeconds(info.ftLastWriteTime);
    return {};
}

std::error_code FileHandle::setModifiedTime(int64_t seconds) noexcept {
    const uint64_t ticks = static_cast<uint64_t>(seconds * 10000000 + kEpochOffset);
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return SetFileTime(handleOf(native_), nullptr, nullptr, &ft) ? std::error_code{} : lastError();
}

std::error_code FileHandle::duplicate(FileHandle& copy) const noexcept {
    HANDLE dup = nullptr;
    const HANDLE self = GetCurrentProcess();
    if (!DuplicateHandle(self, handleOf(native_), self, &dup, 0, FALSE, DUPLICATE_SAME_ACCESS)) return lastError();
    copy = FileHandle(dup);
    return {};
}

// The flag that asks for sequential read-ahead is given when a file is opened; the cache
// manager notices sequential reads by itself as well.
void FileHandle::adviseSequential() noexcept {}

// New files inherit the folder's access list; there is no mask to narrow them.
unsigned creationMask() noexcept { return 0; }

} // namespace upd::files
