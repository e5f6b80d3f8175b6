#include "db/ado_query.h"

namespace upd::db {

void TSQLText::Clear() {
    owner_.Close();
    text_.clear();
}

void TSQLText::Add(const std::string& line) {
    owner_.Close();
    if (!text_.empty()) text_ += "\n";
    text_ += line;
}

void TSQLText::SetText(const std::string& text) {
    owner_.Close();
    text_ = text;
}

int TADOQuery::ExecSQL() {
    const std::string sql = SQL.Text();
    return static_cast<int>(Connection().run([&](DbSession& s) { return s.execute(sql); }));
}

RowSet TADOQuery::fetch(DbSession& session) { return session.query(SQL.Text()); }

} // namespace upd::db
