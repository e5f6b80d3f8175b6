// What a database engine gives the ADO-style objects: sessions on one database file that run
// Access SQL and read and write whole tables: the SQLCipher engine (sqlite_engine.h) and the
// ODBC engine (odbc_engine.h), which reaches Access's driver on Windows.
// Every failure is a DbError.
#pragma once

#include "db/variant.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace upd::db {

// The rows of a result or a whole table, read at once (a static cursor). For a table,
// `keys` holds each row's identity for later updates.
struct RowSet {
    std::vector<FieldDef> fields;
    std::vector<std::vector<Variant>> rows;
    std::vector<int64_t> keys;
};

using Assignments = std::vector<std::pair<std::string, Variant>>;

class DbSession {
public:
    virtual ~DbSession() = default;
    // Statements are Access SQL, one per call (a final ";" is allowed).
    virtual RowSet query(const std::string& sql) = 0;
    virtual int64_t execute(const std::string& sql) = 0;  // rows affected
    // User tables and views, without the engine's system tables.
    virtual std::vector<std::string> tableNames() = 0;
    // Whole table; fails with NoSuchTable naming the table.
    virtual RowSet openTable(const std::string& table) = 0;
    // Stores a new row from the assigned columns (the rest take their defaults, the
    // auto-increment column its next value) and returns the stored row with its key.
    virtual std::pair<int64_t, std::vector<Variant>> insertRow(const std::string& table, const Assignments& values) = 0;
    virtual std::vector<Variant> updateRow(const std::string& table, int64_t key, const Assignments& values) = 0;
    // Makes the rows stored so far lasting and visible to other sessions. Sessions may group
    // stored rows; every other operation, a table's close and the session's end flush them.
    virtual void flush() {}
};

class DbEngine {
public:
    virtual ~DbEngine() = default;
    // Opens an existing database file; an empty password opens a database without one.
    virtual std::unique_ptr<DbSession> open(const std::string& path, const std::string& password) = 0;
};

// The engine chosen for the program (engine_choice.h): by default SQLCipher, on Windows
// ODBC with Access's driver.
DbEngine& defaultEngine();

} // namespace upd::db
