// The calls of the ODBC engine that carry text. Each platform passes text the way its driver
// manager keeps it whole: on Windows the W functions in UTF-16; with unixODBC the narrow
// functions in UTF-8, which SQLite's driver stores as it is (its W entry points go through
// the driver manager's conversion to the process locale, where Cyrillic is lost).
// Handles are the ODBC handles; every call returns the ODBC return code.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace upd::db::odbc {

struct Diagnostic {
    std::string state;  // SQLSTATE, five characters
    int native = 0;     // the driver's own error number
    std::string message;
};

short driverConnect(void* dbc, const std::string& connection);
short execDirect(void* stmt, const std::string& sql);
short prepare(void* stmt, const std::string& sql);
// Tables named `name` (every table when empty; "_" and "%" match any character, as in
// LIKE) of the listed types.
short tables(void* stmt, const std::string& name, const std::string& types);
std::vector<Diagnostic> diagnostics(short handleType, void* handle);

struct ColumnDescription {
    std::string name;
    short sqlType = 0;
    uint64_t size = 0;
    std::string typeName;   // the driver's name of the type
    std::string baseTable;  // the table the column comes from, empty for expressions
    bool autoIncrement = false;
};
short describeColumn(void* stmt, unsigned short column, ColumnDescription& out);

// The current row's column as text; nullopt for NULL.
short textData(void* stmt, unsigned short column, std::optional<std::string>& out);

// Text parameters: the buffers and lengths the driver reads when the statement runs.
struct TextParameters {
    std::deque<std::string> narrow;
    std::deque<std::u16string> wide;
    std::deque<int64_t> lengths;
};
short bindText(void* stmt, unsigned short index, const std::string& text, bool longText, TextParameters& keep);

} // namespace upd::db::odbc
