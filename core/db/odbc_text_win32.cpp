#include "db/odbc_api.h"
#include "db/odbc_text.h"

#include "platform/text.h"
#include "platform/wine_host.h"

#include <algorithm>

namespace upd::db::odbc {
namespace wide {
namespace {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));

SQLWCHAR* units(const std::u16string& s) { return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(s.c_str())); }

std::string textOf(const SQLWCHAR* p, SQLSMALLINT units) {
    return text::fromU16(std::u16string_view(reinterpret_cast<const char16_t*>(p), static_cast<size_t>(units < 0 ? 0 : units)));
}

short textAttribute(void* stmt, unsigned short column, SQLUSMALLINT field, std::string& out) {
    SQLWCHAR buf[512];
    SQLSMALLINT bytes = 0;
    const SQLRETURN rc = SQLColAttributeW(stmt, column, field, buf, sizeof buf, &bytes, nullptr);
    if (SQL_SUCCEEDED(rc)) out = textOf(buf, std::min<SQLSMALLINT>(bytes / 2, 511));
    return rc;
}

} // namespace

short driverConnect(void* dbc, const std::string& connection) {
    const std::u16string text = text::toU16(connection);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    return SQLDriverConnectW(dbc, nullptr, units(text), static_cast<SQLSMALLINT>(text.size()), out, 1024, &outLength,
                             SQL_DRIVER_NOPROMPT);
}

short execDirect(void* stmt, const std::string& sql) {
    const std::u16string text = text::toU16(sql);
    return SQLExecDirectW(stmt, units(text), static_cast<SQLINTEGER>(text.size()));
}

short prepare(void* stmt, const std::string& sql) {
    const std::u16string text = text::toU16(sql);
    return SQLPrepareW(stmt, units(text), static_cast<SQLINTEGER>(text.size()));
}

short tables(void* stmt, const std::string& name, const std::string& types) {
    const std::u16string wideName = text::toU16(name), wideTypes = text::toU16(types);
    return SQLTablesW(stmt, nullptr, 0, nullptr, 0, name.empty() ? nullptr : units(wideName),
                      static_cast<SQLSMALLINT>(wideName.size()), units(wideTypes), static_cast<SQLSMALLINT>(wideTypes.size()));
}

std::vector<Diagnostic> diagnostics(short handleType, void* handle) {
    std::vector<Diagnostic> out;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {0};
        SQLWCHAR message[2048];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &native, message, 2048, &length);
        if (!SQL_SUCCEEDED(rc)) break;
        out.push_back({textOf(state, 5), static_cast<int>(native), textOf(message, std::min<SQLSMALLINT>(length, 2047))});
    }
    return out;
}

short describeColumn(void* stmt, unsigned short column, ColumnDescription& out) {
    SQLWCHAR name[512];
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLRETURN rc = SQLDescribeColW(stmt, column, name, 512, &nameLength, &type, &size, &digits, &nullable);
    if (!SQL_SUCCEEDED(rc)) return rc;
    out.name = textOf(name, std::min<SQLSMALLINT>(nameLength, 511));
    out.sqlType = type;
    out.size = size;
    SQLLEN autoIncrement = SQL_FALSE;
    if (SQL_SUCCEEDED(SQLColAttributeW(stmt, column, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &autoIncrement)))
        out.autoIncrement = autoIncrement == SQL_TRUE;
    // Not every driver knows these: the type code and an empty table name stand in.
    textAttribute(stmt, column, SQL_DESC_TYPE_NAME, out.typeName);
    textAttribute(stmt, column, SQL_DESC_BASE_TABLE_NAME, out.baseTable);
    return SQL_SUCCESS;
}

short textData(void* stmt, unsigned short column, std::optional<std::string>& out) {
    std::u16string text;
    SQLWCHAR buf[2048];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buf, sizeof buf, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) return rc;
        if (indicator == SQL_NULL_DATA) {
            out.reset();
            return SQL_SUCCESS;
        }
        // A part that filled the buffer comes with info; its text ends before the terminator.
        const size_t units = (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buf))
                                 ? 2047
                                 : static_cast<size_t>(indicator) / 2;
        text.append(reinterpret_cast<const char16_t*>(buf), units);
        if (rc == SQL_SUCCESS) break;
    }
    out = text::fromU16(text);
    return SQL_SUCCESS;
}

short bindText(void* stmt, unsigned short index, const std::string& text, bool longText, TextParameters& keep) {
    const std::u16string& buffer = keep.wide.emplace_back(text::toU16(text));
    static_assert(sizeof(SQLLEN) == sizeof(int64_t));
    const SQLLEN bytes = static_cast<SQLLEN>(buffer.size() * 2);
    int64_t& length = keep.lengths.emplace_back(bytes);
    return SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_WCHAR, longText ? SQL_WLONGVARCHAR : SQL_WVARCHAR,
                            std::max<SQLULEN>(buffer.size(), 1), 0, units(buffer), bytes, reinterpret_cast<SQLLEN*>(&length));
}

} // namespace wide

// Under Wine the driver is the host's, behind unixODBC: the narrow calls in UTF-8 reach it
// unchanged, where unixODBC would convert W text to the host locale.
short driverConnect(void* dbc, const std::string& connection) {
    return files::underWine() ? narrow::driverConnect(dbc, connection) : wide::driverConnect(dbc, connection);
}
short execDirect(void* stmt, const std::string& sql) {
    return files::underWine() ? narrow::execDirect(stmt, sql) : wide::execDirect(stmt, sql);
}
short prepare(void* stmt, const std::string& sql) {
    return files::underWine() ? narrow::prepare(stmt, sql) : wide::prepare(stmt, sql);
}
short tables(void* stmt, const std::string& name, const std::string& types) {
    return files::underWine() ? narrow::tables(stmt, name, types) : wide::tables(stmt, name, types);
}
std::vector<Diagnostic> diagnostics(short handleType, void* handle) {
    return files::underWine() ? narrow::diagnostics(handleType, handle) : wide::diagnostics(handleType, handle);
}
short describeColumn(void* stmt, unsigned short column, ColumnDescription& out) {
    return files::underWine() ? narrow::describeColumn(stmt, column, out) : wide::describeColumn(stmt, column, out);
}
short textData(void* stmt, unsigned short column, std::optional<std::string>& out) {
    return files::underWine() ? narrow::textData(stmt, column, out) : wide::textData(stmt, column, out);
}
short bindText(void* stmt, unsigned short index, const std::string& text, bool longText, TextParameters& keep) {
    return files::underWine() ? narrow::bindText(stmt, index, text, longText, keep)
                              : wide::bindText(stmt, index, text, longText, keep);
}

} // namespace upd::db::odbc
