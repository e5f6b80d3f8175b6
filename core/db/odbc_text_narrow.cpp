#include "db/odbc_api.h"
#include "db/odbc_text.h"

#include <algorithm>

namespace upd::db::odbc::narrow {
namespace {

SQLCHAR* chars(const std::string& s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str())); }

std::string textOf(const SQLCHAR* p, SQLSMALLINT length) {
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(length < 0 ? 0 : length));
}

short textAttribute(void* stmt, unsigned short column, SQLUSMALLINT field, std::string& out) {
    SQLCHAR buf[512];
    SQLSMALLINT length = 0;
    const SQLRETURN rc = SQLColAttribute(stmt, column, field, buf, sizeof buf, &length, nullptr);
    if (SQL_SUCCEEDED(rc)) out = textOf(buf, std::min<SQLSMALLINT>(length, sizeof buf - 1));
    return rc;
}

} // namespace

short driverConnect(void* dbc, const std::string& connection) {
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    return SQLDriverConnect(dbc, nullptr, chars(connection), static_cast<SQLSMALLINT>(connection.size()), out, sizeof out,
                            &outLength, SQL_DRIVER_NOPROMPT);
}

short execDirect(void* stmt, const std::string& sql) {
    return SQLExecDirect(stmt, chars(sql), static_cast<SQLINTEGER>(sql.size()));
}

short prepare(void* stmt, const std::string& sql) {
    return SQLPrepare(stmt, chars(sql), static_cast<SQLINTEGER>(sql.size()));
}

short tables(void* stmt, const std::string& name, const std::string& types) {
    return SQLTables(stmt, nullptr, 0, nullptr, 0, name.empty() ? nullptr : chars(name),
                     static_cast<SQLSMALLINT>(name.size()), chars(types), static_cast<SQLSMALLINT>(types.size()));
}

std::vector<Diagnostic> diagnostics(short handleType, void* handle) {
    std::vector<Diagnostic> out;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {0};
        SQLCHAR message[2048];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRec(handleType, handle, i, state, &native, message, sizeof message, &length);
        if (!SQL_SUCCEEDED(rc)) break;
        out.push_back({textOf(state, 5), static_cast<int>(native),
                       textOf(message, std::min<SQLSMALLINT>(length, sizeof message - 1))});
    }
    return out;
}

short describeColumn(void* stmt, unsigned short column, ColumnDescription& out) {
    SQLCHAR name[512];
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLRETURN rc = SQLDescribeCol(stmt, column, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
    if (!SQL_SUCCEEDED(rc)) return rc;
    out.name = textOf(name, std::min<SQLSMALLINT>(nameLength, sizeof name - 1));
    out.sqlType = type;
    out.size = size;
    SQLLEN autoIncrement = SQL_FALSE;
    if (SQL_SUCCEEDED(SQLColAttribute(stmt, column, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &autoIncrement)))
        out.autoIncrement = autoIncrement == SQL_TRUE;
    // Not every driver knows these: the type code and an empty table name stand in.
    textAttribute(stmt, column, SQL_DESC_TYPE_NAME, out.typeName);
    textAttribute(stmt, column, SQL_DESC_BASE_TABLE_NAME, out.baseTable);
    return SQL_SUCCESS;
}

short textData(void* stmt, unsigned short column, std::optional<std::string>& out) {
    std::string text;
    char buf[4096];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_CHAR, buf, sizeof buf, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) return rc;
        if (indicator == SQL_NULL_DATA) {
            out.reset();
            return SQL_SUCCESS;
        }
        // A part that filled the buffer comes with info; its text ends before the terminator.
        const size_t got = (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buf))
                               ? sizeof buf - 1
                               : static_cast<size_t>(indicator);
        text.append(buf, got);
        if (rc == SQL_SUCCESS) break;
    }
    out = std::move(text);
    return SQL_SUCCESS;
}

short bindText(void* stmt, unsigned short index, const std::string& text, bool longText, TextParameters& keep) {
    const std::string& buffer = keep.narrow.emplace_back(text);
    static_assert(sizeof(SQLLEN) == sizeof(int64_t));
    int64_t& length = keep.lengths.emplace_back(static_cast<int64_t>(buffer.size()));
    return SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_CHAR, longText ? SQL_LONGVARCHAR : SQL_VARCHAR,
                            std::max<SQLULEN>(buffer.size(), 1), 0, chars(buffer), static_cast<SQLLEN>(buffer.size()),
                            reinterpret_cast<SQLLEN*>(&length));
}

} // namespace upd::db::odbc::narrow
