// RAII over the SQLCipher C API: a database handle and a prepared statement, with SQLite's
// result codes turned into DbError.
#pragma once

#include "db/db_error.h"
#include "db/variant.h"

#include <memory>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace upd::db::sqlite {

struct DbCloser {
    void operator()(sqlite3* db) const;
};
using DbHandle = std::unique_ptr<sqlite3, DbCloser>;

// The DbError for a failed SQLite call, with a description for the user.
DbError errorFromSqlite(int rc, const std::string& message);
[[noreturn]] void throwLastError(sqlite3* db, int rc);

// Runs statements that return nothing and take no parameters.
void exec(sqlite3* db, const std::string& sql);

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // True while a row is available.
    bool step();
    // Ready to run again, bindings cleared (statements kept for reuse).
    void reset();
    void bind(int index, const Variant& value);  // 1-based
    int columnCount() const;
    // Booleans come back as true/false, the rest as stored.
    Variant column(int index, FieldType type) const;
    int64_t columnInt(int index) const;
    std::string columnText(int index) const;
    bool columnIsNull(int index) const;
    std::string columnName(int index) const;
    std::string columnDeclType(int index) const;
    std::string columnTable(int index) const;
    std::string columnOrigin(int index) const;
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace upd::db::sqlite
