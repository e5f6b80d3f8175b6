// A session on one SQLCipher database file: Access SQL translated and run, whole tables
// read, rows stored. Internal to the SQLite engine.
#pragma once

#include "db/access_sql_translation.h"
#include "db/db_engine.h"
#include "db/sqlite_handle.h"

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace upd::db::sqlite {

struct TableInfo {
    std::string name;  // as stored
    bool isView = false;
    std::vector<FieldDef> fields;
};

// The column definition a declared SQLite type and a row-alias flag stand for.
FieldDef fieldOf(const std::string& name, const std::string& declaredType, bool rowAlias, const std::string& table);
// n of "VARCHAR(n)", 0 without one.
int declaredSize(const std::string& declaredType);

// Posting row by row commits every row. With a rollback journal each commit waits for the
// disk several times; once a session writes, the file therefore uses a write-ahead log (safe
// against corruption, commits without waiting) and is put back into its ordinary journal
// mode when the session ends, so that a closed file is complete on its own. Sessions that
// only read leave the file alone.
//
// Rows stored one after another (a copy posting row by row) are committed in groups of up to
// kRowsPerCommit: a commit per row would cost far more than the row itself. The group is
// committed before any other operation of the session, when a table closes (flush), when a
// store fails (so the rows before the failure stay) and when the session ends. Table layouts
// and the statements that store and read back rows are kept until the next statement run
// through execute(), which may change the schema. Sessions of this process on the same file
// see each other's rows at once: each operation first commits the groups of the others.
class SqliteSession : public DbSession {
public:
    // `path`: the database file, telling sessions on the same file apart from the others.
    SqliteSession(DbHandle db, const std::string& path);
    ~SqliteSession() override;
    SqliteSession(const SqliteSession&) = delete;
    SqliteSession& operator=(const SqliteSession&) = delete;

    RowSet query(const std::string& sql) override;
    int64_t execute(const std::string& sql) override;
    std::vector<std::string> tableNames() override;
    RowSet openTable(const std::string& table) override;
    std::pair<int64_t, std::vector<Variant>> insertRow(const std::string& table, const Assignments& values) override;
    std::vector<Variant> updateRow(const std::string& table, int64_t key, const Assignments& values) override;
    void flush() override;

    static constexpr int kRowsPerCommit = 500;

private:
    const TableInfo& tableInfo(const std::string& table);
    TableInfo readTableInfo(const std::string& table);
    Statement& cached(const std::string& sql);
    // A statement kept under a key of the caller's (a table and its columns), its text made
    // only the first time: the row statements run once per row of a table.
    template <class MakeSql>
    Statement& cachedAs(const std::string& key, MakeSql&& makeSql);
    void forgetSchema();
    // Commits the groups of the other sessions on this file, so this one sees their rows
    // and can write.
    void flushSiblings();
    // Around one stored row: opens the group, and commits it once full or when the store failed.
    template <class Store>
    auto storeRow(Store&& store) -> decltype(store());
    std::vector<Variant> readRow(const TableInfo& info, int64_t key);
    std::string columnList(const TableInfo& info) const;
    void rebuild(const TranslatedStatement& st);
    // Runs `work` inside a savepoint: every statement of it takes effect, or none.
    template <class Work>
    void allOrNothing(Work&& work) {
        exec(db_.get(), "SAVEPOINT access_statement");
        try {
            work();
        } catch (...) {
            // The work's error is the one to report. A rollback that fails too leaves the
            // engine in an error state that fails the session's next statement.
            sqlite3_exec(db_.get(), "ROLLBACK TO access_statement; RELEASE access_statement", nullptr, nullptr, nullptr);
            throw;
        }
        exec(db_.get(), "RELEASE access_statement");
    }

    void beforeWriting();

    DbHandle db_;
    std::map<std::string, TableInfo> tables_;
    std::map<std::string, std::unique_ptr<Statement>> statements_;
    int pendingRows_ = 0;
    uint64_t file_ = 0;  // the same for the sessions of one file, 0 when unknown
    std::filesystem::path path_;
    bool walTried_ = false;
    bool wal_ = false;
};

} // namespace upd::db::sqlite
