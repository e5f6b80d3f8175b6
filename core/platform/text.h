// Text helpers for the UTF-8 strings that the core passes around.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace upd::text {

// One character of a UTF-8 text at byte `pos` (< size). Malformed input (a byte that starts
// no sequence, a cut sequence, an overlong form, a surrogate, anything above U+10FFFF) takes
// one byte, which stands for itself (U+0080..U+00FF), and is marked not valid.
struct Utf8Char {
    char32_t codePoint;
    size_t length;
    bool valid;
};
Utf8Char decodeUtf8(std::string_view utf8, size_t pos);

// True when the bytes are well-formed UTF-8 from start to end.
bool isValidUtf8(std::string_view bytes);

// Code points of a UTF-8 text, decoded as decodeUtf8 does.
std::u32string toU32(std::string_view utf8);
std::string fromU32(std::u32string_view text);

// UTF-16 (host order) of a UTF-8 text and back; lone surrogates become U+FFFD.
std::u16string toU16(std::string_view utf8);
// The length toU16 would give, without making it.
size_t utf16Length(std::string_view utf8);
std::string fromU16(std::u16string_view text);

// Lower case of one letter as the platform's case-insensitive comparison sees it:
// Latin, Latin-1, Greek and Cyrillic letters, independent of the process locale.
char32_t foldCase(char32_t c);
// The text with every letter folded; a malformed byte is taken as the Latin-1 letter it
// stands for, so the result is always well-formed.
std::string foldCase(std::string_view utf8);
// The same, appended to `out`: a key made of several texts needs no copy of each.
void appendFoldedCase(std::string& out, std::string_view utf8);
// Only A..Z and a..z changed: for protocol and SQL words, which are ASCII by definition.
constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
std::string asciiLower(std::string s);
std::string asciiUpper(std::string s);
// The upper-case partner of a letter that foldCase maps, else the letter itself.
char32_t upperCase(char32_t c);

// The text without leading and trailing blanks and tabs.
std::string trim(std::string_view s);

// Comparisons letter by letter through foldCase: <0, 0, >0 as for strcmp.
int compareIgnoreCase(std::string_view a, std::string_view b);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
bool startsWithIgnoreCase(std::string_view text, std::string_view prefix);

// Removes every occurrence of `what` from `text`, comparing letters without case.
std::string removeAllIgnoreCase(std::string_view text, std::string_view what);

} // namespace upd::text
