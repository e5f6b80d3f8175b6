#include "platform/codepage.h"

#include "platform/text.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <unordered_map>

namespace upd::codepage {
namespace {

// Converts one byte through iconv; 0 when the target has no counterpart.
std::u32string convertByte(iconv_t cd, unsigned char byte) {
    char in[1] = {static_cast<char>(byte)};
    char out[16] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return {};
    return text::toU32(std::string_view(out, sizeof out - outLeft));
}

// Code points of the 256 bytes of a single-byte code page (0 where undefined).
std::array<char32_t, 256> decodeTable(const char* codePage) {
    std::array<char32_t, 256> table{};
    for (unsigned i = 0; i < 128; ++i) table[i] = i;
    iconv_t cd = iconv_open("UTF-8", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1)) return table;
    for (unsigned i = 128; i < 256; ++i) {
        auto cps = convertByte(cd, static_cast<unsigned char>(i));
        table[i] = cps.size() == 1 ? cps[0] : 0;
    }
    iconv_close(cd);
    return table;
}

struct Tables {
    std::array<char32_t, 256> ansi{};      // 1251 byte -> code point
    std::array<unsigned char, 256> oemToAnsi{};
    std::unordered_map<char32_t, unsigned char> toAnsi;  // code point -> 1251 byte

    Tables() {
        ansi = decodeTable("CP1251");
        for (unsigned i = 128; i < 256; ++i) {
            if (ansi[i] == 0) ansi[i] = i;  // as the platform does for 0x98
            toAnsi.emplace(ansi[i], static_cast<unsigned char>(i));
        }
        const auto oem = decodeTable("CP866");
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

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < len) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

} // namespace upd::codepage
