#include "platform/codepage.h"

#include "platform/codepage_tables.h"
#include "platform/text.h"

#include <array>
#include <unordered_map>

namespace upd::codepage {
namespace {

const ByteTables& byteTables() {
    static const ByteTables t = buildByteTables();
    return t;
}

struct Tables {
    std::unordered_map<char32_t, unsigned char> toAnsi;  // code point -> 1251 byte
    std::array<unsigned char, 256> oemToAnsi{};

    Tables() {
        const ByteTables& bytes = byteTables();
        for (unsigned i = 0x80; i < 256; ++i) toAnsi.emplace(bytes.ansi[i], static_cast<unsigned char>(i));
        // Exact counterparts only: no best-fit look-alikes (box drawing as '+'); the rest is '?'.
        for (unsigned i = 0; i < 256; ++i) {
            if (i < 0x80) {
                oemToAnsi[i] = static_cast<unsigned char>(i);
                continue;
            }
            const auto it = bytes.oem[i] ? toAnsi.find(bytes.oem[i]) : toAnsi.end();
            oemToAnsi[i] = it != toAnsi.end() ? it->second : '?';
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

} // namespace

char32_t ansiCodePoint(unsigned char byte) { return byteTables().ansi[byte]; }

char32_t oemCodePoint(unsigned char byte) { return byteTables().oem[byte]; }

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
    const auto& map = byteTables().ansi;
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

bool isValidUtf8(std::string_view bytes) { return text::isValidUtf8(bytes); }

} // namespace upd::codepage
