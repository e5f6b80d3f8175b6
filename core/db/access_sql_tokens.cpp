#include "db/access_sql_tokens.h"

#include "db/db_error.h"
#include "platform/text.h"

#include <cctype>

namespace upd::db::sqlite {
namespace {

bool wordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool wordPart(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

} // namespace

[[noreturn]] void syntax(const std::string& detail) {
    throw DbError(DbErrc::SyntaxError, "Синтаксическая ошибка в инструкции SQL: " + detail);
}

std::vector<Token> tokenize(std::string_view s, bool comments) {
    std::vector<Token> out;
    size_t i = 0;
    auto quoted = [&](char close, Tok kind) {
        size_t j = i + 1;
        for (;;) {
            if (j >= s.size()) syntax("незакрытая строка или имя в «" + std::string(s.substr(i, 40)) + "»");
            if (s[j] == close) {
                if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        out.push_back({kind, std::string(s.substr(i, j + 1 - i))});
        i = j + 1;
    };
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (comments && c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            const size_t end = s.find('\n', i);
            i = end == std::string_view::npos ? s.size() : end;
        } else if (std::isspace(c)) {
            size_t j = i;
            while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
            out.push_back({Tok::Space, std::string(s.substr(i, j - i))});
            i = j;
        } else if (c == '\'') {
            quoted('\'', Tok::String);
        } else if (c == '"') {
            quoted('"', Tok::DqString);
        } else if (c == '[') {
            quoted(']', Tok::Bracket);
        } else if (c == '`') {
            quoted('`', Tok::BackQuote);
        } else if (c == '#') {
            quoted('#', Tok::Date);
        } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            size_t j = i;
            while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
            if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
                size_t k = j + 1;
                if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
                if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
                    j = k;
                    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
                }
            }
            out.push_back({Tok::Number, std::string(s.substr(i, j - i))});
            i = j;
        } else if (wordStart(c)) {
            size_t j = i;
            while (j < s.size() && wordPart(static_cast<unsigned char>(s[j]))) ++j;
            out.push_back({Tok::Word, std::string(s.substr(i, j - i))});
            i = j;
        } else {
            static const char* pairs[] = {"<>", "<=", ">=", "||", "!=", "=="};
            std::string p(1, static_cast<char>(c));
            for (const char* two : pairs)
                if (s.substr(i, 2) == two) p = two;
            out.push_back({Tok::Punct, p});
            i += p.size();
        }
    }
    return out;
}

bool is(const Token& t, const char* word) { return t.kind == Tok::Word && text::equalsIgnoreCase(t.text, word); }
bool isPunct(const Token& t, const char* p) { return t.kind == Tok::Punct && t.text == p; }

std::vector<Token> withoutSpace(const std::vector<Token>& tokens) {
    std::vector<Token> out;
    for (const Token& t : tokens)
        if (t.kind != Tok::Space) out.push_back(t);
    return out;
}

std::string unquoteName(const Token& t) {
    if (t.kind == Tok::Bracket) return t.text.substr(1, t.text.size() - 2);
    if (t.kind == Tok::BackQuote || t.kind == Tok::DqString) {
        std::string inner = t.text.substr(1, t.text.size() - 2), out;
        const char q = t.text[0];
        for (size_t i = 0; i < inner.size(); ++i) {
            out += inner[i];
            if (inner[i] == q && i + 1 < inner.size() && inner[i + 1] == q) ++i;
        }
        return out;
    }
    return t.text;
}

bool isName(const Token& t) {
    return t.kind == Tok::Word || t.kind == Tok::Bracket || t.kind == Tok::BackQuote;
}

std::vector<std::vector<Token>> splitTopLevel(const std::vector<Token>& tokens, size_t from, size_t to) {
    std::vector<std::vector<Token>> parts(1);
    int depth = 0;
    for (size_t i = from; i < to; ++i) {
        const Token& t = tokens[i];
        if (isPunct(t, "(")) ++depth;
        if (isPunct(t, ")")) --depth;
        if (depth == 0 && isPunct(t, ",")) {
            parts.emplace_back();
            continue;
        }
        parts.back().push_back(t);
    }
    return parts;
}

size_t matchingParen(const std::vector<Token>& t, size_t open) {
    int depth = 0;
    for (size_t i = open; i < t.size(); ++i) {
        if (isPunct(t[i], "(")) ++depth;
        if (isPunct(t[i], ")") && --depth == 0) return i;
    }
    syntax("непарная скобка");
}

} // namespace upd::db::sqlite
