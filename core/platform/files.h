// File-system questions the operations ask, in the platform's terms.
#pragma once

#include <string>

namespace upd::files {

// The platform's path separator; folder values end with it.
inline constexpr char kSeparator = '/';

// True only for a regular file (links followed), never for a folder.
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);

// The folder of the running executable, ending with the separator.
std::string executableFolder();

// `folder` with a trailing separator added where it has none (empty stays empty).
std::string withTrailingSeparator(std::string folder);

} // namespace upd::files
