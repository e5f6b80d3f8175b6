#include "migration/db/sqlite_session.h"

#include "migration/db/sqlite_engine.h"
#include "platform/text.h"

#include <cstdlib>
#include <cstring>
#include <map>

namespace upd::db::sqlite {
namespace {

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

} // namespace

SqliteSession::~SqliteSession() {
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

TableInfo SqliteSession::tableInfo(const std::string& table) {
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
        const bool alias = !info.isView && c.pk && keyColumns == 1 && upper(c.decl) == "INTEGER";
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
    const TranslatedStatement st = translateAccessSql(sql);
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
    Statement s(db_.get(), "SELECT name FROM sqlite_master WHERE type IN ('table','view') ORDER BY rowid");
    std::vector<std::string> names;
    while (s.step()) {
        std::string name = s.columnText(0);
        if (name.rfind("sqlite_", 0) != 0) names.push_back(std::move(name));
    }
    return names;
}

RowSet SqliteSession::openTable(const std::string& table) {
    const TableInfo info = tableInfo(table);
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
    Statement s(db_.get(), "SELECT " + columnList(info) + " FROM " + quoteIdentifier(info.name) + " WHERE rowid = ?1");
    s.bind(1, Variant(static_cast<long long>(key)));
    std::vector<Variant> row;
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
    const TableInfo info = tableInfo(table);
    checkWritable(info);
    beforeWriting();
    std::string names, marks;
    for (const auto& [name, value] : values) {
        names += (names.empty() ? "" : ", ") + quoteIdentifier(fieldNamed(info, name).Name);
        marks += marks.empty() ? "?" : ", ?";
    }
    const std::string sql = "INSERT INTO " + quoteIdentifier(info.name) +
                            (values.empty() ? std::string(" DEFAULT VALUES") : " (" + names + ") VALUES (" + marks + ")");
    Statement s(db_.get(), sql);
    for (size_t i = 0; i < values.size(); ++i) s.bind(static_cast<int>(i + 1), values[i].second);
    s.step();
    const int64_t key = sqlite3_last_insert_rowid(db_.get());
    return {key, readRow(info, key)};
}

std::vector<Variant> SqliteSession::updateRow(const std::string& table, int64_t key, const Assignments& values) {
    const TableInfo info = tableInfo(table);
    checkWritable(info);
    beforeWriting();
    if (!values.empty()) {
        std::string sets;
        for (const auto& [name, value] : values)
            sets += (sets.empty() ? "" : ", ") + quoteIdentifier(fieldNamed(info, name).Name) + " = ?";
        Statement s(db_.get(), "UPDATE " + quoteIdentifier(info.name) + " SET " + sets + " WHERE rowid = ?");
        int i = 1;
        for (const auto& [name, value] : values) s.bind(i++, value);
        s.bind(i, Variant(static_cast<long long>(key)));
        s.step();
    }
    return readRow(info, key);
}

} // namespace upd::db::sqlite
