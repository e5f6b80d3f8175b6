// OLE DB connection strings of the Access provider: building the main window's six-piece
// string and reading back the data source and the database password.
#pragma once

#include <optional>
#include <string>

namespace upd::db {

inline constexpr const char* kAceProviderPrefix = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
inline constexpr const char* kPersistSecurityInfo = ";Persist Security Info=False;";
inline constexpr const char* kPasswordKey = "Jet OLEDB:Database Password=";

// Pieces 1 to 6: provider and data source, persist-security, password clause.
std::string buildConnectionString(const std::string& path, const std::string& password);
// Pieces 1 to 3 only, no password clause.
std::string buildConnectionStringWithoutPassword(const std::string& path);

struct ConnectionParameters {
    std::string dataSource;
    std::string password;  // empty when the string has no password clause
};

// Keys are matched without letter case; values may be quoted. A segment without "=" belongs
// to the value before it, so a path holding ";" survives. nullopt without a data source.
std::optional<ConnectionParameters> parseConnectionString(const std::string& text);

} // namespace upd::db
