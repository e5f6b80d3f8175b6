#define SQLITE_HAS_CODEC 1
#include "db/sqlite_handle.h"

#include <sqlite3.h>

namespace upd::db::sqlite {
namespace {

std::string after(const std::string& message, const std::string& prefix) {
    std::string name = message.substr(prefix.size());
    if (name.rfind("main.", 0) == 0) name = name.substr(5);
    return name;
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

} // namespace

void DbCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

DbError errorFromSqlite(int rc, const std::string& message) {
    const int primary = rc & 0xFF;
    if (startsWith(message, "no such table: "))
        return DbError(DbErrc::NoSuchTable,
                       "Не удается найти входную таблицу или запрос '" + after(message, "no such table: ") +
                           "'. Убедитесь, что объект существует и его имя введено правильно.",
                       rc);
    if (startsWith(message, "no such column: "))
        return DbError(DbErrc::NoSuchColumn, "Неизвестное поле '" + after(message, "no such column: ") + "'.", rc);
    if (startsWith(message, "duplicate column name: "))
        return DbError(DbErrc::ColumnExists,
                       "Поле '" + after(message, "duplicate column name: ") + "' уже существует в таблице.", rc);
    if (startsWith(message, "table ") && message.find("already exists") != std::string::npos) {
        std::string name = message.substr(6, message.find(" already exists") - 6);
        if (name.size() >= 2 && name.front() == '"') name = name.substr(1, name.size() - 2);
        return DbError(DbErrc::TableExists, "Таблица '" + name + "' уже существует.", rc);
    }
    if (startsWith(message, "NOT NULL constraint failed: "))
        return DbError(DbErrc::ConstraintViolation,
                       "Поле '" + after(message, "NOT NULL constraint failed: ") +
                           "' не может содержать значение Null: значение в этом поле обязательно.",
                       rc);
    if (primary == SQLITE_CONSTRAINT)
        return DbError(DbErrc::ConstraintViolation,
                       "Изменения не были внесены: они привели бы к появлению повторяющихся значений в индексе, "
                       "ключевом поле или связи (" + message + ").",
                       rc);
    if (message.find("syntax error") != std::string::npos || startsWith(message, "no such function") ||
        message.find("incomplete input") != std::string::npos)
        return DbError(DbErrc::SyntaxError, "Синтаксическая ошибка в инструкции SQL (" + message + ").", rc);
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return DbError(DbErrc::Busy, "База данных заблокирована другим пользователем.", rc);
    if (primary == SQLITE_READONLY)
        return DbError(DbErrc::ReadOnly, "Файл базы данных открыт только для чтения.", rc);
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
        return DbError(DbErrc::NotADatabase, "Нераспознаваемый формат базы данных или файл поврежден.", rc);
    // A value refused by access_store or access_add carries its own description.
    if (primary == SQLITE_MISMATCH)
        return DbError(DbErrc::TypeMismatch, message == "datatype mismatch" ? "Несоответствие типа данных." : message, rc);
    if (primary == SQLITE_TOOBIG && message != "string or blob too big") return DbError(DbErrc::ValueTooLong, message, rc);
    return DbError(DbErrc::Other, "Ошибка базы данных: " + message, rc);
}

void throwLastError(sqlite3* db, int rc) {
    throw errorFromSqlite(rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

void exec(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
        throw errorFromSqlite(rc, text);
    }
}

Statement::Statement(sqlite3* db, const std::string& sql) : db_(db) {
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) throwLastError(db, rc);
    if (!stmt_) throw DbError(DbErrc::SyntaxError, "Пустая инструкция SQL.");
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throwLastError(db_, rc);
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void Statement::bind(int index, const Variant& v) {
    int rc = SQLITE_OK;
    switch (v.kind()) {
    case ValueKind::Null: rc = sqlite3_bind_null(stmt_, index); break;
    case ValueKind::Integer: rc = sqlite3_bind_int64(stmt_, index, v.toInt64()); break;
    case ValueKind::Boolean: rc = sqlite3_bind_int64(stmt_, index, v.toBool() ? -1 : 0); break;  // Access's True
    case ValueKind::Float: rc = sqlite3_bind_double(stmt_, index, v.toDouble()); break;
    case ValueKind::Text: {
        const std::string s = v.toString();
        rc = sqlite3_bind_text(stmt_, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        break;
    }
    case ValueKind::Blob: {
        const std::string s = v.toString();
        rc = sqlite3_bind_blob(stmt_, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK) throwLastError(db_, rc);
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }

Variant Statement::column(int i, FieldType type) const {
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_NULL: return Variant();
    case SQLITE_INTEGER: {
        const long long v = sqlite3_column_int64(stmt_, i);
        if (type == FieldType::Boolean) return Variant(v != 0);
        return Variant(v);
    }
    case SQLITE_FLOAT: {
        const double v = sqlite3_column_double(stmt_, i);
        if (type == FieldType::Boolean) return Variant(v != 0);
        return Variant(v);
    }
    case SQLITE_BLOB: {
        const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
        return Variant::blob(std::string(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(stmt_, i))));
    }
    default: {
        std::string s = columnText(i);
        if (type == FieldType::Boolean) {
            try {
                return Variant(Variant(s).toBool());
            } catch (const DbError&) {
                // Text that reads as no Boolean is kept as the text it is.
            }
        }
        return Variant(std::move(s));
    }
    }
}

int64_t Statement::columnInt(int i) const { return sqlite3_column_int64(stmt_, i); }

std::string Statement::columnText(int i) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
    return std::string(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(stmt_, i)));
}

bool Statement::columnIsNull(int i) const { return sqlite3_column_type(stmt_, i) == SQLITE_NULL; }

std::string Statement::columnName(int i) const {
    const char* p = sqlite3_column_name(stmt_, i);
    return p ? p : "";
}

std::string Statement::columnDeclType(int i) const {
    const char* p = sqlite3_column_decltype(stmt_, i);
    return p ? p : "";
}

std::string Statement::columnTable(int i) const {
    const char* p = sqlite3_column_table_name(stmt_, i);
    return p ? p : "";
}

std::string Statement::columnOrigin(int i) const {
    const char* p = sqlite3_column_origin_name(stmt_, i);
    return p ? p : "";
}

} // namespace upd::db::sqlite
