#include "db/connection_string.h"

#include "platform/text.h"

#include <vector>

namespace upd::db {
namespace {

using text::trim;

// The closing quote of a value quoted with text[open]: a doubled quote stands for itself.
size_t closingQuote(const std::string& text, size_t open) {
    const char q = text[open];
    for (size_t i = text.find(q, open + 1); i != std::string::npos; i = text.find(q, i + 2)) {
        if (i + 1 >= text.size() || text[i + 1] != q) return i;
    }
    return std::string::npos;
}

std::string unquote(const std::string& v) {
    if (v.size() < 2 || (v.front() != '"' && v.front() != '\'') || closingQuote(v, 0) != v.size() - 1) return v;
    std::string out;
    for (size_t i = 1; i + 1 < v.size(); ++i) {
        out.push_back(v[i]);
        if (v[i] == v.front()) ++i;  // the doubled quote's second half
    }
    return out;
}

// A value the provider would split or trim is quoted as it reads quotes: in double quotes,
// or in single ones when it holds a double quote, the quote inside doubled. Other values go
// as they are, so that ordinary strings keep their exact form.
std::string value(const std::string& v) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };  // what the reader trims
    const bool plain = v.find_first_of(";=") == std::string::npos &&
                       (v.empty() || (v.front() != '"' && v.front() != '\'' && !blank(v.front()) && !blank(v.back())));
    if (plain) return v;
    const char q = v.find('"') == std::string::npos ? '"' : '\'';
    std::string out(1, q);
    for (char c : v) {
        out.push_back(c);
        if (c == q) out.push_back(q);
    }
    out.push_back(q);
    return out;
}

} // namespace

std::string buildConnectionString(const std::string& path, const std::string& password) {
    return std::string(kAceProviderPrefix) + value(path) + kPersistSecurityInfo + kPasswordKey + value(password) + ";";
}

std::string buildConnectionStringWithoutPassword(const std::string& path) {
    return std::string(kAceProviderPrefix) + value(path) + kPersistSecurityInfo;
}

std::optional<ConnectionParameters> parseConnectionString(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(';', pos);
        if (end == std::string::npos) end = text.size();
        // A quoted value runs to its closing quote, ";" included.
        const size_t eq = text.find('=', pos);
        if (eq != std::string::npos && eq < end) {
            const size_t v = text.find_first_not_of(" \t", eq + 1);
            if (v != std::string::npos && v < text.size() && (text[v] == '"' || text[v] == '\'')) {
                const size_t close = closingQuote(text, v);
                if (close != std::string::npos) {
                    end = text.find(';', close);
                    if (end == std::string::npos) end = text.size();
                }
            }
        }
        const std::string segment = text.substr(pos, end - pos);
        const size_t e = segment.find('=');
        if (e != std::string::npos) {
            pairs.emplace_back(trim(segment.substr(0, e)), segment.substr(e + 1));
        } else if (!pairs.empty() && !trim(segment).empty()) {
            pairs.back().second += ";" + segment;
        }
        pos = end + 1;
    }
    ConnectionParameters result;
    bool haveSource = false;
    for (const auto& [key, value] : pairs) {
        if (text::equalsIgnoreCase(key, "Data Source")) {
            result.dataSource = unquote(trim(value));
            haveSource = true;
        } else if (text::equalsIgnoreCase(key, "Jet OLEDB:Database Password")) {
            result.password = unquote(value);
        }
    }
    if (!haveSource) return std::nullopt;
    return result;
}

} // namespace upd::db
