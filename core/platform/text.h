// Text helpers for the UTF-8 strings that the core passes around.
#pragma once

#include <string>
#include <string_view>

namespace upd::text {

// Code points of a UTF-8 text; a malformed byte stands for itself (U+0080..U+00FF).
std::u32string toU32(std::string_view utf8);
std::string fromU32(std::u32string_view text);

// UTF-16 (host order) of a UTF-8 text and back; lone surrogates become U+FFFD.
std::u16string toU16(std::string_view utf8);
std::string fromU16(std::u16string_view text);

// Lower case of one letter as the platform's case-insensitive comparison sees it:
// Latin, Latin-1, Greek and Cyrillic letters, independent of the process locale.
char32_t foldCase(char32_t c);
// The upper-case partner of a letter that foldCase maps, else the letter itself.
char32_t upperCase(char32_t c);

// The text without leading and trailing blanks and tabs.
std::string trim(std::string_view s);

bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Removes every occurrence of `what` from `text`, comparing letters without case.
std::string removeAllIgnoreCase(std::string_view text, std::string_view what);

} // namespace upd::text
