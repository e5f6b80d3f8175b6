#include "migration/statement_run.h"

#include "db/db_error.h"

namespace upd {

void openStatement(db::TADOQuery& query, const std::string& sql) {
    query.SQL.Clear();
    query.SQL.Add(sql);
    query.Open();
}

void execStatement(db::TADOQuery& query, const std::string& sql) {
    query.SQL.Clear();
    query.SQL.Add(sql);
    query.ExecSQL();
}

bool probeStatement(db::TADOQuery& query, const std::string& select) {
    try {
        openStatement(query, select);
        return true;
    } catch (const db::DbError&) {
        return false;
    }
}

std::string quotedStr(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

} // namespace upd
