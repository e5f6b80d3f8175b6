// Access SQL as tokens: the tokenizer and the small helpers that the translation of
// statements and of written values share. Internal to the SQLite engine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace upd::db::sqlite {

enum class Tok { Space, Word, Bracket, BackQuote, String, DqString, Number, Date, Punct, Rendered };

// `Rendered`: SQLite text already made from a stretch of tokens; an operand.
struct Token {
    Tok kind;
    std::string text;
};

[[noreturn]] void syntax(const std::string& detail);

// `comments`: "--" starts a comment to the end of the line (fixture scripts only; Access
// SQL has none, and there "5--3" is a subtraction).
std::vector<Token> tokenize(std::string_view s, bool comments = false);

bool is(const Token& t, const char* word);
bool isPunct(const Token& t, const char* p);
std::vector<Token> withoutSpace(const std::vector<Token>& tokens);
std::string unquoteName(const Token& t);
bool isName(const Token& t);

// Splits a token list at commas outside parentheses.
std::vector<std::vector<Token>> splitTopLevel(const std::vector<Token>& tokens, size_t from, size_t to);
// The ")" that closes the "(" at `open`; fails as a syntax error without one.
size_t matchingParen(const std::vector<Token>& t, size_t open);

} // namespace upd::db::sqlite
