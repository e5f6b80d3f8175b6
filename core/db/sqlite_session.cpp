#include "db/sqlite_session.h"

#include "db/row_group.h"
#include "db/sqlite_engine.h"
#include "platform/fs_path.h"
#include "platform/scope_guard.h"
#include "platform/text.h"


#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace upd::db::sqlite {
namespace {

// The open sessions of this process by file.
std::mutex& sessionsMutex() {
    static std::mutex m;
    return m;
}
std::multimap<uint64_t, SqliteSession*>& sessionsByFile() {
    static std::multimap<uint64_t, SqliteSession*> sessions;
    return sessions;
}
uint64_t lastFileNumber = 0;  // under sessionsMutex

} // namespace

SqliteSession::SqliteSession(DbHandle db, const std::string& path) : db_(std::move(db)) {
    // Sessions share a number when they have the same file open, under whatever name
    // (the standard library compares device and inode, or volume and file index).
    const std::filesystem::path file = files::pathOf(path);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return;
    std::lock_guard<std::mutex> lock(sessionsMutex());
    for (const auto& [number, other] : sessionsByFile())
        if (std::filesystem::equivalent(file, other->path_, ec)) {
            file_ = number;
            break;
        }
    if (file_ == 0) file_ = ++lastFileNumber;
    path_ = file;
    sessionsByFile().emplace(file_, this);
}

void SqliteSession::flushSiblings() {
    if (file_ == 0) return;
    std::lock_guard<std::mutex> lock(sessionsMutex());
    auto [from, to] = sessionsByFile().equal_range(file_);
    for (auto it = from; it != to; ++it) {
        if (it->second == this) continue;
        try {
            it->second->flush();
        } catch (const DbError&) {
            // Its group stays open and is committed with its next operation.
        }
    }
}

SqliteSession::~SqliteSession() {
    if (file_ != 0) {
        std::lock_guard<std::mutex> lock(sessionsMutex());
        auto [from, to] = sessionsByFile().equal_range(file_);
        for (auto it = from; it != to; ++it)
            if (it->second == this) {
                sessionsByFile().erase(it);
                break;
            }
    }
    statements_.clear();
    // The owner commits before it lets the session go (TADOConnection::Close reports a
    // failure). A group still open here is one whose commit failed or an owner that did not
    // close: one more try, else the rows are dropped whole instead of left half-journalled.
    if (!sqlite3_get_autocommit(db_.get()) &&
        sqlite3_exec(db_.get(), "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    if (!wal_) return;
    // Another session still on the file keeps the log; the file is complete once the
    // last one closes either way, so do not wait for it.
    sqlite3_busy_timeout(db_.get(), 0);
    sqlite3_exec(db_.get(), "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
}

void SqliteSession::beforeWriting() {
    if (walTried_) return;
    walTried_ = true;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), "PRAGMA journal_mode = WAL", -1, &raw, nullptr) == SQLITE_OK &&
        sqlite3_step(raw) == SQLITE_ROW) {
        const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
        wal_ = mode && std::strcmp(mode, "wal") == 0;
    }
    sqlite3_finalize(raw);
    if (wal_) sqlite3_exec(db_.get(), "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
}

int declaredSize(const std::string& decl) {
    const size_t open = decl.find('(');
    if (open == std::string::npos) return 0;
    return std::atoi(decl.c_str() + open + 1);
}

FieldDef fieldOf(const std::string& name, const std::string& decl, bool alias, const std::string& table) {
    const FieldType type = classifyDeclaredType(decl, alias);
    return FieldDef{name, type, type == FieldType::String ? declaredSize(decl) : 0, table};
}

void SqliteSession::flush() {
    pendingRows_ = 0;
    if (!sqlite3_get_autocommit(db_.get())) exec(db_.get(), "COMMIT");
}

void SqliteSession::forgetSchema() {
    statements_.clear();
    tables_.clear();
}

Statement& SqliteSession::cached(const std::string& sql) {
    auto it = statements_.find(sql);
    if (it == statements_.end()) it = statements_.emplace(sql, std::make_unique<Statement>(db_.get(), sql)).first;
    it->second->reset();
    return *it->second;
}

template <class MakeSql>
Statement& SqliteSession::cachedAs(const std::string& key, MakeSql&& makeSql) {
    auto it = statements_.find(key);
    if (it == statements_.end()) it = statements_.emplace(key, std::make_unique<Statement>(db_.get(), makeSql())).first;
    it->second->reset();
    return *it->second;
}

template <class Store>
auto SqliteSession::storeRow(Store&& store) -> decltype(store()) {
    const auto open = [&] {
        if (!sqlite3_get_autocommit(db_.get())) return;
        flushSiblings();
        beforeWriting();
        exec(db_.get(), "BEGIN");
    };
    return storeInGroup(pendingRows_, kRowsPerCommit, open, store, [&] { flush(); });
}

const TableInfo& SqliteSession::tableInfo(const std::string& table) {
    auto it = tables_.find(table);
    if (it == tables_.end()) it = tables_.emplace(table, readTableInfo(table)).first;
    return it->second;
}

TableInfo SqliteSession::readTableInfo(const std::string& table) {
    TableInfo info;
    {
        Statement find(db_.get(),
                       "SELECT name, type FROM sqlite_master WHERE type IN ('table','view') AND name = ?1 COLLATE NOCASE");
        find.bind(1, Variant(table));
        if (!find.step() || table.rfind("sqlite_", 0) == 0)
            throw DbError(DbErrc::NoSuchTable,
                          "Не удается найти входную таблицу или запрос '" + table +
                              "'. Убедитесь, что объект существует и его имя введено правильно.");
        info.name = find.columnText(0);
        info.isView = find.columnText(1) == "view";
    }
    Statement columns(db_.get(), "PRAGMA table_info(" + quoteIdentifier(info.name) + ")");
    struct Raw {
        std::string name, decl;
        int pk;
    };
    std::vector<Raw> raw;
    int keyColumns = 0;
    while (columns.step()) {
        raw.push_back({columns.columnText(1), columns.columnText(2), static_cast<int>(columns.columnInt(5))});
        if (raw.back().pk) ++keyColumns;
    }
    for (const Raw& c : raw) {
        const bool alias = !info.isView && c.pk && keyColumns == 1 && text::asciiUpper(c.decl) == "INTEGER";
        info.fields.push_back(fieldOf(c.name, c.decl, alias, info.name));
    }
    return info;
}

std::string SqliteSession::columnList(const TableInfo& info) const {
    std::string list;
    for (const FieldDef& f : info.fields) list += (list.empty() ? "" : ", ") + quoteIdentifier(f.Name);
    return list;
}

RowSet SqliteSession::query(const std::string& sql) {
    flush();
    flushSiblings();
    const TranslatedStatement st = translateAccessSql(sql);
    if (st.kind != TranslatedStatement::Kind::Plain)
        throw DbError(DbErrc::NoRows, "Инструкция не возвращает записей и не может быть открыта как набор данных.");
    Statement stmt(db_.get(), st.sql[0]);
    const int n = stmt.columnCount();
    if (n == 0) throw DbError(DbErrc::NoRows, "Инструкция не возвращает записей и не может быть открыта как набор данных.");
    RowSet result;
    std::map<std::string, TableInfo> tables;
    for (int i = 0; i < n; ++i) {
        const std::string table = stmt.columnTable(i), origin = stmt.columnOrigin(i);
        FieldDef def = fieldOf(stmt.columnName(i), stmt.columnDeclType(i), false, table);
        if (!table.empty() && !origin.empty()) {
            auto it = tables.find(table);
            if (it == tables.end()) it = tables.emplace(table, tableInfo(table)).first;
            for (const FieldDef& f : it->second.fields)
                if (text::equalsIgnoreCase(f.Name, origin)) {
                    def.DataType = f.DataType;
                    def.Size = f.Size;
                }
        }
        result.fields.push_back(def);
    }
    while (stmt.step()) {
        std::vector<Variant> row;
        row.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) row.push_back(stmt.column(i, result.fields[static_cast<size_t>(i)].DataType));
        result.rows.push_back(std::move(row));
        result.keys.push_back(static_cast<int64_t>(result.rows.size()));
    }
    return result;
}

int64_t SqliteSession::execute(const std::string& sql) {
    flush();
    flushSiblings();
    // Any statement may change the schema: layouts and stored statements are read anew after it.
    forgetSchema();
    ScopeGuard forget([this] { forgetSchema(); });
    // Written values are stored as the columns' Access types take them.
    const TableColumns columns = [this](const std::string& table) -> std::vector<FieldDef> {
        try {
            const TableInfo& info = tableInfo(table);
            return info.isView ? std::vector<FieldDef>() : info.fields;
        } catch (const DbError&) {
            return {};  // SQLite names the missing table
        }
    };
    const TranslatedStatement st = translateAccessSql(sql, columns);
    beforeWriting();
    switch (st.kind) {
    case TranslatedStatement::Kind::Plain: {
        Statement stmt(db_.get(), st.sql[0]);
        while (stmt.step()) {
        }
        return sqlite3_changes(db_.get());
    }
    case TranslatedStatement::Kind::AddColumns:
        tableInfo(st.table);  // names a missing table as such
        allOrNothing([&] {
            for (const std::string& s : st.sql) exec(db_.get(), s);
        });
        return 0;
    case TranslatedStatement::Kind::AlterColumn:
    case TranslatedStatement::Kind::DropColumn: rebuild(st); return 0;
    }
    return 0;
}

std::vector<std::string> SqliteSession::tableNames() {
    flush();
    flushSiblings();
    Statement s(db_.get(), "SELECT name FROM sqlite_master WHERE type IN ('table','view') ORDER BY rowid");
    std::vector<std::string> names;
    while (s.step()) {
        std::string name = s.columnText(0);
        if (name.rfind("sqlite_", 0) != 0) names.push_back(std::move(name));
    }
    return names;
}

RowSet SqliteSession::openTable(const std::string& table) {
    flush();
    flushSiblings();
    const TableInfo& info = tableInfo(table);
    RowSet result;
    result.fields = info.fields;
    Statement s(db_.get(), "SELECT " + std::string(info.isView ? "0" : "rowid") + ", " + columnList(info) + " FROM " +
                               quoteIdentifier(info.name) + (info.isView ? "" : " ORDER BY rowid"));
    while (s.step()) {
        std::vector<Variant> row;
        row.reserve(info.fields.size());
        for (size_t i = 0; i < info.fields.size(); ++i) row.push_back(s.column(static_cast<int>(i + 1), info.fields[i].DataType));
        result.rows.push_back(std::move(row));
        result.keys.push_back(s.columnInt(0));
    }
    return result;
}

std::vector<Variant> SqliteSession::readRow(const TableInfo& info, int64_t key) {
    // Keys start with a control character, which no statement text does.
    Statement& s = cachedAs("\x01row\x1f" + info.name, [&] {
        return "SELECT " + columnList(info) + " FROM " + quoteIdentifier(info.name) + " WHERE rowid = ?1";
    });
    s.bind(1, Variant(static_cast<long long>(key)));
    std::vector<Variant> row;
    row.reserve(info.fields.size());
    if (s.step())
        for (size_t i = 0; i < info.fields.size(); ++i) row.push_back(s.column(static_cast<int>(i), info.fields[i].DataType));
    else
        row.resize(info.fields.size());
    return row;
}

namespace {
const FieldDef& fieldNamed(const TableInfo& info, const std::string& name) {
    for (const FieldDef& f : info.fields)
        if (text::equalsIgnoreCase(f.Name, name)) return f;
    throw DbError(DbErrc::NoSuchColumn, "Поле '" + name + "' не найдено в таблице '" + info.name + "'.");
}

void checkWritable(const TableInfo& info) {
    if (info.isView) throw DbError(DbErrc::Unsupported, "Запрос '" + info.name + "' не может быть изменен.");
}
} // namespace

std::pair<int64_t, std::vector<Variant>> SqliteSession::insertRow(const std::string& table, const Assignments& values) {
    const TableInfo& info = tableInfo(table);
    checkWritable(info);
    std::string shape = "\x01insert\x1f" + info.name;
    for (const auto& [name, value] : values) {
        shape += '\x1f';
        shape += name;
    }
    const auto makeSql = [&] {
        std::string names, marks;
        for (const auto& [name, value] : values) {
            names += (names.empty() ? "" : ", ") + quoteIdentifier(fieldNamed(info, name).Name);
            marks += marks.empty() ? "?" : ", ?";
        }
        return "INSERT INTO " + quoteIdentifier(info.name) +
               (values.empty() ? std::string(" DEFAULT VALUES") : " (" + names + ") VALUES (" + marks + ")");
    };
    Statement& s = cachedAs(shape, makeSql);  // an unknown column fails here, before anything is stored
    return storeRow([&] {
        for (size_t i = 0; i < values.size(); ++i) s.bind(static_cast<int>(i + 1), values[i].second);
        s.step();
        const int64_t key = sqlite3_last_insert_rowid(db_.get());
        return std::pair{key, readRow(info, key)};
    });
}

std::vector<Variant> SqliteSession::updateRow(const std::string& table, int64_t key, const Assignments& values) {
    const TableInfo& info = tableInfo(table);
    checkWritable(info);
    return storeRow([&] {
        if (!values.empty()) {
            std::string sets;
            for (const auto& [name, value] : values)
                sets += (sets.empty() ? "" : ", ") + quoteIdentifier(fieldNamed(info, name).Name) + " = ?";
            Statement& s = cached("UPDATE " + quoteIdentifier(info.name) + " SET " + sets + " WHERE rowid = ?");
            int i = 1;
            for (const auto& [name, value] : values) s.bind(i++, value);
            s.bind(i, Variant(static_cast<long long>(key)));
            s.step();
        }
        return readRow(info, key);
    });
}

} // namespace upd::db::sqlite
