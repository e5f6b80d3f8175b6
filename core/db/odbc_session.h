// A session of the ODBC engine: one driver connection to one database file. Access SQL goes
// to Access's driver as written and to other drivers translated into SQLite's dialect.
// Internal to the ODBC engine.
#pragma once

#include "db/db_engine.h"
#include "db/odbc_connection_string.h"
#include "db/odbc_handle.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace upd::db::odbc {

// The column type a driver's description stands for. SQLite's driver names the declared
// type, read as the SQLCipher engine reads it; Access's driver is read by the ODBC type.
FieldType fieldTypeOf(const ColumnDescription& column, Dialect dialect);

// Rows stored one after another are committed in groups of up to kRowsPerCommit, as the
// SQLCipher engine does: a transaction per row would cost more than the row. The group is
// committed before any other operation, on flush, when a store fails (the rows before it
// stay) and when the session ends; every other operation first commits the groups of the
// process's other sessions, so that they see its rows and no lock stands in their way.
//
// Row keys: with SQLite's driver the row id; with Access's driver a number of this session
// that stands for the row's auto-increment value, or for all its values read when the table
// has no such column.
class OdbcSession : public DbSession {
public:
    OdbcSession(std::shared_ptr<OdbcHandle> environment, OdbcHandle connection, Dialect dialect);
    ~OdbcSession() override;
    OdbcSession(const OdbcSession&) = delete;
    OdbcSession& operator=(const OdbcSession&) = delete;

    RowSet query(const std::string& sql) override;
    int64_t execute(const std::string& sql) override;
    std::vector<std::string> tableNames() override;
    RowSet openTable(const std::string& table) override;
    std::pair<int64_t, std::vector<Variant>> insertRow(const std::string& table, const Assignments& values) override;
    std::vector<Variant> updateRow(const std::string& table, int64_t key, const Assignments& values) override;
    void flush() override;

    static constexpr int kRowsPerCommit = 500;

private:
    struct Layout {
        std::string name;  // as stored
        bool isView = false;
        std::vector<FieldDef> fields;
        std::optional<size_t> autoIncrement;  // index of the auto-increment column
    };
    // What an Access row key stands for.
    struct RowIdentity {
        std::string table;
        Variant autoValue;
        std::vector<Variant> values;
    };

    OdbcHandle statement();
    // Runs `sql` on `stmt`; a statement that touches no row is no failure.
    void run(OdbcHandle& stmt, const std::string& sql);
    [[noreturn]] void fail(const OdbcHandle& handle, short rc) const;
    std::vector<FieldDef> describe(OdbcHandle& stmt);
    std::vector<std::vector<Variant>> fetchRows(OdbcHandle& stmt, const std::vector<FieldDef>& fields);
    std::string plainSql(const std::string& accessSql) const;
    std::string quote(const std::string& name) const;
    const Layout& layout(const std::string& table);
    Layout readLayout(const std::string& table);
    std::vector<Variant> readRow(const Layout& info, const std::string& where, const std::vector<Variant>& params);
    std::string identityCondition(const Layout& info, int64_t key, std::vector<Variant>& params) const;
    int64_t remember(const Layout& info, const std::vector<Variant>& row);
    template <class Store>
    auto storeRow(Store&& store) -> decltype(store());
    void setAutocommit(bool on);
    void flushOthers();

    std::shared_ptr<OdbcHandle> environment_;  // outlives the connection
    OdbcHandle connection_;
    Dialect dialect_;
    std::map<std::string, Layout> layouts_;
    std::map<int64_t, RowIdentity> identities_;
    int64_t lastKey_ = 0;
    int pendingRows_ = 0;
    bool inGroup_ = false;
};

} // namespace upd::db::odbc
