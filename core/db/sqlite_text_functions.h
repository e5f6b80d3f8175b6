// Access compares texts without letter case, Cyrillic as Latin. SQLite's NOCASE and LIKE
// fold ASCII only, so every handle gets replacements that fold all the letters the
// platform's case-insensitive comparison knows.
#pragma once

#include <string_view>

struct sqlite3;

namespace upd::db::sqlite {

// Replaces the NOCASE collation and the LIKE operator on `db`.
void registerAccessTextFunctions(sqlite3* db);

// The comparisons behind them, for tests.
int compareIgnoreCase(std::string_view a, std::string_view b);
// ANSI wildcards as the OLE DB provider reads them: % any run, _ one character,
// [abc] [a-z] [!abc] one of (or none of) a list; `escape` (0 for none) quotes the next one.
bool likeMatch(std::string_view pattern, std::string_view value, char32_t escape = 0);

} // namespace upd::db::sqlite
