#include "registry/reg_file.h"

#include "platform/text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace upd {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";

std::string decode(std::string_view bytes) {
    if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE) {
        std::u16string units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            units.push_back(static_cast<char16_t>(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
        return text::fromU16(units);
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return std::string(bytes);
}

struct Parser {
    const std::string& source;
    int lineNo = 0;

    [[noreturn]] void fail(const std::string& what) const {
        throw RegFileParseError(source + ":" + std::to_string(lineNo) + ": " + what);
    }

    // A quoted string starting at s[pos] == '"'; returns the unescaped text, pos past the quote.
    std::string quoted(std::string_view s, size_t& pos) const {
        std::string out;
        for (++pos; pos < s.size(); ++pos) {
            if (s[pos] == '\\' && pos + 1 < s.size()) {
                out.push_back(s[++pos]);
            } else if (s[pos] == '"') {
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
            if (i + 1 >= s.size() || !std::isxdigit(uint8_t(s[i])) || !std::isxdigit(uint8_t(s[i + 1])))
                fail("bad hexadecimal byte list");
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

    RegistryValue data(std::string_view s) const {
        if (!s.empty() && s[0] == '"') {
            size_t pos = 0;
            std::string t = quoted(s, pos);
            if (s.find_first_not_of(" \t", pos) != std::string_view::npos) fail("text after the value");
            return textValue(t);
        }
        if (s.starts_with("dword:")) {
            const auto digits = s.substr(6);
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
                fail("bad dword value");
            const uint32_t v = static_cast<uint32_t>(std::stoul(std::string(digits), nullptr, 16));
            return {RegType::Dword, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
        }
        if (s.starts_with("hex:")) return {RegType::Binary, hexBytes(s.substr(4))};
        if (s.starts_with("hex(")) {
            const size_t close = s.find("):");
            const auto type = s.substr(4, close == std::string_view::npos ? 0 : close - 4);
            if (type.empty() || type.size() > 8 ||
                type.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
                fail("bad value type");
            return {static_cast<uint32_t>(std::stoul(std::string(type), nullptr, 16)), hexBytes(s.substr(close + 2))};
        }
        if (s == "-") fail("value deletions are not supported");
        fail("unknown value form");
    }
};

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

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

// Text data that the quoted form gives back byte for byte.
bool isPlainText(const RegistryValue& v) {
    if (v.type != RegType::Sz || v.data.size() < 2 || v.data.size() % 2) return false;
    if (v.data[v.data.size() - 1] != 0 || v.data[v.data.size() - 2] != 0) return false;
    const std::string t = valueText(v.data);
    if (t.find_first_of("\r\n") != std::string::npos) return false;
    return textValue(t) == v;
}

std::string dataText(const RegistryValue& v) {
    if (isPlainText(v)) return "\"" + escape(valueText(v.data)) + "\"";
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

} // namespace

RegFileKey* RegFile::findKey(std::string_view path) {
    for (auto& k : keys)
        if (text::equalsIgnoreCase(k.path, path)) return &k;
    return nullptr;
}

RegFileKey& RegFile::key(std::string_view path) {
    if (auto* k = findKey(path)) return *k;
    keys.push_back({std::string(path), {}});
    return keys.back();
}

RegFile parseRegFile(std::string_view bytes, const std::string& sourceName) {
    const std::string textAll = decode(bytes);
    Parser p{sourceName};
    RegFile file;
    RegFileKey* current = nullptr;
    bool headerSeen = false;
    size_t pos = 0;
    while (pos < textAll.size()) {
        size_t end = textAll.find('\n', pos);
        if (end == std::string::npos) end = textAll.size();
        std::string line(trim(std::string_view(textAll).substr(pos, end - pos)));
        pos = end + 1;
        ++p.lineNo;
        const int firstLine = p.lineNo;
        // Hexadecimal lists continue on the next line after a trailing backslash.
        while (!line.empty() && line.back() == '\\' && line.find('=') != std::string::npos &&
               line.find("=\"") == std::string::npos && pos < textAll.size()) {
            line.pop_back();
            end = textAll.find('\n', pos);
            if (end == std::string::npos) end = textAll.size();
            line += trim(std::string_view(textAll).substr(pos, end - pos));
            pos = end + 1;
            ++p.lineNo;
        }
        if (line.empty() || line[0] == ';') continue;
        if (!headerSeen) {
            if (line != kHeader && line != kHeader4) {
                p.lineNo = firstLine;
                p.fail("not a registry file (expected \"" + std::string(kHeader) + "\")");
            }
            headerSeen = true;
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') p.fail("unterminated key name");
            if (line.size() > 1 && line[1] == '-') p.fail("key deletions are not supported");
            current = &file.key(line.substr(1, line.size() - 2));
            continue;
        }
        if (!current) p.fail("value outside a key");
        std::string name;
        size_t at = 0;
        if (line[0] == '@') {
            at = 1;
        } else if (line[0] == '"') {
            name = p.quoted(line, at);
        } else {
            p.fail("expected a value name");
        }
        const auto rest = trim(std::string_view(line).substr(at));
        if (rest.empty() || rest[0] != '=') p.fail("expected '=' after the value name");
        RegistryValue v = p.data(trim(rest.substr(1)));
        auto found = std::find_if(current->values.begin(), current->values.end(),
                                  [&](const RegFileValue& x) { return text::equalsIgnoreCase(x.name, name); });
        if (found != current->values.end()) {
            found->value = std::move(v);
        } else {
            current->values.push_back({name, std::move(v)});
        }
    }
    if (!headerSeen && !textAll.empty() && trim(textAll).size() > 0) p.fail("not a registry file");
    return file;
}

std::string writeRegFile(const RegFile& file) {
    std::string textAll = std::string(kHeader) + "\r\n";
    for (const auto& k : file.keys) {
        textAll += "\r\n[" + k.path + "]\r\n";
        for (const auto& v : k.values)
            textAll += (v.name.empty() ? std::string("@") : "\"" + escape(v.name) + "\"") + "=" + dataText(v.value) + "\r\n";
    }
    textAll += "\r\n";
    std::string out = "\xFF\xFE";
    for (char16_t c : text::toU16(textAll)) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

} // namespace upd
