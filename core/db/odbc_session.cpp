#include "db/odbc_session.h"

#include "db/access_sql_translation.h"
#include "db/odbc_api.h"
#include "db/row_group.h"
#include "db/sqlite_engine.h"
#include "db/sqlite_handle.h"
#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <limits>
#include <mutex>

namespace upd::db::odbc {
namespace {

// The open sessions of this process, for committing each other's groups.
std::mutex& sessionsMutex() {
    static std::mutex m;
    return m;
}
std::vector<OdbcSession*>& openSessions() {
    static std::vector<OdbcSession*> sessions;
    return sessions;
}

bool parseInteger(const std::string& s, long long& out) {
    if (s.empty()) return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtoll(s.c_str(), &end, 10);
    return errno == 0 && end == s.c_str() + s.size();
}

bool parseReal(const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    out = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size();
}

// A value as the column's type reads it. Text that is no number stays text: SQLite keeps
// what was stored whatever the declared type, and the SQLCipher engine reads it so.
Variant valueOf(std::string text, FieldType type) {
    long long i = 0;
    double d = 0;
    switch (type) {
    case FieldType::Boolean:
        try {
            return Variant(Variant(text).toBool());
        } catch (const DbError&) {
            return Variant(std::move(text));
        }
    case FieldType::AutoInc:
    case FieldType::Integer:
    case FieldType::SmallInt:
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::Unknown:
        if (parseInteger(text, i)) return Variant(i);
        if (parseReal(text, d)) return Variant(d);
        return Variant(std::move(text));
    default: return Variant(std::move(text));
    }
}

short binaryData(void* stmt, unsigned short column, std::optional<std::string>& out) {
    std::string bytes;
    char buf[4096];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = SQLGetData(stmt, column, SQL_C_BINARY, buf, sizeof buf, &indicator);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) return rc;
        if (indicator == SQL_NULL_DATA) {
            out.reset();
            return SQL_SUCCESS;
        }
        const size_t got = (indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(sizeof buf))
                               ? sizeof buf
                               : static_cast<size_t>(indicator);
        bytes.append(buf, got);
        if (rc == SQL_SUCCESS) break;
    }
    out = std::move(bytes);
    return SQL_SUCCESS;
}

// Bound parameter values, kept until the statement has run.
struct Parameters {
    TextParameters text;
    std::deque<SQLINTEGER> integers;
    std::deque<double> reals;
    std::deque<unsigned char> bits;
    std::deque<std::string> bytes;
    std::deque<SQLLEN> lengths;

    short bind(void* stmt, SQLUSMALLINT index, const Variant& v, Dialect dialect, FieldType type) {
        switch (v.kind()) {
        case ValueKind::Null: {
            SQLLEN& indicator = lengths.emplace_back(SQL_NULL_DATA);
            return SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0, &indicator);
        }
        case ValueKind::Boolean:
            // Access's Yes/No takes a bit; SQLite stores Access's -1 and 0, as the SQLCipher
            // engine does.
            if (dialect == Dialect::Access) {
                unsigned char& b = bits.emplace_back(v.toBool() ? 1 : 0);
                return SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0, &b, 0, nullptr);
            }
            [[fallthrough]];
        case ValueKind::Integer: {
            const int64_t n = v.kind() == ValueKind::Boolean ? (v.toBool() ? -1 : 0) : v.toInt64();
            if (n >= std::numeric_limits<SQLINTEGER>::min() && n <= std::numeric_limits<SQLINTEGER>::max()) {
                SQLINTEGER& i = integers.emplace_back(static_cast<SQLINTEGER>(n));
                return SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &i, 0, nullptr);
            }
            // Access has no 64-bit integer column before its Large Number type: a real.
            double& d = reals.emplace_back(static_cast<double>(n));
            return SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &d, 0, nullptr);
        }
        case ValueKind::Float: {
            double& d = reals.emplace_back(v.toDouble());
            return SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &d, 0, nullptr);
        }
        case ValueKind::Text: {
            const std::string s = v.toString();
            return bindText(stmt, index, s, type == FieldType::Memo || s.size() > 255, text);
        }
        case ValueKind::Blob: {
            std::string& b = bytes.emplace_back(v.toString());
            SQLLEN& length = lengths.emplace_back(static_cast<SQLLEN>(b.size()));
            return SQLBindParameter(stmt, index, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                                    std::max<SQLULEN>(b.size(), 1), 0, b.data(), length, &length);
        }
        }
        return SQL_ERROR;
    }
};

bool has(const std::string& upper, const char* part) { return upper.find(part) != std::string::npos; }

const char* kNoRowsText = "Инструкция не возвращает записей и не может быть открыта как набор данных.";

} // namespace

FieldType fieldTypeOf(const ColumnDescription& c, Dialect dialect) {
    if (c.autoIncrement) return FieldType::AutoInc;
    const std::string name = text::asciiUpper(c.typeName);
    // An expression has no declared type in SQLite, whatever type the driver reports.
    if (dialect == Dialect::Sqlite && c.baseTable.empty()) return FieldType::Unknown;
    if (dialect == Dialect::Sqlite && !name.empty()) {
        const FieldType declared = sqlite::classifyDeclaredType(name, false);
        if (declared != FieldType::Unknown) return declared;
    }
    switch (c.sqlType) {
    case SQL_BIT: return FieldType::Boolean;
    case SQL_TINYINT:
    case SQL_SMALLINT: return FieldType::SmallInt;
    case SQL_INTEGER:
    case SQL_BIGINT: return has(name, "COUNTER") ? FieldType::AutoInc : FieldType::Integer;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE: return FieldType::Float;
    case SQL_DECIMAL:
    case SQL_NUMERIC: return has(name, "CURRENCY") || has(name, "MONEY") ? FieldType::Currency : FieldType::Float;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR: return FieldType::String;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR: return FieldType::Memo;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP: return FieldType::DateTime;
    case SQL_GUID: return FieldType::Guid;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return FieldType::Blob;
    default: return FieldType::Unknown;
    }
}

OdbcSession::OdbcSession(std::shared_ptr<OdbcHandle> environment, OdbcHandle connection, Dialect dialect)
    : environment_(std::move(environment)), connection_(std::move(connection)), dialect_(dialect) {
    std::lock_guard<std::mutex> lock(sessionsMutex());
    openSessions().push_back(this);
}

OdbcSession::~OdbcSession() {
    {
        std::lock_guard<std::mutex> lock(sessionsMutex());
        auto& all = openSessions();
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
    if (!inGroup_) return;
    // The owner commits before it lets the session go; a group still open here is one whose
    // commit failed: one more try, else the rows are dropped whole.
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT)))
        SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
}

void OdbcSession::fail(const OdbcHandle& handle, short rc) const {
    std::vector<Diagnostic> records = handle.diagnostics();
    // SQLite's driver passes SQLite's own message: worded as the SQLCipher engine words it.
    if (dialect_ == Dialect::Sqlite && !records.empty() && records.front().state == "HY000") {
        std::string message = databaseText(records.front().message);
        const std::string code = " (" + std::to_string(records.front().native) + ")";
        if (message.size() > code.size() && message.ends_with(code)) message.resize(message.size() - code.size());
        throw sqlite::errorFromSqlite(records.front().native, message);
    }
    handle.fail(rc);
}

OdbcHandle OdbcSession::statement() { return OdbcHandle(HandleType::Statement, connection_); }

void OdbcSession::run(OdbcHandle& stmt, const std::string& sql) {
    const SQLRETURN rc = execDirect(stmt.get(), sql);
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) fail(stmt, rc);
}

void OdbcSession::setAutocommit(bool on) {
    const SQLRETURN rc = SQLSetConnectAttr(connection_.get(), SQL_ATTR_AUTOCOMMIT,
                                           reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
    if (!SQL_SUCCEEDED(rc)) fail(connection_, rc);
}

void OdbcSession::flush() {
    pendingRows_ = 0;
    if (!inGroup_) return;
    const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT);
    if (!SQL_SUCCEEDED(rc)) fail(connection_, rc);
    inGroup_ = false;
    setAutocommit(true);
}

void OdbcSession::flushOthers() {
    std::lock_guard<std::mutex> lock(sessionsMutex());
    for (OdbcSession* other : openSessions()) {
        if (other == this) continue;
        try {
            other->flush();
        } catch (const DbError&) {
            // Its group stays open and is committed with its next operation.
        }
    }
}

template <class Store>
auto OdbcSession::storeRow(Store&& store) -> decltype(store()) {
    const auto open = [&] {
        if (inGroup_) return;
        flushOthers();
        setAutocommit(false);
        inGroup_ = true;
    };
    return storeInGroup(pendingRows_, kRowsPerCommit, open, store, [&] { flush(); });
}

std::string OdbcSession::quote(const std::string& name) const {
    if (dialect_ == Dialect::Access) return "[" + name + "]";
    return sqlite::quoteIdentifier(name);
}

std::string OdbcSession::plainSql(const std::string& accessSql) const {
    if (dialect_ == Dialect::Access) return accessSql;
    const sqlite::TranslatedStatement st = sqlite::translateAccessSql(accessSql);
    if (st.kind != sqlite::TranslatedStatement::Kind::Plain) throw DbError(DbErrc::NoRows, kNoRowsText);
    return st.sql[0];
}

std::vector<FieldDef> OdbcSession::describe(OdbcHandle& stmt) {
    SQLSMALLINT n = 0;
    const SQLRETURN rc = SQLNumResultCols(stmt.get(), &n);
    if (!SQL_SUCCEEDED(rc)) fail(stmt, rc);
    std::vector<FieldDef> fields;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(n); ++i) {
        ColumnDescription c;
        const SQLRETURN drc = describeColumn(stmt.get(), i, c);
        if (!SQL_SUCCEEDED(drc)) fail(stmt, drc);
        const FieldType type = fieldTypeOf(c, dialect_);
        fields.push_back(FieldDef{c.name, type, type == FieldType::String ? static_cast<int>(std::min<uint64_t>(c.size, 65535)) : 0,
                                  c.baseTable});
    }
    return fields;
}

std::vector<std::vector<Variant>> OdbcSession::fetchRows(OdbcHandle& stmt, const std::vector<FieldDef>& fields) {
    std::vector<std::vector<Variant>> rows;
    for (;;) {
        const SQLRETURN rc = SQLFetch(stmt.get());
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) fail(stmt, rc);
        std::vector<Variant> row;
        row.reserve(fields.size());
        for (size_t i = 0; i < fields.size(); ++i) {
            std::optional<std::string> value;
            const auto column = static_cast<unsigned short>(i + 1);
            const SQLRETURN grc = fields[i].DataType == FieldType::Blob ? binaryData(stmt.get(), column, value)
                                                                        : textData(stmt.get(), column, value);
            if (!SQL_SUCCEEDED(grc)) fail(stmt, grc);
            if (!value) row.emplace_back();
            else if (fields[i].DataType == FieldType::Blob) row.push_back(Variant::blob(std::move(*value)));
            else row.push_back(valueOf(std::move(*value), fields[i].DataType));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

RowSet OdbcSession::query(const std::string& sql) {
    flush();
    flushOthers();
    const std::string text = plainSql(sql);
    OdbcHandle stmt = statement();
    // Prepared first: a statement that returns no rows is refused before it runs.
    const SQLRETURN prc = prepare(stmt.get(), text);
    if (!SQL_SUCCEEDED(prc)) fail(stmt, prc);
    RowSet result;
    result.fields = describe(stmt);
    if (result.fields.empty()) throw DbError(DbErrc::NoRows, kNoRowsText);
    const SQLRETURN erc = SQLExecute(stmt.get());
    if (erc != SQL_NO_DATA && !SQL_SUCCEEDED(erc)) fail(stmt, erc);
    result.rows = fetchRows(stmt, result.fields);
    for (size_t i = 0; i < result.rows.size(); ++i) result.keys.push_back(static_cast<int64_t>(i + 1));
    return result;
}

int64_t OdbcSession::execute(const std::string& sql) {
    flush();
    flushOthers();
    // Any statement may change the schema: layouts are read anew after it.
    layouts_.clear();
    std::vector<std::string> statements;
    if (dialect_ == Dialect::Access) {
        statements.push_back(sql);
    } else {
        sqlite::TranslatedStatement st = sqlite::translateAccessSql(sql);
        if (st.kind == sqlite::TranslatedStatement::Kind::AlterColumn ||
            st.kind == sqlite::TranslatedStatement::Kind::DropColumn)
            throw DbError(DbErrc::Unsupported,
                          "Изменение и удаление полей таблицы '" + st.table + "' через драйвер ODBC не поддерживается.");
        statements = std::move(st.sql);
    }
    if (statements.size() == 1) {
        OdbcHandle stmt = statement();
        run(stmt, statements[0]);
        SQLLEN count = 0;
        if (!SQL_SUCCEEDED(SQLRowCount(stmt.get(), &count)) || count < 0) count = 0;
        return count;
    }
    // Several columns added by one statement: all of them or none.
    setAutocommit(false);
    try {
        for (const std::string& s : statements) {
            OdbcHandle stmt = statement();
            run(stmt, s);
        }
        const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_COMMIT);
        if (!SQL_SUCCEEDED(rc)) fail(connection_, rc);
    } catch (...) {
        SQLEndTran(SQL_HANDLE_DBC, connection_.get(), SQL_ROLLBACK);
        setAutocommit(true);
        throw;
    }
    setAutocommit(true);
    return 0;
}

std::vector<std::string> OdbcSession::tableNames() {
    flush();
    flushOthers();
    OdbcHandle stmt = statement();
    const SQLRETURN rc = tables(stmt.get(), "", "TABLE,VIEW");
    if (!SQL_SUCCEEDED(rc)) fail(stmt, rc);
    std::vector<std::string> names;
    for (;;) {
        const SQLRETURN frc = SQLFetch(stmt.get());
        if (frc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(frc)) fail(stmt, frc);
        std::optional<std::string> name;
        const SQLRETURN grc = textData(stmt.get(), 3, name);  // TABLE_NAME
        if (!SQL_SUCCEEDED(grc)) fail(stmt, grc);
        if (name && !text::startsWithIgnoreCase(*name, "sqlite_") && !text::startsWithIgnoreCase(*name, "MSys"))
            names.push_back(std::move(*name));
    }
    return names;
}

const OdbcSession::Layout& OdbcSession::layout(const std::string& table) {
    auto it = layouts_.find(table);
    if (it == layouts_.end()) it = layouts_.emplace(table, readLayout(table)).first;
    return it->second;
}

OdbcSession::Layout OdbcSession::readLayout(const std::string& table) {
    Layout info;
    {
        OdbcHandle stmt = statement();
        const SQLRETURN rc = tables(stmt.get(), table, "TABLE,VIEW");
        if (!SQL_SUCCEEDED(rc)) fail(stmt, rc);
        // The name is a pattern ("_" matches any character): the table is the one named so.
        for (;;) {
            const SQLRETURN frc = SQLFetch(stmt.get());
            if (frc == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(frc)) fail(stmt, frc);
            std::optional<std::string> name, type;
            if (!SQL_SUCCEEDED(textData(stmt.get(), 3, name)) || !SQL_SUCCEEDED(textData(stmt.get(), 4, type)) || !name)
                continue;
            if (text::equalsIgnoreCase(*name, table)) {
                info.name = *name;
                info.isView = type && text::equalsIgnoreCase(*type, "VIEW");
                break;
            }
        }
    }
    if (dialect_ == Dialect::Access) {
        // Not listed: the SELECT below fails with Access's own words for a missing table,
        // or finds a table the list left out.
        if (info.name.empty()) info.name = table;
    } else if (info.name.empty() || text::startsWithIgnoreCase(table, "sqlite_")) {
        throw sqlite::errorFromSqlite(1, "no such table: " + table);
    }
    OdbcHandle stmt = statement();
    run(stmt, "SELECT * FROM " + quote(info.name) + " WHERE 1 = 0");
    info.fields = describe(stmt);
    for (size_t i = 0; i < info.fields.size(); ++i) {
        info.fields[i].TableName = info.name;
        if (info.fields[i].DataType == FieldType::AutoInc && !info.autoIncrement) info.autoIncrement = i;
    }
    return info;
}

RowSet OdbcSession::openTable(const std::string& table) {
    flush();
    flushOthers();
    const Layout& info = layout(table);
    std::string columns;
    for (const FieldDef& f : info.fields) columns += (columns.empty() ? "" : ", ") + quote(f.Name);
    const bool rowIds = dialect_ == Dialect::Sqlite && !info.isView;
    OdbcHandle stmt = statement();
    run(stmt, "SELECT " + std::string(rowIds ? "rowid, " : "") + columns + " FROM " + quote(info.name) +
                  (rowIds ? " ORDER BY rowid" : ""));
    RowSet result;
    result.fields = info.fields;
    std::vector<FieldDef> read = info.fields;
    if (rowIds) read.insert(read.begin(), FieldDef{"rowid", FieldType::Integer, 0, ""});
    for (std::vector<Variant>& row : fetchRows(stmt, read)) {
        if (rowIds) {
            result.keys.push_back(row.front().toInt64());
            row.erase(row.begin());
        } else {
            result.keys.push_back(remember(info, row));
        }
        result.rows.push_back(std::move(row));
    }
    return result;
}

int64_t OdbcSession::remember(const Layout& info, const std::vector<Variant>& row) {
    RowIdentity id{info.name, info.autoIncrement ? row[*info.autoIncrement] : Variant(), row};
    identities_[++lastKey_] = std::move(id);
    return lastKey_;
}

std::string OdbcSession::identityCondition(const Layout& info, int64_t key, std::vector<Variant>& params) const {
    if (dialect_ == Dialect::Sqlite) {
        params.push_back(Variant(static_cast<long long>(key)));
        return "rowid = ?";
    }
    const auto it = identities_.find(key);
    if (it == identities_.end() || !text::equalsIgnoreCase(it->second.table, info.name))
        throw DbError(DbErrc::Other, "Строка таблицы '" + info.name + "' не найдена.");
    if (info.autoIncrement && !it->second.autoValue.isNull()) {
        params.push_back(it->second.autoValue);
        return quote(info.fields[*info.autoIncrement].Name) + " = ?";
    }
    // No counter: the row is the one with all the values read (long texts, binary data and
    // reals, which do not compare exactly, left out).
    std::string where;
    for (size_t i = 0; i < info.fields.size(); ++i) {
        const FieldType t = info.fields[i].DataType;
        if (t == FieldType::Memo || t == FieldType::Blob || t == FieldType::Float) continue;
        const Variant& v = it->second.values.at(i);
        where += (where.empty() ? "" : " AND ") + quote(info.fields[i].Name) + (v.isNull() ? " IS NULL" : " = ?");
        if (!v.isNull()) params.push_back(v);
    }
    return where.empty() ? "1 = 1" : where;
}

std::vector<Variant> OdbcSession::readRow(const Layout& info, const std::string& where, const std::vector<Variant>& params) {
    std::string columns;
    for (const FieldDef& f : info.fields) columns += (columns.empty() ? "" : ", ") + quote(f.Name);
    OdbcHandle stmt = statement();
    Parameters keep;
    for (size_t i = 0; i < params.size(); ++i) {
        const SQLRETURN rc = keep.bind(stmt.get(), static_cast<SQLUSMALLINT>(i + 1), params[i], dialect_, FieldType::Unknown);
        if (!SQL_SUCCEEDED(rc)) fail(stmt, rc);
    }
    run(stmt, "SELECT " + columns + " FROM " + quote(info.name) + " WHERE " + where);
    std::vector<std::vector<Variant>> rows = fetchRows(stmt, info.fields);
    if (rows.empty()) return std::vector<Variant>(info.fields.size());
    return std::move(rows.front());
}

namespace {
const FieldDef& fieldNamed(const std::vector<FieldDef>& fields, const std::string& name, const std::string& table) {
    for (const FieldDef& f : fields)
        if (text::equalsIgnoreCase(f.Name, name)) return f;
    throw DbError(DbErrc::NoSuchColumn, "Поле '" + name + "' не найдено в таблице '" + table + "'.");
}

void checkWritable(bool isView, const std::string& name) {
    if (isView) throw DbError(DbErrc::Unsupported, "Запрос '" + name + "' не может быть изменен.");
}
} // namespace

std::pair<int64_t, std::vector<Variant>> OdbcSession::insertRow(const std::string& table, const Assignments& values) {
    const Layout& info = layout(table);
    checkWritable(info.isView, info.name);
    Assignments assigned = values;
    // Access has no DEFAULT VALUES: a row of defaults names one column as null.
    if (assigned.empty() && dialect_ == Dialect::Access)
        for (size_t i = 0; i < info.fields.size(); ++i)
            if (info.autoIncrement != i) {
                assigned.emplace_back(info.fields[i].Name, Variant());
                break;
            }
    std::string names, marks;
    for (const auto& [name, value] : assigned) {
        names += (names.empty() ? "" : ", ") + quote(fieldNamed(info.fields, name, info.name).Name);
        marks += marks.empty() ? "?" : ", ?";
    }
    const std::string sql = "INSERT INTO " + quote(info.name) +
                            (assigned.empty() ? std::string(" DEFAULT VALUES") : " (" + names + ") VALUES (" + marks + ")");
    return storeRow([&] {
        {
            OdbcHandle stmt = statement();
            Parameters keep;
            for (size_t i = 0; i < assigned.size(); ++i) {
                const SQLRETURN rc = keep.bind(stmt.get(), static_cast<SQLUSMALLINT>(i + 1), assigned[i].second, dialect_,
                                               fieldNamed(info.fields, assigned[i].first, info.name).DataType);
                if (!SQL_SUCCEEDED(rc)) fail(stmt, rc);
            }
            run(stmt, sql);
        }
        const bool counter = dialect_ == Dialect::Sqlite || info.autoIncrement.has_value();
        if (!counter) {
            // Without a counter the row cannot be read back: the values as stored.
            std::vector<Variant> row(info.fields.size());
            for (const auto& [name, value] : assigned)
                for (size_t i = 0; i < info.fields.size(); ++i)
                    if (text::equalsIgnoreCase(info.fields[i].Name, name)) row[i] = coerceToField(value, info.fields[i].DataType);
            return std::pair{remember(info, row), row};
        }
        OdbcHandle last = statement();
        run(last, dialect_ == Dialect::Sqlite ? "SELECT last_insert_rowid()" : "SELECT @@IDENTITY");
        const std::vector<std::vector<Variant>> id = fetchRows(last, {FieldDef{"id", FieldType::Integer, 0, ""}});
        const Variant key = id.empty() ? Variant() : id.front().front();
        if (dialect_ == Dialect::Sqlite) return std::pair{key.toInt64(), readRow(info, "rowid = ?", {key})};
        std::vector<Variant> row = readRow(info, quote(info.fields[*info.autoIncrement].Name) + " = ?", {key});
        return std::pair{remember(info, row), row};
    });
}

std::vector<Variant> OdbcSession::updateRow(const std::string& table, int64_t key, const Assignments& values) {
    const Layout& info = layout(table);
    checkWritable(info.isView, info.name);
    return storeRow([&] {
        std::vector<Variant> where;
        const std::string condition = identityCondition(info, key, where);
        if (!values.empty()) {
            std::string sets;
            for (const auto& [name, value] : values)
                sets += (sets.empty() ? "" : ", ") + quote(fieldNamed(info.fields, name, info.name).Name) + " = ?";
            OdbcHandle stmt = statement();
            Parameters keep;
            SQLUSMALLINT index = 1;
            for (const auto& [name, value] : values) {
                const SQLRETURN rc = keep.bind(stmt.get(), index++, value, dialect_, fieldNamed(info.fields, name, info.name).DataType);
                if (!SQL_SUCCEEDED(rc)) fail(stmt, rc);
            }
            for (const Variant& v : where) {
                const SQLRETURN rc = keep.bind(stmt.get(), index++, v, dialect_, FieldType::Unknown);
                if (!SQL_SUCCEEDED(rc)) fail(stmt, rc);
            }
            run(stmt, "UPDATE " + quote(info.name) + " SET " + sets + " WHERE " + condition);
        }
        if (dialect_ == Dialect::Sqlite) return readRow(info, "rowid = ?", {Variant(static_cast<long long>(key))});
        // The row as it is now, found by its counter or by the values just stored.
        RowIdentity& id = identities_.at(key);
        for (const auto& [name, value] : values)
            for (size_t i = 0; i < info.fields.size(); ++i)
                if (text::equalsIgnoreCase(info.fields[i].Name, name)) id.values[i] = coerceToField(value, info.fields[i].DataType);
        if (!info.autoIncrement || id.autoValue.isNull()) return id.values;
        std::vector<Variant> row = readRow(info, quote(info.fields[*info.autoIncrement].Name) + " = ?", {id.autoValue});
        id.values = row;
        return row;
    });
}

} // namespace upd::db::odbc
