// The path of a database file for the standard library's file calls. Paths travel as UTF-8;
// built from char8_t they reach Windows as UTF-16 (a narrow string would go through the
// ANSI code page) and stay the same bytes on Linux.
#pragma once

#include <filesystem>
#include <string>

namespace upd::db {

inline std::filesystem::path dbFilePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace upd::db
