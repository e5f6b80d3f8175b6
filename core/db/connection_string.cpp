#include "db/connection_string.h"

#include "platform/text.h"

#include <vector>

namespace upd::db {
namespace {

using text::trim;

std::string unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

std::string buildConnectionString(const std::string& path, const std::string& password) {
    return std::string(kAceProviderPrefix) + path + kPersistSecurityInfo + kPasswordKey + password + ";";
}

std::string buildConnectionStringWithoutPassword(const std::string& path) {
    return std::string(kAceProviderPrefix) + path + kPersistSecurityInfo;
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
                const size_t close = text.find(text[v], v + 1);
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
