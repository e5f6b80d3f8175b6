#include "platform/folder_handle.h"

#include "platform/files.h"
#include "platform/win32_path.h"

#include <windows.h>

namespace upd::files {

namespace {

using win32::lastError;

constexpr int64_t kEpochOffset = 116444736000000000LL;  // 1601 to 1970 in 100 ns

int64_t unixSeconds(const FILETIME& ft) {
    const int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    return (ticks - kEpochOffset) / 10000000;
}

// A name that stays inside the folder as it is: no separator, nothing that climbs out, no
// ':' (a stream of another file), no character Win32 refuses, and no trailing dot or blank
// (Win32 drops them, so "..." would be the folder itself).
bool plainName(const std::string& name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
    for (unsigned char c : name)
        if (c < 0x20) return false;
    return name.find_first_of("/\\:*?\"<>|") == std::string::npos;
}

// The attributes of what stands at `path`, the link itself for a link; INVALID_FILE_ATTRIBUTES when nothing.
DWORD attributesOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

} // namespace

FolderHandle::~FolderHandle() { close(); }

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

bool FolderHandle::isOpen() const noexcept { return !path_.empty(); }

void FolderHandle::close() noexcept { path_.clear(); }

std::error_code FolderHandle::open(const std::string& path) noexcept {
    close();
    const DWORD a = attributesOf(win32::widePath(path));
    if (a == INVALID_FILE_ATTRIBUTES) return lastError();
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return std::make_error_code(std::errc::not_a_directory);
    // Entries are reached by full path from here on: a relative folder is taken as it is now.
    std::string full;
    if (auto ec = resolvePath(path, full)) return ec;
    path_ = withTrailingSeparator(full);
    return {};
}

std::error_code FolderHandle::duplicate(FolderHandle& copy) const noexcept {
    copy.path_ = path_;
    return {};
}

std::error_code FolderHandle::openFolder(const std::string& name, bool create, FolderHandle& folder) const noexcept {
    folder.close();
    if (!plainName(name)) return std::make_error_code(std::errc::invalid_argument);
    const std::string path = path_ + name;
    const std::wstring wpath = win32::widePath(path);
    DWORD a = attributesOf(wpath);
    if (a == INVALID_FILE_ATTRIBUTES && create) {
        if (!CreateDirectoryW(wpath.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return lastError();
        a = attributesOf(wpath);
    }
    if (a == INVALID_FILE_ATTRIBUTES) return lastError();
    // A junction or symbolic link could lead anywhere: never followed on the way down.
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) return std::make_error_code(std::errc::too_many_symbolic_link_levels);
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) return std::make_error_code(std::errc::not_a_directory);
    folder.path_ = path + kSeparator;
    return {};
}

std::error_code FolderHandle::createFile(const std::string& name, unsigned permissions, FileHandle& file) const noexcept {
    if (!plainName(name)) return std::make_error_code(std::errc::invalid_argument);
    return file.createNew(path_ + name, permissions);
}

std::error_code FolderHandle::entry(const std::string& name, Entry& entry) const noexcept {
    if (!plainName(name)) return std::make_error_code(std::errc::invalid_argument);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(win32::widePath(path_ + name).c_str(), GetFileExInfoStandard, &data)) return lastError();
    const DWORD a = data.dwFileAttributes;
    entry.kind = (a & FILE_ATTRIBUTE_REPARSE_POINT) ? Entry::Kind::Link
                 : (a & FILE_ATTRIBUTE_DIRECTORY)   ? Entry::Kind::Folder
                 : (a & FILE_ATTRIBUTE_DEVICE)      ? Entry::Kind::Other
                                                    : Entry::Kind::File;
    entry.permissions = (a & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    entry.modified = unixSeconds(data.ftLastWriteTime);
    return {};
}

std::error_code FolderHandle::rename(const std::string& from, const std::string& to) const noexcept {
    if (!plainName(from) || !plainName(to)) return std::make_error_code(std::errc::invalid_argument);
    const std::wstring target = win32::widePath(path_ + to);
    const bool wasReadOnly = win32::clearReadOnly(target);
    if (MoveFileExW(win32::widePath(path_ + from).c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    const std::error_code ec = lastError();
    if (wasReadOnly) win32::restoreReadOnly(target);
    return ec;
}

std::error_code FolderHandle::remove(const std::string& name) const noexcept {
    if (!plainName(name)) return std::make_error_code(std::errc::invalid_argument);
    const std::wstring path = win32::widePath(path_ + name);
    const bool wasReadOnly = win32::clearReadOnly(path);
    if (DeleteFileW(path.c_str())) return {};
    const std::error_code ec = lastError();
    if (wasReadOnly) win32::restoreReadOnly(path);
    return ec;
}

// Windows has no file without a name that could be given one later: entries are then
// decoded by the caller's thread into their own files.
std::error_code FolderHandle::createUnnamed(FileHandle&) const noexcept {
    return std::make_error_code(std::errc::function_not_supported);
}

std::error_code FolderHandle::placeUnnamed(const FileHandle&, const FileHandle&, const std::string&) const noexcept {
    return std::make_error_code(std::errc::function_not_supported);
}

} // namespace upd::files
