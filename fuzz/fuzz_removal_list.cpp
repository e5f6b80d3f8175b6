// libFuzzer target of the removal list decoder: any bytes as a list file. Whatever the
// byte-order mark (or none: code page 1251), the lines come out without a line break or NUL
// in them; decoded text is UTF-8; and the lines, written again in UTF-8 or UTF-16 of either
// byte order, read back the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "maintenance/removal_list.h"
#include "platform/text.h"

namespace {

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "removal list property broken: %s\n", what);
    std::abort();
}

std::string utf16Bytes(const std::u16string& units, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t u : units) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = upd::maintenance::removalListLines(bytes);

    // Only the UTF-8 form passes its bytes on as they are; the others are decoded.
    const bool utf8 = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    bool allValid = true;
    std::string joined;
    for (const std::string& line : lines) {
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) broken("a line holds a break or NUL");
        const bool valid = upd::text::isValidUtf8(line);
        if (!valid && !utf8) broken("a decoded line is not UTF-8");
        allValid = allValid && valid;
        joined += line + "\r\n";
    }
    if (!allValid) return 0;

    // Blank lines are kept: the same lines in every encoding, the last break adding none.
    const std::u16string units = upd::text::toU16(joined);
    for (const std::string& again : {"\xEF\xBB\xBF" + joined, utf16Bytes(units, false), utf16Bytes(units, true)}) {
        if (upd::maintenance::removalListLines(again) != lines) broken("the lines read back otherwise");
    }
    return 0;
}
