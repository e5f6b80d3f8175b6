#include "db/sqlite_value_functions.h"

#include "db/db_error.h"
#include "db/variant.h"

#include <sqlite3.h>

#include <string>

namespace upd::db::sqlite {
namespace {

std::string textOf(sqlite3_value* v) {
    const auto* p = static_cast<const char*>(sqlite3_value_blob(v));
    return std::string(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v)));
}

Variant variantOf(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return Variant();
    case SQLITE_INTEGER: return Variant(static_cast<long long>(sqlite3_value_int64(v)));
    case SQLITE_FLOAT: return Variant(sqlite3_value_double(v));
    case SQLITE_BLOB: return Variant::blob(textOf(v));
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
        return Variant(std::string(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v))));
    }
    }
}

// The statement fails with the message; the code tells errorFromSqlite which kind of refusal it is.
void refuse(sqlite3_context* ctx, const DbError& e) {
    sqlite3_result_error(ctx, e.what(), -1);
    sqlite3_result_error_code(ctx, e.code() == DbErrc::ValueTooLong ? SQLITE_TOOBIG : SQLITE_MISMATCH);
}

void result(sqlite3_context* ctx, const Variant& v) {
    switch (v.kind()) {
    case ValueKind::Null: sqlite3_result_null(ctx); break;
    case ValueKind::Boolean: sqlite3_result_int(ctx, v.toBool() ? -1 : 0); break;  // Access's True
    case ValueKind::Integer: sqlite3_result_int64(ctx, v.toInt64()); break;
    case ValueKind::Float: sqlite3_result_double(ctx, v.toDouble()); break;
    case ValueKind::Text: {
        const std::string s = v.toString();
        sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        break;
    }
    case ValueKind::Blob: {
        const std::string s = v.toString();
        sqlite3_result_blob(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        break;
    }
    }
}

void store(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_value* value = argv[0];
    if (sqlite3_value_type(value) == SQLITE_NULL) return sqlite3_result_null(ctx);
    FieldDef field;
    field.DataType = static_cast<FieldType>(sqlite3_value_int(argv[1]));
    field.Size = sqlite3_value_int(argv[2]);
    field.Name = textOf(argv[3]);
    try {
        if (field.DataType == FieldType::String) {
            // Text is kept as SQLite stores it; only its length is Access's.
            checkTextLength(variantOf(value), field);
            return sqlite3_result_value(ctx, value);
        }
        result(ctx, coerceToField(variantOf(value), field.DataType));
    } catch (const DbError& e) {
        refuse(ctx, e);
    }
}

} // namespace

void registerAccessValueFunctions(sqlite3* db) {
    sqlite3_create_function(db, "access_store", 4, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, store, nullptr, nullptr);
}

} // namespace upd::db::sqlite
