#include "db/access_sql_values.h"

#include "db/db_error.h"
#include "db/variant.h"
#include "platform/text.h"

#include <utility>

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

// --- the + operator ---
//
// Access's + joins two texts and adds numbers; SQLite's only adds, so "a + b - c" becomes
// access_add(a, b) - c. A chain is cut out by the operators that bind tighter than + (its
// terms: operands joined by *, / and %, with their signs) and ends at anything else (a
// comparison, &, a keyword, a comma, a parenthesis around it). A chain whose terms cannot
// be told apart is left to SQLite as written.

bool keyword(const Token& t) {
    static const char* const words[] = {"SELECT", "FROM",  "WHERE", "AND",  "OR",     "NOT",     "SET",   "VALUES",
                                        "ON",     "IN",    "IS",    "LIKE", "BETWEEN", "THEN",   "ELSE",  "WHEN",
                                        "CASE",   "END",   "BY",    "HAVING", "AS",    "DISTINCT", "TOP", "EXISTS",
                                        "JOIN",   "INNER", "LEFT",  "RIGHT", "OUTER",  "UNION",  "ALL",   "ORDER",
                                        "GROUP",  "INTO",  "ESCAPE", "ASC", "DESC",    "LIMIT",  "MOD",   "COLLATE"};
    if (t.kind != Tok::Word) return false;
    for (const char* w : words)
        if (is(t, w)) return true;
    return false;
}

bool isOperand(const Token& t) {
    switch (t.kind) {
    case Tok::Word: return !keyword(t);
    case Tok::Bracket:
    case Tok::BackQuote:
    case Tok::String:
    case Tok::DqString:
    case Tok::Number:
    case Tok::Date:
    case Tok::Rendered: return true;
    default: return false;
    }
}
bool endsOperand(const Token& t) { return isOperand(t) || isPunct(t, ")"); }
bool isSign(const Token& t) { return isPunct(t, "+") || isPunct(t, "-"); }
bool isProduct(const Token& t) { return isPunct(t, "*") || isPunct(t, "/") || isPunct(t, "%"); }

size_t prevSolid(const std::vector<Token>& t, size_t i) {
    while (i > 0)
        if (t[--i].kind != Tok::Space) return i;
    return npos;
}
// The next token after `i` that is no space; t.size() when none.
size_t nextSolid(const std::vector<Token>& t, size_t i) {
    for (++i; i < t.size(); ++i)
        if (t[i].kind != Tok::Space) return i;
    return t.size();
}

size_t openingParen(const std::vector<Token>& t, size_t close) {
    int depth = 0;
    for (size_t i = close + 1; i-- > 0;) {
        if (isPunct(t[i], ")")) ++depth;
        if (isPunct(t[i], "(") && --depth == 0) return i;
    }
    return npos;
}

size_t closingParen(const std::vector<Token>& t, size_t open) {
    int depth = 0;
    for (size_t i = open; i < t.size(); ++i) {
        if (isPunct(t[i], "(")) ++depth;
        if (isPunct(t[i], ")") && --depth == 0) return i;
    }
    return npos;
}

// A sign with an operand before it is the binary operator.
bool binaryAt(const std::vector<Token>& t, size_t i) {
    const size_t before = prevSolid(t, i);
    return before != npos && endsOperand(t[before]);
}

// Backward: the first token of the operand (a qualified name, a literal, a group or a call)
// that ends at `last`.
size_t operandStart(const std::vector<Token>& t, size_t last) {
    if (isPunct(t[last], ")")) {
        const size_t open = openingParen(t, last);
        if (open == npos) return npos;
        const size_t name = prevSolid(t, open);
        return name != npos && t[name].kind == Tok::Word && !keyword(t[name]) ? name : open;
    }
    if (!isOperand(t[last])) return npos;
    size_t start = last;
    for (;;) {
        const size_t dot = prevSolid(t, start);
        if (dot == npos || !isPunct(t[dot], ".")) break;
        const size_t owner = prevSolid(t, dot);
        if (owner == npos || !isOperand(t[owner])) break;
        start = owner;
    }
    return start;
}

size_t termStart(const std::vector<Token>& t, size_t last) {
    size_t start = operandStart(t, last);
    while (start != npos) {
        const size_t before = prevSolid(t, start);
        if (before == npos) break;
        if (isSign(t[before]) && !binaryAt(t, before)) {
            start = before;
        } else if (isProduct(t[before])) {
            const size_t operand = prevSolid(t, before);
            start = operand == npos ? npos : operandStart(t, operand);
        } else {
            break;
        }
    }
    return start;
}

// Forward: one past the last token of the operand that begins at `first`.
size_t operandEnd(const std::vector<Token>& t, size_t first) {
    if (first >= t.size()) return npos;
    if (isPunct(t[first], "(")) {
        const size_t close = closingParen(t, first);
        return close == npos ? npos : close + 1;
    }
    if (!isOperand(t[first])) return npos;
    const size_t next = nextSolid(t, first);
    if (t[first].kind == Tok::Word && next < t.size() && isPunct(t[next], "(")) {
        const size_t close = closingParen(t, next);
        return close == npos ? npos : close + 1;
    }
    size_t end = first + 1;
    for (;;) {
        const size_t dot = nextSolid(t, end - 1);
        if (dot >= t.size() || !isPunct(t[dot], ".")) break;
        const size_t member = nextSolid(t, dot);
        if (member >= t.size() || !isOperand(t[member])) break;
        end = member + 1;
    }
    return end;
}

size_t termEnd(const std::vector<Token>& t, size_t first) {
    size_t at = first;
    while (at < t.size() && isSign(t[at])) at = nextSolid(t, at);
    size_t end = operandEnd(t, at);
    while (end != npos) {
        const size_t op = nextSolid(t, end - 1);
        if (op >= t.size() || !isProduct(t[op])) break;
        at = nextSolid(t, op);
        while (at < t.size() && isSign(t[at])) at = nextSolid(t, at);
        end = operandEnd(t, at);
    }
    return end;
}

std::vector<Token> slice(const std::vector<Token>& t, size_t from, size_t to) {
    return std::vector<Token>(t.begin() + static_cast<long>(from), t.begin() + static_cast<long>(to));
}

// Replaces the chain around the binary + at `plus` by one rendered token; its index, or npos
// when the chain is left as written.
size_t rewriteChain(std::vector<Token>& t, size_t plus) {
    size_t start = termStart(t, prevSolid(t, plus));
    if (start == npos) return npos;
    for (;;) {
        const size_t op = prevSolid(t, start);
        if (op == npos || !isSign(t[op]) || !binaryAt(t, op)) break;
        start = termStart(t, prevSolid(t, op));
        if (start == npos) return npos;  // an earlier term of the same chain unread: all of it stays
    }
    std::vector<std::pair<size_t, size_t>> terms;
    std::vector<bool> adds;
    size_t end = termEnd(t, start);
    if (end == npos) return npos;
    terms.emplace_back(start, end);
    for (;;) {
        const size_t op = nextSolid(t, end - 1);
        if (op >= t.size() || !isSign(t[op])) break;
        const size_t first = nextSolid(t, op);
        const size_t after = termEnd(t, first);
        if (after == npos) return npos;
        adds.push_back(isPunct(t[op], "+"));
        terms.emplace_back(first, after);
        end = after;
    }
    if (end <= plus) return npos;
    std::string sql = renderExpression(slice(t, terms[0].first, terms[0].second));
    for (size_t i = 1; i < terms.size(); ++i) {
        const std::string term = renderExpression(slice(t, terms[i].first, terms[i].second));
        sql = adds[i - 1] ? "access_add(" + sql + ", " + term + ")" : sql + " - " + term;
    }
    t.erase(t.begin() + static_cast<long>(start) + 1, t.begin() + static_cast<long>(end));
    t[start] = {Tok::Rendered, sql};
    return start;
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
    std::vector<Token> t = tokens;
    for (size_t i = 0; i < t.size(); ++i) {
        if (!isPunct(t[i], "+") || !binaryAt(t, i)) continue;
        const size_t rendered = rewriteChain(t, i);
        if (rendered != npos) i = rendered;
    }
    std::string out;
    const Token* previous = nullptr;
    for (const Token& token : t) {
        const std::string r = render(token, previous);
        // "5--3" subtracts in Access; SQLite would read "--" (and "/*") as a comment and
        // drop the rest of the statement.
        if (!out.empty() && !r.empty() && ((out.back() == '-' && r.front() == '-') || (out.back() == '/' && r.front() == '*')))
            out += ' ';
        out += r;
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
