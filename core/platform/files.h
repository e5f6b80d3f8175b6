// File-system questions the operations ask, in the platform's terms.
#pragma once

#include <string>
#include <system_error>

namespace upd::files {

// The platform's path separator; folder values end with it.
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// True only for a regular file (links followed), never for a folder.
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);

// The folder of the running executable, ending with the separator.
std::string executableFolder();

// `folder` with a trailing separator added where it has none (empty stays empty).
std::string withTrailingSeparator(std::string folder);

// Removes a file or a link (a link to a folder included, never what it leads to); a real
// folder is refused with is_a_directory.
std::error_code removeFileOrLink(const std::string& path);
// Removes a folder that is empty.
std::error_code removeEmptyFolder(const std::string& path);
// Removes a file, link or folder with everything in it (read-only files too; links are
// removed, never followed); nothing there is no error.
std::error_code removeTree(const std::string& path);
// The absolute path of an existing file or folder, every link on the way resolved.
std::error_code resolvePath(const std::string& path, std::string& resolved);
// The current folder (without a trailing separator); empty when unknown.
std::string currentFolder();

// This process's id (for names no other process picks at the same time).
unsigned processId();

} // namespace upd::files
