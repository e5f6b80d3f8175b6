// Access (Jet/ACE) SQL as the steps write it, turned into SQLite's dialect. The one place
// where the dialect is translated; the cases are listed in access_sql_translation.cpp.
// Used by the SQLite engine only: the steps and the ADO-style objects speak Access SQL.
#pragma once

#include "db/variant.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace upd::db::sqlite {

struct TranslatedStatement {
    enum class Kind {
        Plain,        // run `sql[0]`
        AddColumns,   // run every `sql` entry, all or nothing
        AlterColumn,  // rebuild `table` with `column` redefined as `columnDef`
        DropColumn,   // rebuild `table` without `column`
    };
    Kind kind = Kind::Plain;
    std::vector<std::string> sql;
    std::string table;
    std::string column;
    std::string columnDef;
};

// The columns of a table as the engine reads them; none for a table it does not know.
using TableColumns = std::function<std::vector<FieldDef>(const std::string& table)>;

// One statement, an optional final ";" and blanks around it. Fails with DbErrc::SyntaxError
// on text after the statement, an unterminated literal, a date literal that is no date or an
// unknown column type. With `columns`, every value an INSERT or UPDATE writes is converted
// and checked as the column's Access type takes it (access_store, sqlite_value_functions.h).
TranslatedStatement translateAccessSql(std::string_view accessSql, const TableColumns& columns = nullptr);

// A script split at the ";" that end statements (outside literals and names); "--" comments
// and empty statements are dropped. For fixture scripts.
std::vector<std::string> splitScript(std::string_view script);

// SQLite's stored CREATE TABLE text taken apart: the column definitions and table
// constraints between the outer parentheses, each as written.
struct CreateTableParts {
    std::vector<std::string> items;
};
CreateTableParts splitCreateTable(std::string_view createSql);
// The column a definition item defines (unquoted), empty for a table constraint.
std::string definedColumn(std::string_view item);

std::string quoteIdentifier(std::string_view name);

} // namespace upd::db::sqlite
