// Paths between the core's UTF-8 strings and std::filesystem: a path made from a narrow
// string is read in the system's code page (on Windows the ANSI one, not UTF-8), so every
// path crosses as UTF-8 code units.
#pragma once

#include <filesystem>
#include <string>

namespace upd::files {

inline std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

inline std::string textOf(const std::filesystem::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(reinterpret_cast<const char*>(u8.data()), u8.size());
}

} // namespace upd::files
