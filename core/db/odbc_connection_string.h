// ODBC connection strings for a database file and its password, and the SQL dialect that
// goes with a driver.
#pragma once

#include <optional>
#include <string>

namespace upd::db::odbc {

// The driver of the Access database engine that the schools' machines have.
inline constexpr const char* kAccessDriver = "Microsoft Access Driver (*.mdb, *.accdb)";
// Debian's SQLite ODBC driver (libsqliteodbc): plain SQLite files, for tests without Access.
inline constexpr const char* kSqliteDriver = "SQLite3";

// Access's driver takes the steps' SQL as written; every other driver gets the Access SQL
// translated as the SQLCipher engine translates it.
enum class Dialect { Access, Sqlite };
Dialect dialectOf(const std::string& driver);

// A value that ";", "=", braces or outer blanks would break goes in braces, "}" doubled;
// others go as they are.
std::string attributeValue(const std::string& value);

// "Driver={...};DBQ=<file>;PWD=<password>;" for Access's driver (and other drivers);
// "Driver={...};Database=<file>;" for a SQLite driver, which has no password. nullopt when
// the driver cannot take the path: SQLite's driver reads no braces, so a path that needs
// them would open another file.
std::optional<std::string> connectionString(const std::string& driver, const std::string& path,
                                            const std::string& password);

} // namespace upd::db::odbc
