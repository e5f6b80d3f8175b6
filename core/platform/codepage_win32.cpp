#include "platform/codepage.h"

#include "platform/text.h"

#include <windows.h>

#include <array>
#include <unordered_map>

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

struct Tables {
    std::array<char32_t, 256> ansi{};      // 1251 byte -> code point
    std::array<char32_t, 256> oem{};       // 866 byte -> code point
    std::array<unsigned char, 256> oemToAnsi{};
    std::unordered_map<char32_t, unsigned char> toAnsi;  // code point -> 1251 byte

    Tables() {
        ansi = decodeTable(kAnsi);
        for (unsigned i = 128; i < 256; ++i) {
            if (ansi[i] == 0) ansi[i] = i;  // as the platform does for 0x98
            toAnsi.emplace(ansi[i], static_cast<unsigned char>(i));
        }
        // Exact counterparts only: no best-fit look-alikes (box drawing as '+'); the rest is '?'.
        oem = decodeTable(kOem);
        for (unsigned i = 0; i < 256; ++i) {
            if (i < 128) {
                oemToAnsi[i] = static_cast<unsigned char>(i);
                continue;
            }
            auto it = oem[i] ? toAnsi.find(oem[i]) : toAnsi.end();
            oemToAnsi[i] = it != toAnsi.end() ? it->second : '?';
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

} // namespace

char32_t ansiCodePoint(unsigned char byte) { return tables().ansi[byte]; }
char32_t oemCodePoint(unsigned char byte) { return tables().oem[byte]; }

void oemToAnsiInPlace(char* bytes, size_t count) {
    const auto& map = tables().oemToAnsi;
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(map[static_cast<unsigned char>(bytes[i])]);
}

std::string oemToAnsi(std::string_view bytes) {
    std::string out(bytes);
    oemToAnsiInPlace(out.data(), out.size());
    return out;
}

std::string ansiToUtf8(std::string_view bytes) {
    const auto& map = tables().ansi;
    std::u32string cps;
    cps.reserve(bytes.size());
    for (unsigned char c : bytes) cps.push_back(map[c]);
    return text::fromU32(cps);
}

std::string utf8ToAnsi(std::string_view utf8) {
    const auto& t = tables();
    std::string out;
    for (char32_t c : text::toU32(utf8)) {
        if (c < 128) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        auto it = t.toAnsi.find(c);
        out.push_back(it != t.toAnsi.end() ? static_cast<char>(it->second) : '?');
    }
    return out;
}

// UTF-8 itself is no code page of the system's: the shared decoder judges it alike everywhere.
bool isValidUtf8(std::string_view bytes) { return text::isValidUtf8(bytes); }

} // namespace upd::codepage
