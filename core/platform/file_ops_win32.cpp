#include "platform/files.h"

#include "platform/file_handle.h"
#include "platform/win32_path.h"

#include <windows.h>

#include <vector>

namespace upd::files {

using win32::lastError;

namespace {

DWORD attributesOf(const std::string& path) {
    return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(win32::widePath(path).c_str());
}

} // namespace

bool fileExists(const std::string& path) {
    // Asked without opening the file: one held open by another process without sharing
    // exists all the same.
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool directoryExists(const std::string& path) {
    const DWORD a = attributesOf(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string executableFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return withTrailingSeparator(currentFolder());
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);  // cut short: the name did not fit
    }
    const std::string exe = win32::fromWidePath(buffer);
    const size_t slash = exe.find_last_of("\\/");
    return slash == std::string::npos ? withTrailingSeparator(currentFolder()) : exe.substr(0, slash + 1);
}

std::error_code removeFileOrLink(const std::string& path) {
    const std::wstring wpath = win32::widePath(path);
    const DWORD a = GetFileAttributesW(wpath.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return lastError();
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link to a folder is a folder entry on Windows and goes with RemoveDirectoryW;
        // either way only the link goes, never what it leads to.
        const BOOL removed = (a & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(wpath.c_str()) : DeleteFileW(wpath.c_str());
        return removed ? std::error_code{} : lastError();
    }
    if (a & FILE_ATTRIBUTE_DIRECTORY) return std::make_error_code(std::errc::is_a_directory);
    const bool wasReadOnly = win32::clearReadOnly(wpath);
    if (DeleteFileW(wpath.c_str())) return {};
    const std::error_code ec = lastError();
    if (wasReadOnly) win32::restoreReadOnly(wpath);
    return ec;
}

std::error_code removeEmptyFolder(const std::string& path) {
    return RemoveDirectoryW(win32::widePath(path).c_str()) ? std::error_code{} : lastError();
}

std::error_code removeTree(const std::string& path) {
    const DWORD a = GetFileAttributesW(win32::widePath(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
        const std::error_code ec = lastError();
        return ec == std::errc::no_such_file_or_directory ? std::error_code{} : ec;
    }
    // A link or junction goes as itself; the library's remove_all would stop at a
    // read-only file, which POSIX removes like any other.
    if (!(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT)) return removeFileOrLink(path);
    const std::string folder = withTrailingSeparator(path);
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(win32::widePath(folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return lastError();
    std::error_code ec;
    do {
        const std::wstring_view name(found.cFileName);
        if (name == L"." || name == L"..") continue;
        if (auto e = removeTree(folder + win32::narrow(name)); e && !ec) ec = e;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (ec) return ec;
    return removeEmptyFolder(path);
}

std::error_code resolvePath(const std::string& path, std::string& resolved) {
    // Opened, not merely looked up: the system then names the file the handle reached,
    // every link and junction on the way resolved. Folders open only with the backup flag.
    FileHandle h(CreateFileW(win32::widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h.isOpen()) return lastError();
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleW(static_cast<HANDLE>(h.native()), buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
        if (n == 0) return lastError();
        if (n < buffer.size()) {
            resolved = win32::fromWidePath(std::wstring_view(buffer.data(), n));
            return {};
        }
        buffer.resize(n + 1);  // n is the size needed, the terminating zero included
    }
}

std::string currentFolder() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return {};
    std::wstring buffer(size, L'\0');
    const DWORD n = GetCurrentDirectoryW(size, buffer.data());
    if (n == 0 || n >= size) return {};
    buffer.resize(n);
    // The root keeps its separator ("C:\"); every other folder comes without one.
    if (buffer.size() > 3 && buffer.back() == L'\\') buffer.pop_back();
    return win32::fromWidePath(buffer);
}

unsigned processId() { return static_cast<unsigned>(GetCurrentProcessId()); }

} // namespace upd::files
