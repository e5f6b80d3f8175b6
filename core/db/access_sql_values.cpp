#include "db/access_sql_values.h"

#include "db/db_error.h"
#include "db/variant.h"
#include "platform/text.h"

namespace upd::db::sqlite {
namespace {

constexpr size_t npos = std::string::npos;

// "#...#" in the one stored form of dates; a date Access would not read is refused with
// Access's own words.
std::string dateLiteral(const std::string& raw) {
    std::string stored;
    if (!accessDateLiteral(raw.substr(1, raw.size() - 2), stored))
        throw DbError(DbErrc::SyntaxError, "Синтаксическая ошибка в дате в выражении запроса '" + raw + "'.");
    return "'" + stored + "'";
}

// The next token after `i` that is no space; t.size() when none.
size_t nextSolid(const std::vector<Token>& t, size_t i) {
    for (++i; i < t.size(); ++i)
        if (t[i].kind != Tok::Space) return i;
    return t.size();
}

size_t closingParen(const std::vector<Token>& t, size_t open) {
    int depth = 0;
    for (size_t i = open; i < t.size(); ++i) {
        if (isPunct(t[i], "(")) ++depth;
        if (isPunct(t[i], ")") && --depth == 0) return i;
    }
    return npos;
}

std::vector<Token> slice(const std::vector<Token>& t, size_t from, size_t to) {
    return std::vector<Token>(t.begin() + static_cast<long>(from), t.begin() + static_cast<long>(to));
}

// --- values written to typed columns ---

// Columns whose values are converted and checked as Access does; the others take what
// SQLite stores (memo, binary, GUID and counter columns, and columns of no Access type).
bool checked(const FieldDef& f) {
    switch (f.DataType) {
    case FieldType::Integer:
    case FieldType::SmallInt:
    case FieldType::Byte:
    case FieldType::Boolean:
    case FieldType::DateTime:
    case FieldType::Float:
    case FieldType::Currency: return true;
    case FieldType::String: return f.Size > 0;
    default: return false;
    }
}

std::string textLiteral(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

std::string stored(const std::string& value, const FieldDef& f) {
    return "access_store(" + value + ", " + std::to_string(static_cast<int>(f.DataType)) + ", " +
           std::to_string(f.Size) + ", " + textLiteral(f.Name) + ")";
}

const FieldDef* columnNamed(const std::vector<FieldDef>& fields, const std::string& name) {
    for (const FieldDef& f : fields)
        if (text::equalsIgnoreCase(f.Name, name)) return &f;
    return nullptr;  // SQLite names the unknown column
}

bool anyChecked(const std::vector<const FieldDef*>& targets) {
    for (const FieldDef* f : targets)
        if (f && checked(*f)) return true;
    return false;
}

// INSERT INTO t [(c, ...)] VALUES (v, ...)[, (...)] | SELECT ...
std::optional<std::string> insertInto(const std::vector<Token>& t, size_t name, const TableColumns& columns) {
    const std::vector<FieldDef> fields = columns(unquoteName(t[name]));
    if (fields.empty()) return std::nullopt;
    std::vector<const FieldDef*> targets;
    size_t at = nextSolid(t, name);
    if (at < t.size() && isPunct(t[at], "(")) {
        const size_t close = closingParen(t, at);
        if (close == npos) return std::nullopt;
        for (const auto& item : splitTopLevel(t, at + 1, close)) {
            const auto w = withoutSpace(item);
            if (w.size() != 1 || !isName(w[0])) return std::nullopt;
            targets.push_back(columnNamed(fields, unquoteName(w[0])));
        }
        at = nextSolid(t, close);
    } else {
        for (const FieldDef& f : fields) targets.push_back(&f);
    }
    if (at >= t.size() || !anyChecked(targets)) return std::nullopt;
    const std::string head = renderExpression(slice(t, 0, at));
    if (is(t[at], "VALUES")) {
        std::string rows;
        for (size_t pos = nextSolid(t, at); pos < t.size();) {
            if (!isPunct(t[pos], "(")) return std::nullopt;
            const size_t close = closingParen(t, pos);
            if (close == npos) return std::nullopt;
            const auto items = splitTopLevel(t, pos + 1, close);
            if (items.size() != targets.size()) return std::nullopt;  // SQLite says how many
            std::string row;
            for (size_t k = 0; k < items.size(); ++k) {
                std::string value = renderExpression(items[k]);
                if (targets[k] && checked(*targets[k])) value = stored(value, *targets[k]);
                row += (k ? "," : "") + value;
            }
            rows += (rows.empty() ? "(" : ", (") + row + ")";
            pos = nextSolid(t, close);
            if (pos < t.size()) {
                if (!isPunct(t[pos], ",")) return std::nullopt;
                pos = nextSolid(t, pos);
            }
        }
        return head + t[at].text + " " + rows;
    }
    if (is(t[at], "SELECT")) {
        // The rows of the SELECT, named by position, each value stored as its column takes it.
        std::string names, values;
        for (size_t k = 0; k < targets.size(); ++k) {
            const std::string v = "v" + std::to_string(k + 1);
            names += (k ? ", " : "") + v;
            values += (k ? ", " : "") + (targets[k] && checked(*targets[k]) ? stored(v, *targets[k]) : v);
        }
        return "WITH access_rows (" + names + ") AS (" + renderExpression(slice(t, at, t.size())) + ") " + head +
               "SELECT " + values + " FROM access_rows";
    }
    return std::nullopt;
}

// UPDATE t SET c = v, ... [WHERE ...]
std::optional<std::string> updateSet(const std::vector<Token>& t, size_t name, size_t set, const TableColumns& columns) {
    const std::vector<FieldDef> fields = columns(unquoteName(t[name]));
    if (fields.empty()) return std::nullopt;
    size_t end = t.size();
    int depth = 0;
    for (size_t k = set + 1; k < t.size() && end == t.size(); ++k) {
        if (isPunct(t[k], "(")) ++depth;
        if (isPunct(t[k], ")")) --depth;
        if (depth == 0 && is(t[k], "WHERE")) end = k;
    }
    std::string sets;
    bool any = false;
    for (const auto& item : splitTopLevel(t, set + 1, end)) {
        size_t eq = 0;
        while (eq < item.size() && !isPunct(item[eq], "=")) ++eq;
        if (eq == item.size()) return std::nullopt;
        const auto target = withoutSpace(slice(item, 0, eq));
        const FieldDef* f = !target.empty() && isName(target.back()) ? columnNamed(fields, unquoteName(target.back())) : nullptr;
        std::string value = renderExpression(slice(item, eq + 1, item.size()));
        if (f && checked(*f)) {
            value = stored(value, *f);
            any = true;
        }
        sets += (sets.empty() ? "" : ",") + renderExpression(slice(item, 0, eq)) + "= " + value;
    }
    if (!any) return std::nullopt;
    return renderExpression(slice(t, 0, set + 1)) + sets + " " + renderExpression(slice(t, end, t.size()));
}

} // namespace

std::string render(const Token& t, const Token* previous) {
    switch (t.kind) {
    case Tok::DqString: return textLiteral(unquoteName(t));
    case Tok::Date: return dateLiteral(t.text);
    case Tok::Word:
        if (!(previous && isPunct(*previous, "."))) {
            if (text::equalsIgnoreCase(t.text, "true")) return "-1";
            if (text::equalsIgnoreCase(t.text, "false")) return "0";
        }
        return t.text;
    case Tok::Punct: return t.text == "&" ? "||" : t.text;
    default: return t.text;
    }
}

std::string renderExpression(const std::vector<Token>& tokens) {
    std::string out;
    const Token* previous = nullptr;
    for (const Token& token : tokens) {
        out += render(token, previous);
        if (token.kind != Tok::Space) previous = &token;
    }
    return out;
}

std::optional<std::string> typedWrite(const std::vector<Token>& t, const TableColumns& columns) {
    if (!columns) return std::nullopt;
    const size_t first = t.empty() || t[0].kind != Tok::Space ? 0 : nextSolid(t, 0);
    if (first >= t.size()) return std::nullopt;
    const size_t second = nextSolid(t, first);
    if (second >= t.size()) return std::nullopt;
    const size_t third = nextSolid(t, second);
    if (third >= t.size()) return std::nullopt;
    if (is(t[first], "INSERT") && is(t[second], "INTO") && isName(t[third])) return insertInto(t, third, columns);
    if (is(t[first], "UPDATE") && isName(t[second]) && is(t[third], "SET")) return updateSet(t, second, third, columns);
    return std::nullopt;
}

} // namespace upd::db::sqlite
