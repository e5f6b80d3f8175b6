// The database layer's one error type. Every failure of a connection, statement or table
// arrives as a DbError: a code the steps can test, the native code of the engine beneath,
// and a description worded for the user (the connect operations show it in a box).
#pragma once

#include <stdexcept>
#include <string>

namespace upd::db {

enum class DbErrc {
    FileNotFound,       // no file at the data source (or a folder there)
    WrongPassword,      // encrypted database, password missing or wrong
    NotADatabase,       // damaged file or not a database at all
    NoSuchTable,
    NoSuchColumn,
    FieldNotFound,      // FieldByName of a name the open result lacks
    TableExists,
    ColumnExists,
    SyntaxError,
    ConstraintViolation,  // duplicate key, required value missing
    TypeMismatch,       // a value the column cannot take
    ValueTooLong,       // text longer than the column allows
    NotConnected,       // no connection string, or the object is closed
    ObjectOpen,         // operation not allowed while the object is open
    NotEditing,         // field set or post outside insert/edit
    ReadOnlyField,      // auto-increment field, or a field of a query result
    NoRows,             // statement opened as a result returns no rows
    Busy,               // locked by another user
    ReadOnly,           // file cannot be written
    Unsupported,
    Other,
};

class DbError : public std::runtime_error {
public:
    DbError(DbErrc code, const std::string& description, int nativeError = 0)
        : std::runtime_error(description), code_(code), native_(nativeError) {}

    DbErrc code() const { return code_; }
    int nativeError() const { return native_; }
    std::string description() const { return what(); }

private:
    DbErrc code_;
    int native_;
};

// One entry of a connection's error list, as the provider reports it.
struct ProviderError {
    DbErrc code = DbErrc::Other;
    int nativeError = 0;
    std::string Description;
};

} // namespace upd::db
