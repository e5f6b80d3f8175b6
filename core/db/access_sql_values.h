// Values as Access writes and stores them, in SQLite's dialect: the literals (True, dates,
// "text"), the + operator, and the conversion of every value that an INSERT or UPDATE
// stores into a column of an Access type. Internal to the SQLite engine; the functions the
// rewritten text calls are in sqlite_value_functions.h.
#pragma once

#include "db/access_sql_tokens.h"
#include "db/access_sql_translation.h"

#include <optional>
#include <string>
#include <vector>

namespace upd::db::sqlite {

// One token as SQLite reads it; `previous` is the last token before it that is no space.
std::string render(const Token& t, const Token* previous);

// Tokens as SQLite reads them, each chain "a + b - c" made Access's +: texts are joined,
// numbers added, null gives null.
std::string renderExpression(const std::vector<Token>& tokens);

// An INSERT (VALUES or SELECT) or UPDATE ... SET of one table with every value written to a
// column of a checked type passed through access_store(); nothing for other statements and
// for forms left to SQLite as written.
std::optional<std::string> typedWrite(const std::vector<Token>& tokens, const TableColumns& columns);

} // namespace upd::db::sqlite
