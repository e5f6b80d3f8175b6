// How the steps run their statements on a statement object: clear the text, set the new one,
// then open it (a SELECT) or execute it (anything else).
#pragma once

#include "db/ado_query.h"

#include <string>

namespace upd {

void openStatement(db::TADOQuery& query, const std::string& sql);
void execStatement(db::TADOQuery& query, const std::string& sql);

// Existence probe: opens the SELECT and tells whether it opened. Any database error counts as
// "missing" and is not reported; the result stays open until the next change of text.
bool probeStatement(db::TADOQuery& query, const std::string& select);

// The value in single quotes, single quotes inside doubled.
std::string quotedStr(const std::string& value);

} // namespace upd
