#include "db/odbc_text.h"

// unixODBC: the narrow calls, in UTF-8.
namespace upd::db::odbc {

short driverConnect(void* dbc, const std::string& connection) { return narrow::driverConnect(dbc, connection); }
short execDirect(void* stmt, const std::string& sql) { return narrow::execDirect(stmt, sql); }
short prepare(void* stmt, const std::string& sql) { return narrow::prepare(stmt, sql); }
short tables(void* stmt, const std::string& name, const std::string& types) { return narrow::tables(stmt, name, types); }
std::vector<Diagnostic> diagnostics(short handleType, void* handle) { return narrow::diagnostics(handleType, handle); }
short describeColumn(void* stmt, unsigned short column, ColumnDescription& out) {
    return narrow::describeColumn(stmt, column, out);
}
short textData(void* stmt, unsigned short column, std::optional<std::string>& out) {
    return narrow::textData(stmt, column, out);
}
short bindText(void* stmt, unsigned short index, const std::string& text, bool longText, TextParameters& keep) {
    return narrow::bindText(stmt, index, text, longText, keep);
}

} // namespace upd::db::odbc
