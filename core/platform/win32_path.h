// For the Windows sources of the platform only: paths cross into Win32 as UTF-16, and
// Win32 errors leave as the portable codes the callers compare against. Includes no
// <windows.h>; the error code is the value of GetLastError().
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace upd::files::win32 {

// UTF-16 of a UTF-8 text and back.
std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view text);

// A path for a Win32 call: UTF-16, '/' as '\', and an absolute path longer than the
// system's old limit prefixed with \\?\ (which also turns off that limit).
std::wstring widePath(std::string_view utf8);
// A path a Win32 call gave back, without the \\?\ prefix it may carry.
std::string fromWidePath(std::wstring_view path);

// Takes the read-only attribute off an existing file, so that it can be replaced or
// removed as on POSIX (where the folder's permissions alone decide); true when it was set,
// for restoreReadOnly should the change then fail.
bool clearReadOnly(const std::wstring& path);
void restoreReadOnly(const std::wstring& path);

// A Win32 error as the portable code where one exists (file_exists, permission_denied...),
// else in the system's own category.
std::error_code errorOf(unsigned long win32Error);
// errorOf(GetLastError()).
std::error_code lastError();

} // namespace upd::files::win32
