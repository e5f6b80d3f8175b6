// The code points of the 256 bytes of each code page: the one part of the conversions each
// platform supplies in its own terms (built-in tables, or the system's converter on Windows).
#pragma once

#include <array>

namespace upd::codepage {

struct ByteTables {
    std::array<char32_t, 256> ansi{};  // 1251 byte -> code point
    std::array<char32_t, 256> oem{};   // 866 byte -> code point (0 where the page leaves it undefined)
};

// Built once per process, by the shared conversions (byteTables in codepage.cpp).
ByteTables buildByteTables();

} // namespace upd::codepage
