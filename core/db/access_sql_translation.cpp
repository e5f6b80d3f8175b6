// Access SQL to SQLite, case by case:
//
//  Access                                   SQLite
//  ---------------------------------------  ---------------------------------------------------
//  [name]                                   [name] (SQLite reads brackets as a name too)
//  "text" (a string literal in Access)      'text'
//  true / false                             -1 / 0 (Access's True is -1)
//  #12/31/2024#, #2024-12-31 10:00#         '2024-12-31', '2024-12-31 10:00:00' (midnight: date
//    #12/31/2024 0:00#, #13/5/2024#           alone, one form for equal dates; day first when
//                                             month first is no date; no date at all: refused)
//  a & b                                    a || b
//  a + b - c                                access_add(a, b) - c (two texts are joined)
//  INSERT INTO t ... VALUES (v, ...)        ... VALUES (access_store(v, type of the column), ...)
//  INSERT INTO t (c, ...) SELECT ...        WITH access_rows AS (SELECT ...) INSERT ... SELECT
//                                             access_store(v1, ...), ... FROM access_rows
//  UPDATE t SET c = v ...                   UPDATE t SET c = access_store(v, ...) ...
//    (a value stored into a number, Yes/No, date or VARCHAR(n) column is converted or refused
//    as Access does: number ranges, Yes/No as -1/0, dates in their one form, text length)
//  SELECT TOP n ...                         SELECT ... LIMIT n
//  c COUNTER | AUTOINCREMENT[(s,i)]         c INTEGER PRIMARY KEY AUTOINCREMENT
//    ... CONSTRAINT k PRIMARY KEY             ... CONSTRAINT k PRIMARY KEY AUTOINCREMENT
//  c INTEGER | INT | LONG                   c INT (an INT key is no row alias: never auto-filled)
//  c SMALLINT | SHORT, BYTE | TINYINT       c SMALLINT, c TINYINT
//  c BIT | YESNO | LOGICAL | BOOLEAN        c BIT NOT NULL DEFAULT 0 (never null, false in old rows)
//  c VARCHAR(n) | TEXT(n), CHAR(n)         c VARCHAR(n) COLLATE NOCASE, c CHAR(n) COLLATE NOCASE
//  c STRING | VARCHAR                       c VARCHAR(255) COLLATE NOCASE
//  c TEXT                                   c TEXT COLLATE NOCASE
//  c MEMO | LONGTEXT | LONGCHAR | NOTE      c LONGTEXT COLLATE NOCASE
//  c DATETIME | DATE | TIME | TIMESTAMP     c DATETIME
//  c DOUBLE | FLOAT | NUMBER, REAL | SINGLE c DOUBLE, c REAL
//  c DECIMAL(p,s) | NUMERIC, CURRENCY       c DECIMAL(p,s), c CURRENCY
//  c BINARY | LONGBINARY | OLEOBJECT ...    c BLOB
//  c GUID                                   c GUID COLLATE NOCASE
//  key column of a PRIMARY KEY              ... NOT NULL added (SQLite would allow null)
//  WITH COMPRESSION / WITH COMP             dropped
//  ALTER TABLE t ADD [COLUMN] a x, b y      ALTER TABLE t ADD COLUMN a x'; ... b y' (all or nothing)
//  ALTER TABLE t ALTER [COLUMN] c y         table rebuilt, rows and other columns kept
//  ALTER TABLE t DROP [COLUMN] c            table rebuilt without c
//  CREATE INDEX ... WITH PRIMARY|...        CREATE INDEX ... (options dropped)
//  DROP INDEX i ON t                        DROP INDEX i
//
// Text comparison (=, <, ORDER BY) of text columns ignores letter case through the NOCASE
// collation, which the engine replaces with one that folds Cyrillic as Latin; LIKE uses the
// ANSI wildcards % and _ (and [list]) of the OLE DB provider and ignores case the same way.
#include "db/access_sql_translation.h"

#include "db/access_sql_tokens.h"
#include "db/access_sql_values.h"
#include "db/db_error.h"
#include "platform/text.h"

namespace upd::db::sqlite {
namespace {

std::string joinTokens(const std::vector<Token>& tokens, size_t from, size_t to) {
    std::string out;
    const Token* previous = nullptr;
    for (size_t i = from; i < to; ++i) {
        if (!out.empty()) out += ' ';
        out += render(tokens[i], previous);
        previous = &tokens[i];
    }
    return out;
}

enum class TypeClass { Auto, Text, Bool, Integer, Other };

struct MappedType {
    std::string decl;
    TypeClass cls;
};

MappedType mapType(const std::string& word, const std::string& args) {
    auto any = [&](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (text::equalsIgnoreCase(word, n)) return true;
        return false;
    };
    if (any({"COUNTER", "AUTOINCREMENT", "IDENTITY"})) return {"INTEGER", TypeClass::Auto};
    if (any({"VARCHAR", "NVARCHAR", "ALPHANUMERIC", "CHARACTER", "VARYING"}))
        return {"VARCHAR(" + (args.empty() ? std::string("255") : args) + ")", TypeClass::Text};
    if (any({"CHAR", "NCHAR"})) return {"CHAR(" + (args.empty() ? std::string("255") : args) + ")", TypeClass::Text};
    if (any({"STRING"})) return {"VARCHAR(" + (args.empty() ? std::string("255") : args) + ")", TypeClass::Text};
    if (any({"TEXT", "NTEXT"})) return {args.empty() ? "TEXT" : "VARCHAR(" + args + ")", TypeClass::Text};
    if (any({"MEMO", "LONGTEXT", "LONGCHAR", "NOTE"})) return {"LONGTEXT", TypeClass::Text};
    if (any({"INTEGER", "INT", "LONG", "INTEGER4"})) return {"INT", TypeClass::Integer};
    if (any({"SMALLINT", "SHORT", "INTEGER2"})) return {"SMALLINT", TypeClass::Integer};
    if (any({"BYTE", "TINYINT", "INTEGER1"})) return {"TINYINT", TypeClass::Integer};
    if (any({"BIT", "YESNO", "LOGICAL", "LOGICAL1", "BOOLEAN"})) return {"BIT", TypeClass::Bool};
    if (any({"DATETIME", "DATE", "TIME", "TIMESTAMP"})) return {"DATETIME", TypeClass::Other};
    if (any({"DOUBLE", "FLOAT", "FLOAT8", "NUMBER", "IEEEDOUBLE"})) return {"DOUBLE", TypeClass::Other};
    if (any({"REAL", "SINGLE", "FLOAT4", "IEEESINGLE"})) return {"REAL", TypeClass::Other};
    if (any({"DECIMAL", "NUMERIC", "DEC"})) return {args.empty() ? "DECIMAL" : "DECIMAL(" + args + ")", TypeClass::Other};
    if (any({"CURRENCY", "MONEY"})) return {"CURRENCY", TypeClass::Other};
    if (any({"BINARY", "VARBINARY", "LONGBINARY", "GENERAL", "OLEOBJECT", "IMAGE", "BLOB"})) return {"BLOB", TypeClass::Other};
    if (any({"GUID", "UNIQUEIDENTIFIER"})) return {"GUID", TypeClass::Text};
    syntax("неизвестный тип поля '" + word + "'");
}

bool containsWords(const std::vector<Token>& t, size_t from, const char* a, const char* b = nullptr) {
    for (size_t i = from; i < t.size(); ++i)
        if (is(t[i], a) && (!b || (i + 1 < t.size() && is(t[i + 1], b)))) return true;
    return false;
}

struct ColumnDef {
    std::string name;
    std::string sql;
    TypeClass cls = TypeClass::Other;
};

// One column definition: name, Access type, constraints.
ColumnDef translateColumn(const std::vector<Token>& rawItem, bool forAddColumn, bool keyOfTable) {
    std::vector<Token> t = withoutSpace(rawItem);
    if (!t.empty() && is(t[0], "COLUMN")) t.erase(t.begin());
    if (t.size() < 2 || !isName(t[0])) syntax("ошибка в определении поля");
    ColumnDef def;
    def.name = unquoteName(t[0]);
    if (t[1].kind != Tok::Word) syntax("ошибка в определении поля " + def.name);
    size_t i = 2;
    std::string args;
    if (i < t.size() && isPunct(t[i], "(")) {
        const size_t close = matchingParen(t, i);
        // Sizes only (a length, precision and scale, a counter's start and step): anything
        // else would reach SQLite inside the type's parentheses as it stands.
        for (size_t k = i + 1; k < close; ++k) {
            const bool digits = t[k].kind == Tok::Number && t[k].text.find_first_not_of("0123456789") == std::string::npos;
            if (!digits && !isPunct(t[k], ",")) syntax("ошибка в размере поля " + def.name);
            args += t[k].text;
        }
        i = close + 1;
    }
    const MappedType type = mapType(t[1].text, args);
    def.cls = type.cls;

    // Constraints as written, without Access's compression option.
    std::vector<Token> rest;
    for (size_t k = i; k < t.size(); ++k) {
        if (is(t[k], "WITH") && k + 1 < t.size() && (is(t[k + 1], "COMPRESSION") || is(t[k + 1], "COMP"))) {
            ++k;
            continue;
        }
        rest.push_back(t[k]);
    }
    const bool primary = containsWords(rest, 0, "PRIMARY", "KEY") || keyOfTable;
    const bool notNull = containsWords(rest, 0, "NOT", "NULL");
    const bool hasDefault = containsWords(rest, 0, "DEFAULT");
    const bool hasCollate = containsWords(rest, 0, "COLLATE");

    std::string sql = quoteIdentifier(def.name) + " " + type.decl;
    if (type.cls == TypeClass::Auto) {
        if (forAddColumn)
            throw DbError(DbErrc::Unsupported, "Добавление поля счетчика '" + def.name + "' в существующую таблицу не поддерживается.");
        // AUTOINCREMENT goes right after PRIMARY KEY [ASC|DESC].
        std::vector<Token> out;
        bool placed = false;
        for (size_t k = 0; k < rest.size(); ++k) {
            out.push_back(rest[k]);
            if (!placed && is(rest[k], "KEY") && k > 0 && is(rest[k - 1], "PRIMARY")) {
                if (k + 1 < rest.size() && (is(rest[k + 1], "ASC") || is(rest[k + 1], "DESC"))) out.push_back(rest[++k]);
                out.push_back({Tok::Word, "AUTOINCREMENT"});
                placed = true;
            }
        }
        if (!out.empty()) sql += " " + joinTokens(out, 0, out.size());
        if (!placed) sql += " PRIMARY KEY AUTOINCREMENT";
        def.sql = sql;
        return def;
    }
    if (!rest.empty()) sql += " " + joinTokens(rest, 0, rest.size());
    if (type.cls == TypeClass::Text && !hasCollate) sql += " COLLATE NOCASE";
    if (type.cls == TypeClass::Bool) {
        if (!notNull) sql += " NOT NULL";
        if (!hasDefault) sql += " DEFAULT 0";
    } else if (primary && !notNull) {
        sql += " NOT NULL";
    }
    def.sql = sql;
    return def;
}

bool isTableConstraint(const std::vector<Token>& item) {
    const auto t = withoutSpace(item);
    if (t.empty()) return false;
    return is(t[0], "CONSTRAINT") || is(t[0], "PRIMARY") || is(t[0], "UNIQUE") || is(t[0], "FOREIGN") || is(t[0], "CHECK");
}

// The columns of a table-level PRIMARY KEY (...), if the item is one.
std::vector<std::string> primaryKeyColumns(const std::vector<Token>& item) {
    const auto t = withoutSpace(item);
    for (size_t i = 0; i + 2 < t.size(); ++i) {
        if (is(t[i], "PRIMARY") && is(t[i + 1], "KEY") && isPunct(t[i + 2], "(")) {
            std::vector<std::string> cols;
            for (size_t k = i + 3; k < t.size() && !isPunct(t[k], ")"); ++k)
                if (isName(t[k])) cols.push_back(unquoteName(t[k]));
            return cols;
        }
    }
    return {};
}

std::string nameToken(const std::vector<Token>& t, size_t i, const char* what) {
    if (i >= t.size() || !isName(t[i])) syntax(std::string("ожидается имя ") + what);
    return unquoteName(t[i]);
}

TranslatedStatement createTable(const std::vector<Token>& tokens) {
    const auto t = withoutSpace(tokens);
    // CREATE TABLE name ( items )
    const std::string table = nameToken(t, 2, "таблицы");
    if (t.size() < 5 || !isPunct(t[3], "(")) syntax("ожидается список полей таблицы " + table);
    const size_t close = matchingParen(t, 3);
    for (size_t k = close + 1; k < t.size(); ++k)
        if (!isPunct(t[k], ";")) syntax("лишний текст после определения таблицы " + table);
    auto items = splitTopLevel(t, 4, close);

    std::vector<std::string> keyColumns;
    for (const auto& item : items)
        if (isTableConstraint(item)) {
            auto cols = primaryKeyColumns(item);
            keyColumns.insert(keyColumns.end(), cols.begin(), cols.end());
        }
    auto inKey = [&](const std::string& name) {
        for (const auto& k : keyColumns)
            if (text::equalsIgnoreCase(k, name)) return true;
        return false;
    };

    std::vector<std::string> out;
    std::string autoColumn;
    for (const auto& item : items) {
        if (withoutSpace(item).empty()) syntax("пустое определение поля в таблице " + table);
        if (isTableConstraint(item)) continue;
        const auto first = withoutSpace(item);
        ColumnDef def = translateColumn(item, false, inKey(unquoteName(first[0])));
        if (def.cls == TypeClass::Auto) autoColumn = def.name;
        out.push_back(def.sql);
    }
    for (const auto& item : items) {
        if (!isTableConstraint(item)) continue;
        // A key on the counter alone is the counter's own PRIMARY KEY already.
        const auto cols = primaryKeyColumns(item);
        if (cols.size() == 1 && !autoColumn.empty() && text::equalsIgnoreCase(cols[0], autoColumn)) continue;
        out.push_back(joinTokens(item, 0, item.size()));
    }
    std::string sql = "CREATE TABLE " + quoteIdentifier(table) + " (";
    for (size_t i = 0; i < out.size(); ++i) sql += (i ? ", " : "") + out[i];
    sql += ")";
    TranslatedStatement result;
    result.sql.push_back(sql);
    return result;
}

TranslatedStatement alterTable(const std::vector<Token>& tokens) {
    const auto t = withoutSpace(tokens);
    const std::string table = nameToken(t, 2, "таблицы");
    size_t end = t.size();
    while (end > 0 && isPunct(t[end - 1], ";")) --end;
    if (t.size() < 5) syntax("неполная инструкция ALTER TABLE");
    TranslatedStatement result;
    result.table = table;
    const Token& action = t[3];
    if (is(action, "ADD")) {
        if (is(t[4], "CONSTRAINT") || is(t[4], "PRIMARY") || is(t[4], "UNIQUE") || is(t[4], "FOREIGN"))
            throw DbError(DbErrc::Unsupported, "Добавление ограничения в существующую таблицу не поддерживается.");
        result.kind = TranslatedStatement::Kind::AddColumns;
        for (const auto& item : splitTopLevel(t, 4, end)) {
            const ColumnDef def = translateColumn(item, true, false);
            result.sql.push_back("ALTER TABLE " + quoteIdentifier(table) + " ADD COLUMN " + def.sql);
        }
        return result;
    }
    if (is(action, "ALTER")) {
        std::vector<Token> item(t.begin() + 4, t.begin() + static_cast<long>(end));
        const ColumnDef def = translateColumn(item, false, false);
        result.kind = TranslatedStatement::Kind::AlterColumn;
        result.column = def.name;
        result.columnDef = def.sql;
        return result;
    }
    if (is(action, "DROP")) {
        size_t i = 4;
        if (is(t[i], "CONSTRAINT"))
            throw DbError(DbErrc::Unsupported, "Удаление ограничения не поддерживается.");
        if (is(t[i], "COLUMN")) ++i;
        result.kind = TranslatedStatement::Kind::DropColumn;
        result.column = nameToken(t, i, "поля");
        if (i + 1 != end) syntax("лишний текст после ALTER TABLE ... DROP");
        return result;
    }
    syntax("неизвестное действие ALTER TABLE");
}

TranslatedStatement plain(std::vector<Token> tokens, const TableColumns& columns) {
    TranslatedStatement result;
    if (auto written = typedWrite(tokens, columns)) {
        result.sql.push_back(*written);
        return result;
    }
    // SELECT [DISTINCT] TOP n ... -> ... LIMIT n
    std::vector<size_t> words;
    for (size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i].kind != Tok::Space) words.push_back(i);
    std::string limit;
    if (words.size() > 2 && is(tokens[words[0]], "SELECT")) {
        size_t k = 1;
        if (is(tokens[words[k]], "DISTINCT") || is(tokens[words[k]], "ALL")) ++k;
        if (k + 1 < words.size() && is(tokens[words[k]], "TOP") && tokens[words[k + 1]].kind == Tok::Number) {
            limit = tokens[words[k + 1]].text;
            tokens[words[k]] = {Tok::Space, ""};
            tokens[words[k + 1]] = {Tok::Space, ""};
        }
    }
    // DROP INDEX i ON t -> DROP INDEX i
    if (words.size() >= 5 && is(tokens[words[0]], "DROP") && is(tokens[words[1]], "INDEX") && is(tokens[words[3]], "ON"))
        tokens.resize(words[3]);
    // CREATE [UNIQUE] INDEX ... WITH options -> without them
    if (words.size() > 2 && is(tokens[words[0]], "CREATE") &&
        (is(tokens[words[1]], "INDEX") || (is(tokens[words[1]], "UNIQUE") && is(tokens[words[2]], "INDEX")))) {
        for (size_t w : words)
            if (is(tokens[w], "WITH")) {
                tokens.resize(w);
                break;
            }
    }
    std::string sql = renderExpression(tokens);
    if (!limit.empty()) sql += " LIMIT " + limit;
    result.sql.push_back(sql);
    return result;
}

} // namespace

std::string quoteIdentifier(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

TranslatedStatement translateAccessSql(std::string_view accessSql, const TableColumns& columns) {
    // SQLite's text ends at a NUL: whatever followed it would be dropped without a word.
    if (accessSql.find('\0') != std::string_view::npos) syntax("символ NUL в тексте инструкции");
    std::vector<Token> tokens = tokenize(accessSql);
    // One statement: a ";" may only be followed by blanks and further ";".
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (!isPunct(tokens[i], ";")) continue;
        for (size_t k = i + 1; k < tokens.size(); ++k)
            if (tokens[k].kind != Tok::Space && !isPunct(tokens[k], ";"))
                syntax("после окончания инструкции SQL обнаружены символы");
        tokens.resize(i);
        break;
    }
    const auto words = withoutSpace(tokens);
    if (words.empty()) syntax("пустая инструкция");
    if (words.size() > 2 && is(words[0], "CREATE") && is(words[1], "TABLE")) return createTable(tokens);
    if (words.size() > 2 && is(words[0], "ALTER") && is(words[1], "TABLE")) return alterTable(tokens);
    return plain(tokens, columns);
}

std::vector<std::string> splitScript(std::string_view script) {
    std::vector<std::string> out;
    std::string current;
    bool any = false;
    for (const Token& t : tokenize(script, true)) {
        if (isPunct(t, ";")) {
            if (any) out.push_back(current);
            current.clear();
            any = false;
            continue;
        }
        current += t.text;
        any = any || t.kind != Tok::Space;
    }
    if (any) out.push_back(current);
    return out;
}

CreateTableParts splitCreateTable(std::string_view createSql) {
    const auto tokens = tokenize(createSql);
    size_t open = 0;
    while (open < tokens.size() && !isPunct(tokens[open], "(")) ++open;
    if (open == tokens.size()) syntax("нет списка полей");
    const size_t close = matchingParen(tokens, open);
    CreateTableParts parts;
    for (const auto& item : splitTopLevel(tokens, open + 1, close)) {
        std::string textItem;
        for (const Token& t : item) textItem += t.text;
        const size_t b = textItem.find_first_not_of(" \t\r\n");
        const size_t e = textItem.find_last_not_of(" \t\r\n");
        parts.items.push_back(b == std::string::npos ? std::string() : textItem.substr(b, e - b + 1));
    }
    return parts;
}

std::string definedColumn(std::string_view item) {
    const auto tokens = tokenize(item);
    if (isTableConstraint(tokens)) return {};
    const auto t = withoutSpace(tokens);
    if (t.empty() || !(isName(t[0]) || t[0].kind == Tok::DqString)) return {};
    return unquoteName(t[0]);
}

} // namespace upd::db::sqlite
