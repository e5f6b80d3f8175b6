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

#include "db/access_sql_translation.h"
#include "db/db_error.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view accessSql(reinterpret_cast<const char*>(data), size);
    upd::db::sqlite::TranslatedStatement out;
    try {
        out = upd::db::sqlite::translateAccessSql(accessSql);
    } catch (const upd::db::DbError&) {
        return 0;  // refused, with a message for the log
    }
    for (const std::string& sql : out.sql) expectWhole(sql);
    expectWhole(out.columnDef);
    return 0;
}
