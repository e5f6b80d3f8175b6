#include "platform/durable_fs.h"

#include "platform/file_handle.h"
#include "platform/win32_busy.h"
#include "platform/win32_path.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace upd::files {

namespace {

using win32::lastError;

// The volume's own flush (FlushFileBuffers on the volume handle) needs administrator
// rights; a handle to the file itself flushes that file's data and metadata.
std::error_code flushFile(const std::string& path) {
    FileHandle h(CreateFileW(win32::widePath(path).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.isOpen()) {
        // A read-only file cannot be opened for writing, but nothing written to it waits.
        if (GetLastError() == ERROR_ACCESS_DENIED) return {};
        return lastError();
    }
    return h.sync();
}

} // namespace

std::error_code syncFileSystem(const std::string& path) {
    // Without administrator rights there is no flush of a whole volume: the files that
    // matter are flushed one by one by their writers (TemporaryFile does), and this only
    // checks that the path is there, as the POSIX flush does by opening it.
    const DWORD a = GetFileAttributesW(win32::widePath(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return lastError();
    if (a & FILE_ATTRIBUTE_DIRECTORY) return {};
    return flushFile(path);
}

std::error_code syncFile(const std::string& path) { return flushFile(path); }

// NTFS journals its metadata: a rename or removal is durable once the call returns with
// MOVEFILE_WRITE_THROUGH, and a folder cannot be flushed on its own anyway.
std::error_code syncFolder(const std::string&) { return {}; }

std::optional<uint64_t> freeBytes(const std::string& path) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(win32::widePath(path).c_str(), &available, nullptr, nullptr)) return std::nullopt;
    return available.QuadPart;
}

bool folderWritable(const std::string& folder) {
    // Access lists decide, and only the system can read them right: try it.
    static std::atomic<unsigned> counter{0};
    std::string probe = folder;
    if (!probe.empty() && probe.back() != '\\' && probe.back() != '/') probe.push_back('\\');
    probe += ".upd-probe-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    const std::wstring wprobe = win32::widePath(probe);
    const HANDLE h = CreateFileW(wprobe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);  // removes the file
    return true;
}

std::error_code checkMovable(const std::string& path) {
    // Opening for DELETE with full sharing is what a rename needs and what a holder without
    // delete sharing refuses; the link itself is probed, never its target.
    const std::wstring wide = win32::widePath(path);
    FileHandle probe;
    const bool opened = win32::retryWhileHeld([&] {
        probe = FileHandle(CreateFileW(wide.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                       nullptr));
        return probe.isOpen();
    });
    if (opened) return {};
    if (win32::heldByAnother(GetLastError())) return std::make_error_code(std::errc::device_or_resource_busy);
    return lastError();
}

} // namespace upd::files
