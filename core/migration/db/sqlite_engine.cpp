#define SQLITE_HAS_CODEC 1
#include "migration/db/sqlite_engine.h"

#include "migration/db/access_sql_translation.h"
#include "migration/db/sqlite_handle.h"
#include "migration/db/sqlite_text_functions.h"
#include "platform/text.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace upd::db {

DbEngine& defaultEngine() {
    static sqlite::SqliteEngine engine;
    return engine;
}

namespace sqlite {
namespace {

constexpr int kBusyTimeoutMs = 3000;

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool has(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

int sizeOf(const std::string& decl) {
    const size_t open = decl.find('(');
    if (open == std::string::npos) return 0;
    return std::atoi(decl.c_str() + open + 1);
}

struct TableInfo {
    std::string name;  // as stored
    bool isView = false;
    std::vector<FieldDef> fields;
};

// Posting row by row commits every row. With a rollback journal each commit waits for the
// disk several times; once a session writes, the file therefore uses a write-ahead log (safe
// against corruption, commits without waiting) and is put back into its ordinary journal
// mode when the session ends, so that a closed file is complete on its own. Sessions that
// only read leave the file alone.
class SqliteSession : public DbSession {
public:
    explicit SqliteSession(DbHandle db) : db_(std::move(db)) {}
    ~SqliteSession() override {
        if (!wal_) return;
        // Another session still on the file keeps the log; the file is complete once the
        // last one closes either way, so do not wait for it.
        sqlite3_busy_timeout(db_.get(), 0);
        sqlite3_exec(db_.get(), "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    }

    RowSet query(const std::string& sql) override;
    int64_t execute(const std::string& sql) override;
    std::vector<std::string> tableNames() override;
    RowSet openTable(const std::string& table) override;
    std::pair<int64_t, std::vector<Variant>> insertRow(const std::string& table, const Assignments& values) override;
    std::vector<Variant> updateRow(const std::string& table, int64_t key, const Assignments& values) override;

private:
    TableInfo tableInfo(const std::string& table);
    std::vector<Variant> readRow(const TableInfo& info, int64_t key);
    std::string columnList(const TableInfo& info) const;
    void rebuild(const TranslatedStatement& st);
    template <class Work>
    void allOrNothing(Work&& work);

    void beforeWriting() {
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

    DbHandle db_;
    bool walTried_ = false;
    bool wal_ = false;
};

FieldDef fieldOf(const std::string& name, const std::string& decl, bool alias, const std::string& table) {
    const FieldType type = classifyDeclaredType(decl, alias);
    return FieldDef{name, type, type == FieldType::String ? sizeOf(decl) : 0, table};
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

template <class Work>
void SqliteSession::allOrNothing(Work&& work) {
    exec(db_.get(), "SAVEPOINT access_statement");
    try {
        work();
    } catch (...) {
        sqlite3_exec(db_.get(), "ROLLBACK TO access_statement; RELEASE access_statement", nullptr, nullptr, nullptr);
        throw;
    }
    exec(db_.get(), "RELEASE access_statement");
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

// SQLite cannot change or drop a column in place: the table is created anew under a
// temporary name, the rows copied with their row ids, the old table dropped and the new
// one renamed, its indexes and counter restored. All inside one savepoint.
void SqliteSession::rebuild(const TranslatedStatement& st) {
    const TableInfo info = tableInfo(st.table);
    if (info.isView) throw DbError(DbErrc::Unsupported, "'" + info.name + "' является запросом, а не таблицей.");
    std::string createSql;
    {
        Statement s(db_.get(), "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1");
        s.bind(1, Variant(info.name));
        if (s.step()) createSql = s.columnText(0);
    }
    CreateTableParts parts = splitCreateTable(createSql);
    size_t target = parts.items.size();
    for (size_t i = 0; i < parts.items.size(); ++i)
        if (text::equalsIgnoreCase(definedColumn(parts.items[i]), st.column)) target = i;
    const FieldDef* old = nullptr;
    for (const FieldDef& f : info.fields)
        if (text::equalsIgnoreCase(f.Name, st.column)) old = &f;
    if (target == parts.items.size() || !old)
        throw DbError(DbErrc::NoSuchColumn, "Поле '" + st.column + "' не найдено в таблице '" + info.name + "'.");
    if (old->DataType == FieldType::AutoInc)
        throw DbError(DbErrc::Unsupported, "Поле счетчика '" + old->Name + "' не может быть изменено или удалено.");

    const bool drop = st.kind == TranslatedStatement::Kind::DropColumn;
    std::vector<std::string> copied;
    for (const FieldDef& f : info.fields)
        if (!(drop && &f == old)) copied.push_back(quoteIdentifier(f.Name));
    std::vector<std::string> selected = copied;
    if (drop) {
        parts.items.erase(parts.items.begin() + static_cast<long>(target));
    } else {
        parts.items[target] = st.columnDef;
        const std::string newDecl = st.columnDef.substr(quoteIdentifier(definedColumn(st.columnDef)).size() + 1);
        const FieldType newType = classifyDeclaredType(newDecl.substr(0, newDecl.find_first_of(" ")), false);
        const int newSize = sizeOf(newDecl.substr(0, newDecl.find_first_of(" ")));
        const std::string col = quoteIdentifier(old->Name);
        if (newSize > 0) {
            Statement s(db_.get(), "SELECT count(*) FROM " + quoteIdentifier(info.name) + " WHERE length(" + col +
                                       ") > " + std::to_string(newSize));
            s.step();
            if (s.columnInt(0) > 0)
                throw DbError(DbErrc::ValueTooLong, "Данные поля '" + old->Name + "' не помещаются в новый размер поля (" +
                                                        std::to_string(newSize) + " знаков); таблица не изменена.");
        }
        for (auto& sel : selected)
            if (sel == col && newType == FieldType::Boolean) sel = "COALESCE(" + col + " <> 0, 0)";
    }

    const std::string temp = info.name + "__rebuild";
    std::vector<std::string> indexes;
    {
        Statement s(db_.get(), "SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1 AND sql IS NOT NULL");
        s.bind(1, Variant(info.name));
        while (s.step()) indexes.push_back(s.columnText(0));
    }
    allOrNothing([&] {
        Variant counter;
        bool hasSequence = false;
        {
            Statement s(db_.get(), "SELECT count(*) FROM sqlite_master WHERE name = 'sqlite_sequence'");
            s.step();
            hasSequence = s.columnInt(0) > 0;
        }
        if (hasSequence) {
            Statement s(db_.get(), "SELECT seq FROM sqlite_sequence WHERE name = ?1");
            s.bind(1, Variant(info.name));
            if (s.step()) counter = Variant(static_cast<long long>(s.columnInt(0)));
        }
        std::string create = "CREATE TABLE " + quoteIdentifier(temp) + " (";
        for (size_t i = 0; i < parts.items.size(); ++i) create += (i ? ", " : "") + parts.items[i];
        exec(db_.get(), create + ")");
        std::string into, from;
        for (size_t i = 0; i < copied.size(); ++i) {
            into += ", " + copied[i];
            from += ", " + selected[i];
        }
        exec(db_.get(), "INSERT INTO " + quoteIdentifier(temp) + " (rowid" + into + ") SELECT rowid" + from + " FROM " +
                            quoteIdentifier(info.name));
        if (!drop) {
            // A number column takes only numbers, as Access converts or refuses.
            const TableInfo rebuilt = tableInfo(temp);
            for (const FieldDef& f : rebuilt.fields) {
                if (!text::equalsIgnoreCase(f.Name, st.column)) continue;
                std::string allowed;
                if (isIntegerType(f.DataType)) allowed = "'integer'";
                if (f.DataType == FieldType::Float || f.DataType == FieldType::Currency) allowed = "'integer','real'";
                if (allowed.empty()) continue;
                Statement s(db_.get(), "SELECT count(*) FROM " + quoteIdentifier(temp) + " WHERE typeof(" +
                                           quoteIdentifier(f.Name) + ") NOT IN ('null'," + allowed + ")");
                s.step();
                if (s.columnInt(0) > 0)
                    throw DbError(DbErrc::TypeMismatch, "Данные поля '" + f.Name +
                                                            "' не могут быть преобразованы в новый тип; таблица не изменена.");
            }
        }
        exec(db_.get(), "DROP TABLE " + quoteIdentifier(info.name));
        exec(db_.get(), "ALTER TABLE " + quoteIdentifier(temp) + " RENAME TO " + quoteIdentifier(info.name));
        for (const std::string& index : indexes) exec(db_.get(), index);
        if (!counter.isNull()) {
            Statement s(db_.get(), "UPDATE sqlite_sequence SET seq = max(seq, ?1) WHERE name = ?2");
            s.bind(1, counter);
            s.bind(2, Variant(info.name));
            s.step();
        }
    });
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

// --- opening ---

DbError fileNotFound(const std::string& path) {
    return DbError(DbErrc::FileNotFound, "Не удается найти файл '" + path + "'.");
}

DbError unrecognised(const std::string& path) {
    return DbError(DbErrc::NotADatabase, "Нераспознаваемый формат базы данных '" + path + "'.", SQLITE_NOTADB);
}

DbError wrongPassword() { return DbError(DbErrc::WrongPassword, "Недопустимый пароль.", SQLITE_NOTADB); }

DbHandle openHandle(const std::string& path, const std::string& password, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    DbHandle db(raw);
    if (rc != SQLITE_OK) {
        if ((rc & 0xFF) == SQLITE_CANTOPEN) throw fileNotFound(path);
        throwLastError(db.get(), rc);
    }
    if (!password.empty()) {
        const int krc = sqlite3_key(db.get(), password.data(), static_cast<int>(password.size()));
        if (krc != SQLITE_OK) throwLastError(db.get(), krc);
    }
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    sqlite3_extended_result_codes(db.get(), 1);
    registerAccessTextFunctions(db.get());
    return db;
}

// Reads the schema: the first read that needs the key.
int probe(sqlite3* db) {
    return sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
}

} // namespace

FieldType classifyDeclaredType(const std::string& declaredType, bool rowAlias) {
    if (rowAlias) return FieldType::AutoInc;
    const std::string d = upper(declaredType);
    if (d.empty()) return FieldType::Unknown;
    if (has(d, "BIT") || has(d, "BOOL") || has(d, "YESNO") || has(d, "LOGICAL")) return FieldType::Boolean;
    if (has(d, "SMALLINT") || has(d, "TINYINT") || has(d, "SHORT") || d == "BYTE") return FieldType::SmallInt;
    if (has(d, "INT") || d == "LONG" || d == "COUNTER") return FieldType::Integer;
    if (has(d, "LONGTEXT") || has(d, "MEMO") || has(d, "CLOB") || d == "TEXT") return FieldType::Memo;
    if (has(d, "GUID")) return FieldType::Guid;
    if (has(d, "CHAR") || has(d, "TEXT") || has(d, "STRING")) return FieldType::String;
    if (has(d, "DATE") || has(d, "TIME")) return FieldType::DateTime;
    if (has(d, "CURRENCY") || has(d, "MONEY")) return FieldType::Currency;
    if (has(d, "REAL") || has(d, "FLOA") || has(d, "DOUB") || has(d, "DEC") || has(d, "NUMERIC")) return FieldType::Float;
    if (has(d, "BLOB") || has(d, "BINARY")) return FieldType::Blob;
    return FieldType::Unknown;
}

std::unique_ptr<DbSession> SqliteEngine::open(const std::string& path, const std::string& password) {
    struct stat st{};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) throw fileNotFound(path);
    if (st.st_size == 0 || st.st_size % 512 != 0) throw unrecognised(path);
    char header[16] = {0};
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        const size_t n = std::fread(header, 1, sizeof header, f);
        std::fclose(f);
        if (n != sizeof header) throw unrecognised(path);
    } else {
        throw DbError(DbErrc::ReadOnly, "Нет доступа к файлу '" + path + "'.");
    }
    const bool plain = std::memcmp(header, "SQLite format 3", 16) == 0;
    const int flags = SQLITE_OPEN_READWRITE;

    // A plain file opens whatever password is given, as the Access provider opens a
    // database without a password.
    DbHandle db = openHandle(path, plain ? std::string() : password, flags);
    const int rc = probe(db.get());
    if (rc == SQLITE_OK) return std::make_unique<SqliteSession>(std::move(db));
    const int primary = rc & 0xFF;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
        if (plain) throw unrecognised(path);
        throw wrongPassword();
    }
    throwLastError(db.get(), rc);
}

std::unique_ptr<DbSession> createDatabase(const std::string& path, const std::string& password) {
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0)
        throw DbError(DbErrc::Other, "Файл '" + path + "' уже существует.");
    DbHandle db = openHandle(path, password, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    exec(db.get(), "PRAGMA user_version = 1");  // writes the first page, so the file is a database at once
    return std::make_unique<SqliteSession>(std::move(db));
}

} // namespace sqlite
} // namespace upd::db
