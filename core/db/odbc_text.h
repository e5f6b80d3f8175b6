// The calls of the ODBC engine that carry text, in the form that keeps it whole: on Windows
// the W functions in UTF-16; with unixODBC, and under Wine (whose odbc32 hands the calls to
// the host's unixODBC), the narrow functions in UTF-8, which SQLite's driver stores as it is.
// (That driver has no W entry points: unixODBC converts W text to the process locale for
// it, and Cyrillic is lost.) Handles are the ODBC handles; every call returns the ODBC
// return code.
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

// The narrow calls in UTF-8, on every platform.
namespace narrow {
short driverConnect(void* dbc, const std::string& connection);
short execDirect(void* stmt, const std::string& sql);
short prepare(void* stmt, const std::string& sql);
short tables(void* stmt, const std::string& name, const std::string& types);
std::vector<Diagnostic> diagnostics(short handleType, void* handle);
short describeColumn(void* stmt, unsigned short column, ColumnDescription& out);
short textData(void* stmt, unsigned short column, std::optional<std::string>& out);
short bindText(void* stmt, unsigned short index, const std::string& text, bool longText, TextParameters& keep);
} // namespace narrow

} // namespace upd::db::odbc
