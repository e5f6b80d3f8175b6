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

void add(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const int a = sqlite3_value_type(argv[0]), b = sqlite3_value_type(argv[1]);
    if (a == SQLITE_NULL || b == SQLITE_NULL) return sqlite3_result_null(ctx);
    if (a == SQLITE_TEXT && b == SQLITE_TEXT) {
        const std::string joined = variantOf(argv[0]).toString() + variantOf(argv[1]).toString();
        return sqlite3_result_text(ctx, joined.data(), static_cast<int>(joined.size()), SQLITE_TRANSIENT);
    }
    try {
        if (a == SQLITE_INTEGER && b == SQLITE_INTEGER) {
            long long sum = 0;
            if (!__builtin_add_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &sum))
                return sqlite3_result_int64(ctx, sum);
        }
        // A text that is a number counts as one, as Access converts it; any other text is refused.
        sqlite3_result_double(ctx, variantOf(argv[0]).toDouble() + variantOf(argv[1]).toDouble());
    } catch (const DbError& e) {
        refuse(ctx, e);
    }
}

} // namespace

void registerAccessValueFunctions(sqlite3* db) {
    sqlite3_create_function(db, "access_store", 4, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, store, nullptr, nullptr);
    sqlite3_create_function(db, "access_add", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, add, nullptr, nullptr);
}

} // namespace upd::db::sqlite
