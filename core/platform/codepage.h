// The two 8-bit code pages of the updater's archives: OEM 866 (names written by DOS
// archivers) and ANSI 1251 (the Windows code page of a Russian setting).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace upd::codepage {

// The code point of one byte of each code page.
char32_t ansiCodePoint(unsigned char byte);
char32_t oemCodePoint(unsigned char byte);

// OEM 866 bytes to ANSI 1251 bytes, in place; bytes without a counterpart become '?'.
void oemToAnsiInPlace(char* bytes, size_t count);
std::string oemToAnsi(std::string_view bytes);

// ANSI 1251 bytes to UTF-8. The one byte 1251 leaves undefined (0x98) stands for itself (U+0098).
std::string ansiToUtf8(std::string_view bytes);

// UTF-8 to ANSI 1251; characters the code page lacks become '?'.
std::string utf8ToAnsi(std::string_view utf8);

// text::isValidUtf8, under the name the archive reader knows.
bool isValidUtf8(std::string_view bytes);

} // namespace upd::codepage
