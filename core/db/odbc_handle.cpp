#include "db/odbc_handle.h"

#include "db/odbc_api.h"
#include "platform/text.h"

#include <utility>

namespace upd::db::odbc {
namespace {

bool mentions(const std::string& text, const char* part) {
    return text::foldCase(text).find(part) != std::string::npos;
}

void* allocate(HandleType type, void* parent) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    const SQLRETURN rc = SQLAllocHandle(static_cast<SQLSMALLINT>(type), parent, &handle);
    if (!SQL_SUCCEEDED(rc)) {
        // The parent (one level up: a statement's connection, a connection's environment)
        // holds the reason; a missing driver manager leaves none.
        std::vector<Diagnostic> records;
        if (parent) records = diagnostics(static_cast<short>(static_cast<short>(type) - 1), parent);
        throw errorOf(records, "Не удалось получить дескриптор ODBC.");
    }
    return handle;
}

} // namespace

OdbcHandle OdbcHandle::environment() {
    OdbcHandle env(HandleType::Environment, allocate(HandleType::Environment, SQL_NULL_HANDLE));
    env.check(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0));
    return env;
}

OdbcHandle::OdbcHandle(HandleType type, const OdbcHandle& parent) : type_(type), handle_(allocate(type, parent.get())) {}

OdbcHandle::~OdbcHandle() { release(); }

OdbcHandle::OdbcHandle(OdbcHandle&& other) noexcept
    : type_(other.type_), handle_(std::exchange(other.handle_, nullptr)), connected_(std::exchange(other.connected_, false)) {}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept {
    if (this != &other) {
        release();
        type_ = other.type_;
        handle_ = std::exchange(other.handle_, nullptr);
        connected_ = std::exchange(other.connected_, false);
    }
    return *this;
}

void OdbcHandle::release() noexcept {
    if (!handle_) return;
    if (connected_) SQLDisconnect(handle_);
    SQLFreeHandle(static_cast<SQLSMALLINT>(type_), handle_);
    handle_ = nullptr;
    connected_ = false;
}

short OdbcHandle::check(short rc) const {
    if (!SQL_SUCCEEDED(rc)) fail(rc);
    return rc;
}

void OdbcHandle::fail(short rc) const {
    throw errorOf(diagnostics(), rc == SQL_INVALID_HANDLE ? "Недопустимый дескриптор ODBC."
                                                            : "Драйвер ODBC сообщил об ошибке без описания.");
}

std::vector<Diagnostic> OdbcHandle::diagnostics() const {
    return odbc::diagnostics(static_cast<short>(type_), handle_);
}

std::string databaseText(const std::string& message) {
    size_t from = 0;
    while (from < message.size() && message[from] == '[') {
        const size_t close = message.find(']', from);
        if (close == std::string::npos) break;
        from = close + 1;
    }
    return text::trim(message.substr(from));
}

DbErrc codeOf(const Diagnostic& d) {
    // Drivers that follow ODBC name the fault in the SQLSTATE.
    static const struct {
        const char* state;
        DbErrc code;
    } states[] = {
        {"42S02", DbErrc::NoSuchTable},   {"42S22", DbErrc::NoSuchColumn},     {"42S01", DbErrc::TableExists},
        {"42S21", DbErrc::ColumnExists},  {"42000", DbErrc::SyntaxError},      {"37000", DbErrc::SyntaxError},
        {"23000", DbErrc::ConstraintViolation}, {"22001", DbErrc::ValueTooLong}, {"22018", DbErrc::TypeMismatch},
        {"22005", DbErrc::TypeMismatch},  {"07006", DbErrc::TypeMismatch},     {"28000", DbErrc::WrongPassword},
        {"HYT00", DbErrc::Busy},          {"HYT01", DbErrc::Busy},             {"HY024", DbErrc::FileNotFound},
    };
    for (const auto& s : states)
        if (d.state == s.state) return s.code;
    // Access's driver gives some of its own faults as HY000 with the engine's number.
    switch (d.native) {
    case -1905: return DbErrc::WrongPassword;   // "Not a valid password."
    case -1811: return DbErrc::FileNotFound;    // "Could not find file ..."
    case -1305: return DbErrc::NoSuchTable;     // "... cannot find the input table or query ..."
    default: break;
    }
    // SQLite's driver reports every fault as HY000 with SQLite's code and its English text.
    if (mentions(d.message, "no such table")) return DbErrc::NoSuchTable;
    if (mentions(d.message, "no such column")) return DbErrc::NoSuchColumn;
    if (mentions(d.message, "duplicate column")) return DbErrc::ColumnExists;
    if (mentions(d.message, "already exists")) return DbErrc::TableExists;
    if (mentions(d.message, "syntax error")) return DbErrc::SyntaxError;
    if (mentions(d.message, "constraint failed")) return DbErrc::ConstraintViolation;
    if (mentions(d.message, "database is locked")) return DbErrc::Busy;
    if (mentions(d.message, "readonly database")) return DbErrc::ReadOnly;
    if (mentions(d.message, "not a database") || mentions(d.message, "malformed")) return DbErrc::NotADatabase;
    return DbErrc::Other;
}

DbError errorOf(const std::vector<Diagnostic>& records, const std::string& fallback) {
    if (records.empty()) return DbError(DbErrc::Other, fallback);
    const Diagnostic& first = records.front();
    std::string text = databaseText(first.message);
    if (text.empty()) text = fallback;
    return DbError(codeOf(first), text, first.native);
}

} // namespace upd::db::odbc
