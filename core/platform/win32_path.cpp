#include "platform/win32_path.h"

#include "platform/text.h"

#include <windows.h>

namespace upd::files::win32 {

namespace {

// MAX_PATH counts the terminating zero; CreateDirectoryW stops 12 characters earlier.
constexpr size_t kLongPath = MAX_PATH - 12;

// The absolute, cleaned-up form of a path ("." and ".." resolved, separators single).
std::wstring fullPath(const std::wstring& p) {
    const DWORD size = GetFullPathNameW(p.c_str(), 0, nullptr, nullptr);
    if (size == 0) return p;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(p.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return p;
    full.resize(length);
    return full;
}

} // namespace

std::wstring wide(std::string_view utf8) {
    const std::u16string u16 = text::toU16(utf8);
    return std::wstring(u16.begin(), u16.end());
}

std::string narrow(std::wstring_view text) {
    return text::fromU16(std::u16string(text.begin(), text.end()));
}

std::wstring widePath(std::string_view utf8) {
    std::wstring p = wide(utf8);
    for (auto& c : p)
        if (c == L'/') c = L'\\';
    if (p.size() < kLongPath || p.rfind(L"\\\\?\\", 0) == 0) return p;
    // The prefix turns off the system's own clean-up of the path as well, so the path is
    // made absolute and clean first.
    p = fullPath(p);
    if (p.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + p.substr(2);
    return L"\\\\?\\" + p;
}

std::string fromWidePath(std::wstring_view path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return "\\\\" + narrow(path.substr(8));
    if (path.rfind(L"\\\\?\\", 0) == 0) return narrow(path.substr(4));
    return narrow(path);
}

bool clearReadOnly(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_READONLY) || (a & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return SetFileAttributesW(path.c_str(), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

void restoreReadOnly(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path.c_str(), a | FILE_ATTRIBUTE_READONLY);
}

std::error_code errorOf(unsigned long error) {
    switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return std::make_error_code(std::errc::file_exists);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return std::make_error_code(std::errc::no_such_file_or_directory);
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return std::make_error_code(std::errc::permission_denied);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return std::make_error_code(std::errc::device_or_resource_busy);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return std::make_error_code(std::errc::no_space_on_device);
    case ERROR_DIR_NOT_EMPTY:
        return std::make_error_code(std::errc::directory_not_empty);
    case ERROR_DIRECTORY:
        return std::make_error_code(std::errc::not_a_directory);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
        return std::make_error_code(std::errc::invalid_argument);
    case ERROR_FILENAME_EXCED_RANGE:
        return std::make_error_code(std::errc::filename_too_long);
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
        return std::make_error_code(std::errc::function_not_supported);
    case ERROR_NOT_SAME_DEVICE:
        return std::make_error_code(std::errc::cross_device_link);
    default:
        return {static_cast<int>(error), std::system_category()};
    }
}

std::error_code lastError() { return errorOf(GetLastError()); }

} // namespace upd::files::win32
