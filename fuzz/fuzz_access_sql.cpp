// libFuzzer target of the Access SQL translation: any bytes as one statement. A statement
// the translation cannot take is refused with the database layer's error, nothing else; what
// it passes on is whole SQL for SQLite: every literal and name closed, no second statement
// after a ";", and no "--" or "/*" that SQLite would read as a comment and so drop the rest
// of a statement Access would have run whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "db/access_sql_translation.h"
#include "db/db_error.h"
#include "db/variant.h"

namespace {

[[noreturn]] void broken(const char* what, std::string_view sql) {
    std::fprintf(stderr, "Access SQL property broken: %s\n%.*s\n", what, static_cast<int>(sql.size()), sql.data());
    std::abort();
}

// Reads `sql` as SQLite's tokenizer does, as far as literals, names, comments and statement
// ends go.
void expectWhole(std::string_view sql) {
    size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        const char close = c == '\'' ? '\'' : c == '"' ? '"' : c == '`' ? '`' : c == '[' ? ']' : 0;
        if (close) {
            size_t j = i + 1;
            for (;; ++j) {
                if (j >= sql.size()) broken("a literal or name left open", sql);
                if (sql[j] != close) continue;
                if (close != ']' && j + 1 < sql.size() && sql[j + 1] == close) {
                    ++j;  // doubled: stands for itself
                    continue;
                }
                break;
            }
            i = j + 1;
            continue;
        }
        if (sql.substr(i, 2) == "--" || sql.substr(i, 2) == "/*") broken("a comment SQLite would skip", sql);
        if (c == ';' && sql.find_first_not_of(" \t\r\n", i + 1) != std::string_view::npos)
            broken("a second statement", sql);
        if (c == '\0') broken("a NUL, where SQLite's text ends", sql);
        ++i;
    }
}

// Every table has one column of each kind a written value is converted for, so that INSERT
// and UPDATE statements take the typed path too.
std::vector<upd::db::FieldDef> columnsOf(const std::string& table) {
    using upd::db::FieldType;
    return {{"id", FieldType::AutoInc, 0, table},  {"name", FieldType::String, 50, table},
            {"flag", FieldType::Boolean, 0, table}, {"d", FieldType::DateTime, 0, table},
            {"n", FieldType::Integer, 0, table},    {"b", FieldType::Byte, 0, table},
            {"x", FieldType::Float, 0, table},      {"memo", FieldType::Memo, 0, table}};
}

void translateAndCheck(std::string_view accessSql, const upd::db::sqlite::TableColumns& columns) {
    upd::db::sqlite::TranslatedStatement out;
    try {
        out = upd::db::sqlite::translateAccessSql(accessSql, columns);
    } catch (const upd::db::DbError&) {
        return;  // refused, with a message for the log
    }
    for (const std::string& sql : out.sql) expectWhole(sql);
    expectWhole(out.columnDef);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view accessSql(reinterpret_cast<const char*>(data), size);
    translateAndCheck(accessSql, nullptr);
    translateAndCheck(accessSql, columnsOf);
    return 0;
}
