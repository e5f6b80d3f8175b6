#include "platform/text.h"

namespace upd::text {

Utf8Char decodeUtf8(std::string_view s, size_t pos) {
    const auto b = static_cast<unsigned char>(s[pos]);
    if (b < 0x80) return {b, 1, true};
    const Utf8Char malformed{b, 1, false};
    // Lead bytes C0, C1 and F5..FF start only overlong or out-of-range forms.
    const size_t len = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (len == 0 || s.size() - pos < len) return malformed;
    char32_t cp = len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(s[pos + k]);
        if ((c & 0xC0) != 0x80) return malformed;
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return malformed;
    return {cp, len, true};
}

bool isValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const Utf8Char c = decodeUtf8(s, i);
        if (!c.valid) return false;
        i += c.length;
    }
    return true;
}

std::u32string toU32(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const Utf8Char c = decodeUtf8(s, i);
        out.push_back(c.codePoint);
        i += c.length;
    }
    return out;
}

namespace {

// Writes the character at `p`, returns the end; four bytes at most.
char* writeUtf8(char* p, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        *p++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *p++ = static_cast<char>(0xC0 | (c >> 6));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *p++ = static_cast<char>(0xE0 | (c >> 12));
        *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *p++ = static_cast<char>(0xF0 | (c >> 18));
        *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *p++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return p;
}

// decodeUtf8 with the forms names and keys are made of (ASCII, and two bytes as Cyrillic
// takes) decoded in place: keys are folded and compared once per row of a table.
inline Utf8Char decodeAt(std::string_view s, size_t pos) {
    const auto b = static_cast<unsigned char>(s[pos]);
    if (b < 0x80) return {b, 1, true};
    if (b >= 0xC2 && b <= 0xDF && pos + 1 < s.size()) {
        const auto c = static_cast<unsigned char>(s[pos + 1]);
        if ((c & 0xC0) == 0x80) return {(char32_t(b & 0x1F) << 6) | (c & 0x3F), 2, true};
    }
    return decodeUtf8(s, pos);
}

} // namespace

std::string fromU32(std::u32string_view text) {
    std::string out(4 * text.size(), '\0');
    char* p = out.data();
    for (char32_t c : text) p = writeUtf8(p, c);
    out.resize(static_cast<size_t>(p - out.data()));
    return out;
}

std::u16string toU16(std::string_view utf8) {
    std::u16string out;
    for (char32_t c : toU32(utf8)) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

size_t utf16Length(std::string_view utf8) {
    size_t units = 0;
    for (size_t i = 0; i < utf8.size();) {
        const Utf8Char c = decodeAt(utf8, i);
        units += c.codePoint >= 0x10000 ? 2 : 1;
        i += c.length;
    }
    return units;
}

std::string fromU16(std::u16string_view text) {
    std::u32string cps;
    cps.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cps.push_back(0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            cps.push_back(0xFFFD);
        } else {
            cps.push_back(c);
        }
    }
    return fromU32(cps);
}

char32_t foldCase(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if (c < 0x80) return c;
    if ((c >= 0xC0 && c <= 0xDE) && c != 0xD7) return c + 32;  // Latin-1
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        // Latin Extended-A pairs: even upper / odd lower, shifted by one in 0x139..0x148 and 0x179..0x17E
        const bool shifted = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (shifted ? (c % 2 == 1) : (c % 2 == 0)) return c + 1;
        return c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic А..Я
    if (c >= 0x400 && c <= 0x40F) return c + 80;                // Ѐ..Џ (Ё, Ў, Є, І, Ї ...)
    if (c >= 0x460 && c <= 0x4FF && c % 2 == 0 && !(c >= 0x482 && c <= 0x489) && c != 0x4C0)
        return c + 1;  // Cyrillic extended pairs (Ґ and the like)
    return c;
}

std::string foldCase(std::string_view utf8) {
    std::string out;
    appendFoldedCase(out, utf8);
    return out;
}

void appendFoldedCase(std::string& out, std::string_view utf8) {
    // A folded letter is as long as the letter, but a malformed byte becomes a character of
    // two bytes: twice the length is room enough.
    const size_t start = out.size();
    out.resize(start + 2 * utf8.size());
    char* p = out.data() + start;
    for (size_t i = 0; i < utf8.size();) {
        const Utf8Char c = decodeAt(utf8, i);
        if (c.codePoint < 0x80)
            *p++ = asciiLower(static_cast<char>(c.codePoint));
        else
            p = writeUtf8(p, foldCase(c.codePoint));
        i += c.length;
    }
    out.resize(static_cast<size_t>(p - out.data()));
}

std::string asciiLower(std::string s) {
    for (char& c : s) c = asciiLower(c);
    return s;
}

std::string asciiUpper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

char32_t upperCase(char32_t c) {
    for (char32_t distance : {U'\x20', U'\x50', U'\x01'})
        if (c >= distance && foldCase(c - distance) == c) return c - distance;
    return c;
}

std::string trim(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(" \t") - b + 1));
}

int compareIgnoreCase(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const Utf8Char x = decodeAt(a, i), y = decodeAt(b, j);
        const char32_t fx = foldCase(x.codePoint), fy = foldCase(y.codePoint);
        if (fx != fy) return fx < fy ? -1 : 1;
        i += x.length;
        j += y.length;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) { return compareIgnoreCase(a, b) == 0; }

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    size_t i = 0, j = 0;
    while (j < prefix.size()) {
        if (i >= text.size()) return false;
        const Utf8Char x = decodeUtf8(text, i), y = decodeUtf8(prefix, j);
        if (foldCase(x.codePoint) != foldCase(y.codePoint)) return false;
        i += x.length;
        j += y.length;
    }
    return true;
}

std::string removeAllIgnoreCase(std::string_view textUtf8, std::string_view whatUtf8) {
    const auto text = toU32(textUtf8), what = toU32(whatUtf8);
    if (what.empty()) return std::string(textUtf8);
    std::u32string out;
    size_t i = 0;
    while (i < text.size()) {
        bool match = i + what.size() <= text.size();
        for (size_t k = 0; match && k < what.size(); ++k)
            match = foldCase(text[i + k]) == foldCase(what[k]);
        if (match) {
            i += what.size();
        } else {
            out.push_back(text[i++]);
        }
    }
    return fromU32(out);
}

} // namespace upd::text
