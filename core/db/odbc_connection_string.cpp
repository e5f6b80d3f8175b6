#include "db/odbc_connection_string.h"

#include "platform/text.h"

namespace upd::db::odbc {
namespace {

bool isSqliteDriver(const std::string& driver) { return text::foldCase(driver).find("sqlite") != std::string::npos; }

bool needsBraces(const std::string& v) {
    return v.find_first_of(";={}") != std::string::npos ||
           (!v.empty() && (v.front() == ' ' || v.back() == ' ' || v.front() == '\t' || v.back() == '\t'));
}

} // namespace

Dialect dialectOf(const std::string& driver) {
    return text::equalsIgnoreCase(text::trim(driver), kAccessDriver) ? Dialect::Access : Dialect::Sqlite;
}

std::string attributeValue(const std::string& value) {
    if (!needsBraces(value)) return value;
    std::string out = "{";
    for (char c : value) {
        out.push_back(c);
        if (c == '}') out.push_back('}');
    }
    return out + "}";
}

std::optional<std::string> connectionString(const std::string& driver, const std::string& path,
                                            const std::string& password) {
    // The driver's name always in braces: Access's holds ";"-free text with blanks and "*".
    std::string out = "Driver={";
    for (char c : driver) {
        out.push_back(c);
        if (c == '}') out.push_back('}');
    }
    out += "};";
    if (isSqliteDriver(driver)) {
        if (needsBraces(path)) return std::nullopt;
        return out + "Database=" + path + ";";
    }
    return out + "DBQ=" + attributeValue(path) + ";PWD=" + attributeValue(password) + ";";
}

} // namespace upd::db::odbc
