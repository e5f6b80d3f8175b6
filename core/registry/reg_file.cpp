#include "registry/reg_file.h"

#include "platform/codepage.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdio>

namespace upd {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trim(std::u16string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == u'\r')) s.remove_suffix(1);
    return s;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::vector<uint8_t> unitBytes(std::u16string_view units) {
    std::vector<uint8_t> out;
    out.reserve(units.size() * 2 + 2);
    for (char16_t u : units) {
        out.push_back(static_cast<uint8_t>(u & 0xFF));
        out.push_back(static_cast<uint8_t>(u >> 8));
    }
    return out;
}

// Which encoding the bytes are in. regedit writes UTF-16LE with a mark, and REGEDIT4 files
// in the ANSI code page. No guess from the text: a guess could change with a written value,
// and the next read would decode the other lines otherwise.
RegEncoding detectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf16Mark)) return RegEncoding::Utf16Le;
    if (bytes.starts_with(kUtf8Mark)) return RegEncoding::Utf8WithMark;
    const size_t start = bytes.find_first_not_of(" \t\r\n");
    if (start != std::string_view::npos && bytes.substr(start).starts_with(kHeader4)) return RegEncoding::Ansi;
    return RegEncoding::Utf8;
}

// The file's bytes cut after each line end: each piece keeps its own bytes.
std::vector<std::string> splitLines(std::string_view bytes, RegEncoding encoding) {
    std::vector<std::string> lines;
    size_t start = 0;
    if (encoding == RegEncoding::Utf16Le) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            if (bytes[i] == '\n' && bytes[i + 1] == '\0') {
                lines.emplace_back(bytes.substr(start, i + 2 - start));
                start = i + 2;
            }
        }
    } else {
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                lines.emplace_back(bytes.substr(start, i + 1 - start));
                start = i + 1;
            }
        }
    }
    if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
    return lines;
}

bool endsWithLineEnd(const std::string& raw, RegEncoding encoding) {
    return encoding == RegEncoding::Utf16Le ? raw.ends_with(std::string_view("\n\0", 2)) : raw.ends_with('\n');
}

// A line's text without its line end (and without the file's mark on the first line).
std::u16string decodeLine(std::string_view raw, RegEncoding encoding, bool first) {
    switch (encoding) {
    case RegEncoding::Utf16Le: {
        if (first) raw.remove_prefix(std::min(raw.size(), kUtf16Mark.size()));
        std::u16string units;
        units.reserve(raw.size() / 2);
        for (size_t i = 0; i + 1 < raw.size(); i += 2)
            units.push_back(static_cast<char16_t>(uint8_t(raw[i]) | (uint8_t(raw[i + 1]) << 8)));
        if (!units.empty() && units.back() == u'\n') units.pop_back();
        return units;
    }
    case RegEncoding::Ansi:
        if (!raw.empty() && raw.back() == '\n') raw.remove_suffix(1);
        return text::toU16(codepage::ansiToUtf8(raw));
    case RegEncoding::Utf8WithMark:
        if (first && raw.starts_with(kUtf8Mark)) raw.remove_prefix(kUtf8Mark.size());
        [[fallthrough]];
    case RegEncoding::Utf8:
        if (!raw.empty() && raw.back() == '\n') raw.remove_suffix(1);
        return text::toU16(raw);
    }
    return {};
}

std::string encodeText(std::string_view utf8, RegEncoding encoding) {
    switch (encoding) {
    case RegEncoding::Utf16Le: {
        const auto bytes = unitBytes(text::toU16(utf8));
        return std::string(bytes.begin(), bytes.end());
    }
    case RegEncoding::Ansi:
        return codepage::utf8ToAnsi(utf8);
    case RegEncoding::Utf8:
    case RegEncoding::Utf8WithMark:
        break;
    }
    return std::string(utf8);
}

struct Parser {
    const std::string& source;
    size_t lineNo = 0;  // counted from 1

    [[noreturn]] void fail(const std::string& what) const {
        throw RegFileParseError(source + ":" + std::to_string(lineNo) + ": " + what);
    }

    // A quoted string starting at s[pos] == '"'; the unescaped UTF-16 units, pos past the quote.
    // Units are kept as they stand, a lone surrogate included, so the value keeps every byte.
    std::u16string quoted(std::u16string_view s, size_t& pos) const {
        std::u16string out;
        for (++pos; pos < s.size(); ++pos) {
            if (s[pos] == u'\\' && pos + 1 < s.size()) {
                out.push_back(s[++pos]);
            } else if (s[pos] == u'"') {
                ++pos;
                return out;
            } else {
                out.push_back(s[pos]);
            }
        }
        fail("unterminated string");
    }

    std::vector<uint8_t> hexBytes(std::string_view s) const {
        std::vector<uint8_t> out;
        size_t i = 0;
        auto skipSpace = [&] { while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i; };
        skipSpace();
        while (i < s.size()) {
            if (i + 1 >= s.size() || !isHexDigit(s[i]) || !isHexDigit(s[i + 1])) fail("bad hexadecimal byte list");
            out.push_back(static_cast<uint8_t>(std::stoi(std::string(s.substr(i, 2)), nullptr, 16)));
            i += 2;
            skipSpace();
            if (i < s.size()) {
                if (s[i] != ',') fail("bad hexadecimal byte list");
                ++i;
                skipSpace();
                if (i == s.size()) fail("bad hexadecimal byte list");
            }
        }
        return out;
    }

    RegistryValue data(std::u16string_view s16) const {
        if (!s16.empty() && s16[0] == u'"') {
            size_t pos = 0;
            const std::u16string units = quoted(s16, pos);
            if (!trim(s16.substr(pos)).empty()) fail("text after the value");
            std::vector<uint8_t> bytes = unitBytes(units);
            bytes.insert(bytes.end(), {0, 0});
            return {RegType::Sz, std::move(bytes)};
        }
        const std::string s = text::fromU16(s16);  // the other forms are ASCII
        if (s.starts_with("dword:")) {
            const auto digits = std::string_view(s).substr(6);
            if (digits.empty() || digits.size() > 8 || !std::all_of(digits.begin(), digits.end(), isHexDigit))
                fail("bad dword value");
            const uint32_t v = static_cast<uint32_t>(std::stoul(std::string(digits), nullptr, 16));
            return {RegType::Dword, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
        }
        if (s.starts_with("hex:")) return {RegType::Binary, hexBytes(std::string_view(s).substr(4))};
        if (s.starts_with("hex(")) {
            const size_t close = s.find("):");
            const auto type = std::string_view(s).substr(4, close == std::string::npos ? 0 : close - 4);
            if (type.empty() || type.size() > 8 || !std::all_of(type.begin(), type.end(), isHexDigit))
                fail("bad value type");
            return {static_cast<uint32_t>(std::stoul(std::string(type), nullptr, 16)),
                    hexBytes(std::string_view(s).substr(close + 2))};
        }
        if (s == "-") fail("value deletions are not supported");
        fail("unknown value form");
    }
};

std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

std::string hexList(const std::vector<uint8_t>& data) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", data[i]);
        if (i) out.push_back(',');
        out += buf;
    }
    return out;
}

// Text data that the quoted form gives back byte for byte, in the file's encoding.
bool isPlainText(const RegistryValue& v, RegEncoding encoding) {
    if (v.type != RegType::Sz || v.data.size() < 2 || v.data.size() % 2) return false;
    if (v.data[v.data.size() - 1] != 0 || v.data[v.data.size() - 2] != 0) return false;
    const std::string t = valueText(v.data);
    if (t.find_first_of("\r\n") != std::string::npos) return false;
    if (encoding == RegEncoding::Ansi && codepage::ansiToUtf8(codepage::utf8ToAnsi(t)) != t) return false;
    return textValue(t) == v;
}

std::string dataText(const RegistryValue& v, RegEncoding encoding) {
    if (isPlainText(v, encoding)) return "\"" + escape(valueText(v.data)) + "\"";
    if (v.type == RegType::Dword && v.data.size() == 4) {
        char buf[16];
        const uint32_t d = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (uint32_t(v.data[3]) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x", d);
        return buf;
    }
    if (v.type == RegType::Binary) return "hex:" + hexList(v.data);
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    return buf + hexList(v.data);
}

std::string valueLine(const std::string& name, const RegistryValue& value, RegEncoding encoding) {
    return (name.empty() ? std::string("@") : "\"" + escape(name) + "\"") + "=" + dataText(value, encoding);
}

} // namespace

RegFileValue* RegFileKey::findValue(std::string_view name) {
    auto it = valueIndex.find(text::foldCase(name));
    return it == valueIndex.end() ? nullptr : &values[it->second];
}

RegFileKey* RegFile::findKey(std::string_view path) {
    auto it = keyIndex.find(text::foldCase(path));
    return it == keyIndex.end() ? nullptr : &keys[it->second];
}

RegFile parseRegFile(std::string_view bytes, const std::string& sourceName) {
    RegFile file;
    file.encoding = detectEncoding(bytes);
    file.lines = splitLines(bytes, file.encoding);
    if (!file.lines.empty() && endsWithLineEnd(file.lines.front(), file.encoding)) {
        const std::string& first = file.lines.front();
        file.crlf = file.encoding == RegEncoding::Utf16Le ? first.ends_with(std::string_view("\r\0\n\0", 4))
                                                          : first.ends_with("\r\n");
    }
    Parser p{sourceName};
    if (file.encoding == RegEncoding::Utf16Le && bytes.size() % 2 != 0) {
        // Half a character at the end: the file was cut, and a change would shift every
        // character after it.
        p.lineNo = file.lines.size();
        p.fail("UTF-16 text cut in the middle of a character");
    }
    RegFileKey* current = nullptr;
    bool headerSeen = false;
    const size_t count = file.lines.size();
    for (size_t i = 0; i < count;) {
        const size_t first = i;
        std::u16string line(trim(decodeLine(file.lines[i], file.encoding, i == 0)));
        p.lineNo = ++i;
        // Hexadecimal lists continue on the next line after a trailing backslash.
        while (!line.empty() && line.back() == u'\\' && line.find(u'=') != std::u16string::npos &&
               line.find(u"=\"") == std::u16string::npos && i < count) {
            line.pop_back();
            line += trim(decodeLine(file.lines[i], file.encoding, false));
            ++i;
        }
        if (line.empty() || line[0] == u';') continue;
        if (!headerSeen) {
            const std::string head = text::fromU16(line);
            if (head != kHeader && head != kHeader4)
                p.fail("not a registry file (expected \"" + std::string(kHeader) + "\")");
            headerSeen = true;
            continue;
        }
        if (line[0] == u'[') {
            if (line.back() != u']') p.fail("unterminated key name");
            if (line.size() > 1 && line[1] == u'-') p.fail("key deletions are not supported");
            const std::string path = text::fromU16(std::u16string_view(line).substr(1, line.size() - 2));
            auto [it, added] = file.keyIndex.try_emplace(text::foldCase(path), file.keys.size());
            if (added) file.keys.push_back({path, {}, 0, {}});
            current = &file.keys[it->second];
            current->endLine = i;
            continue;
        }
        if (!current) p.fail("value outside a key");
        std::string name;
        size_t at = 0;
        if (line[0] == u'@') {
            at = 1;
        } else if (line[0] == u'"') {
            name = text::fromU16(p.quoted(line, at));
        } else {
            p.fail("expected a value name");
        }
        const auto rest = trim(std::u16string_view(line).substr(at));
        if (rest.empty() || rest[0] != u'=') p.fail("expected '=' after the value name");
        RegistryValue v = p.data(trim(rest.substr(1)));
        // A value given twice counts with its last line, as regedit imports it.
        auto [it, added] = current->valueIndex.try_emplace(text::foldCase(name), current->values.size());
        if (added) current->values.push_back({name, {}, 0, 0});
        RegFileValue& value = current->values[it->second];
        value.value = std::move(v);
        value.firstLine = first;
        value.lineCount = i - first;
        current->endLine = i;
    }
    if (!headerSeen) {
        for (size_t i = 0; i < count; ++i)
            if (!trim(decodeLine(file.lines[i], file.encoding, i == 0)).empty()) {
                p.lineNo = i + 1;
                p.fail("not a registry file");
            }
        // Blank lines only: a new file, in regedit's form.
        file.lines.clear();
        file.encoding = RegEncoding::Utf16Le;
        file.crlf = true;
    }
    return file;
}

void RegFile::set(std::string_view keyPath, const std::string& name, const RegistryValue& value) {
    const std::string eol = crlf ? "\r\n" : "\n";
    auto encode = [&](const std::string& utf8) { return encodeText(utf8 + eol, encoding); };
    if (lines.empty()) {
        // A new file, as regedit writes one.
        std::string mark;
        if (encoding == RegEncoding::Utf16Le) mark = kUtf16Mark;
        if (encoding == RegEncoding::Utf8WithMark) mark = kUtf8Mark;
        lines.push_back(mark + encode(std::string(encoding == RegEncoding::Ansi ? kHeader4 : kHeader)));
    }
    RegFileKey* key = findKey(keyPath);
    if (!key) {
        // A new key goes at the end, after a blank line; a last line without its end gets one.
        const std::string end = encodeText(eol, encoding);
        if (!endsWithLineEnd(lines.back(), encoding)) lines.back() += end;
        if (!trim(decodeLine(lines.back(), encoding, lines.size() == 1)).empty()) lines.push_back(end);
        lines.push_back(encode("[" + std::string(keyPath) + "]"));
        keyIndex.emplace(text::foldCase(keyPath), keys.size());
        keys.push_back({std::string(keyPath), {}, lines.size(), {}});
        lines.push_back(end);
        key = &keys.back();
    }
    std::string line = encode(valueLine(name, value, encoding));
    if (RegFileValue* found = key->findValue(name)) {
        // Only the value's own lines change.
        const size_t at = found->firstLine;
        const ptrdiff_t delta = 1 - static_cast<ptrdiff_t>(found->lineCount);
        lines.erase(lines.begin() + static_cast<ptrdiff_t>(at), lines.begin() + static_cast<ptrdiff_t>(at + found->lineCount));
        lines.insert(lines.begin() + static_cast<ptrdiff_t>(at), std::move(line));
        found->value = value;
        found->lineCount = 1;
        if (delta != 0) {
            for (auto& k : keys) {
                if (k.endLine > at) k.endLine = static_cast<size_t>(static_cast<ptrdiff_t>(k.endLine) + delta);
                for (auto& v : k.values)
                    if (v.firstLine > at) v.firstLine = static_cast<size_t>(static_cast<ptrdiff_t>(v.firstLine) + delta);
            }
        }
        return;
    }
    // A new value follows the key's last line, which may be the file's last, without its end.
    const size_t at = key->endLine;
    if (at > 0 && !endsWithLineEnd(lines[at - 1], encoding)) lines[at - 1] += encodeText(eol, encoding);
    lines.insert(lines.begin() + static_cast<ptrdiff_t>(at), std::move(line));
    for (auto& k : keys) {
        if (k.endLine > at) ++k.endLine;
        for (auto& v : k.values)
            if (v.firstLine >= at) ++v.firstLine;
    }
    key->valueIndex.emplace(text::foldCase(name), key->values.size());
    key->values.push_back({name, value, at, 1});
    key->endLine = at + 1;
}

std::string RegFile::bytes() const {
    size_t size = 0;
    for (const auto& l : lines) size += l.size();
    std::string out;
    out.reserve(size);
    for (const auto& l : lines) out += l;
    return out;
}

} // namespace upd
