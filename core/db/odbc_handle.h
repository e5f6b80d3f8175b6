// One owning type for every ODBC handle (environment, connection, statement), and the
// turning of a handle's diagnostics into the layer's DbError.
#pragma once

#include "db/db_error.h"
#include "db/odbc_text.h"

#include <string>
#include <vector>

namespace upd::db::odbc {

// The values of SQL_HANDLE_ENV, SQL_HANDLE_DBC and SQL_HANDLE_STMT.
enum class HandleType : short { Environment = 1, Connection = 2, Statement = 3 };

class OdbcHandle {
public:
    // An environment for ODBC 3, a connection of an environment, a statement of a connection.
    static OdbcHandle environment();
    OdbcHandle(HandleType type, const OdbcHandle& parent);
    ~OdbcHandle();
    OdbcHandle(OdbcHandle&& other) noexcept;
    OdbcHandle& operator=(OdbcHandle&& other) noexcept;
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    void* get() const { return handle_; }
    HandleType type() const { return type_; }

    // A connection handle that connected is disconnected before it is freed.
    void markConnected() { connected_ = true; }

    // Passes a successful return code; any other raises the handle's diagnostics.
    short check(short rc) const;
    [[noreturn]] void fail(short rc) const;
    std::vector<Diagnostic> diagnostics() const;

private:
    OdbcHandle(HandleType type, void* handle) : type_(type), handle_(handle) {}
    void release() noexcept;

    HandleType type_ = HandleType::Environment;
    void* handle_ = nullptr;
    bool connected_ = false;
};

// The error a driver's diagnostics stand for: its first record's text without the
// "[vendor][driver]" prefixes, the code read from the SQLSTATE, the native number and the
// text. `fallback` when the driver left no record.
DbError errorOf(const std::vector<Diagnostic>& records, const std::string& fallback);
DbErrc codeOf(const Diagnostic& record);
// The message as the database worded it: leading "[...]" parts and blanks removed.
std::string databaseText(const std::string& message);

} // namespace upd::db::odbc
