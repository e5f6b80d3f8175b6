#include "platform/codepage_tables.h"

#include <windows.h>

namespace upd::codepage {
namespace {

// The pages are fixed, not the system's ACP/OEMCP: the archives come from a Russian setting
// whatever the machine's locale.
constexpr UINT kOem = 866;
constexpr UINT kAnsi = 1251;

// Code points of the 256 bytes of a single-byte code page (0 where undefined). UTF-8 itself is
// decoded by the text helpers, so malformed bytes read the same as on every other platform.
std::array<char32_t, 256> decodeTable(UINT page) {
    std::array<char32_t, 256> table{};
    for (unsigned i = 0; i < 128; ++i) table[i] = i;
    for (unsigned i = 128; i < 256; ++i) {
        const char byte = static_cast<char>(i);
        wchar_t unit = 0;
        if (MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, &byte, 1, &unit, 1) == 1) table[i] = unit;
    }
    return table;
}

} // namespace

ByteTables buildByteTables() {
    ByteTables t;
    t.ansi = decodeTable(kAnsi);
    for (unsigned i = 128; i < 256; ++i)
        if (t.ansi[i] == 0) t.ansi[i] = i;  // 0x98 stands for itself, as the built-in table has it
    t.oem = decodeTable(kOem);
    return t;
}

} // namespace upd::codepage
