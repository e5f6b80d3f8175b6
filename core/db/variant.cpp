#include "db/variant.h"

#include "db/db_error.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>

#include "platform/text.h"

namespace upd::db {
namespace {

std::string trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

[[noreturn]] void mismatch(const std::string& text, const char* what) {
    throw DbError(DbErrc::TypeMismatch,
                  "Несоответствие типа данных: значение '" + text + "' не является " + what + ".");
}

bool parseInt(const std::string& s, int64_t& out) {
    const std::string t = trimmed(s);
    if (t.empty()) return false;
    const char* b = t.data() + (t[0] == '+' ? 1 : 0);
    auto [p, ec] = std::from_chars(b, t.data() + t.size(), out);
    return ec == std::errc() && p == t.data() + t.size();
}

bool parseDouble(const std::string& s, double& out) {
    std::string t = trimmed(s);
    if (t.empty()) return false;
    for (char& c : t)
        if (c == ',') c = '.';  // the Russian decimal separator
    char* end = nullptr;
    errno = 0;
    out = std::strtod(t.c_str(), &end);
    return end == t.c_str() + t.size() && errno == 0 && std::isfinite(out);
}

std::string formatDouble(double v) {
    char buf[64];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    return buf;
}

bool parseBool(const std::string& s, bool& out) {
    const std::string t = trimmed(s);
    for (const char* yes : {"true", "yes", "on", "да", "истина"})
        if (text::equalsIgnoreCase(t, yes)) return out = true, true;
    for (const char* no : {"false", "no", "off", "нет", "ложь"})
        if (text::equalsIgnoreCase(t, no)) return out = false, true;
    double d = 0;
    if (parseDouble(t, d)) return out = d != 0, true;
    return false;
}

bool validDate(int y, int m, int d, int hh, int mm, int ss) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (d > days[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
    return hh >= 0 && hh < 24 && mm >= 0 && mm < 60 && ss >= 0 && ss < 60;
}

std::string formatDate(int y, int m, int d, int hh, int mm, int ss, bool withTime) {
    char buf[40];
    if (withTime)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, hh, mm, ss);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

// OLE automation date: days since 1899-12-30, the fraction the time of day.
std::string dateFromSerial(double serial) {
    double whole = std::floor(serial);
    long long seconds = std::llround((serial - whole) * 86400.0);
    if (seconds >= 86400) whole += 1, seconds -= 86400;
    // days from civil, inverse (Howard Hinnant's algorithm)
    long long z = static_cast<long long>(whole) - 25569 + 719468;  // 1970-01-01 is serial 25569
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = yoe + era * 400;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    if (m <= 2) ++y;
    return formatDate(static_cast<int>(y), m, d, static_cast<int>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60), seconds != 0);
}

} // namespace

Variant Variant::blob(std::string bytes) {
    Variant v;
    v.kind_ = ValueKind::Blob;
    v.text_ = std::move(bytes);
    return v;
}

int64_t Variant::toInt64() const {
    switch (kind_) {
    case ValueKind::Null: return 0;
    case ValueKind::Integer:
    case ValueKind::Boolean: return int_;
    case ValueKind::Float:
        if (!(std::fabs(float_) < 9.2e18)) mismatch(toString(), "целым числом");
        return std::llround(float_);
    case ValueKind::Text:
    case ValueKind::Blob: {
        int64_t v = 0;
        if (parseInt(text_, v)) return v;
        double d = 0;
        if (parseDouble(text_, d) && std::fabs(d) < 9.2e18) return std::llround(d);
        mismatch(text_, "целым числом");
    }
    }
    return 0;
}

int Variant::toInt() const {
    const int64_t v = toInt64();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        mismatch(toString(), "32-разрядным целым числом");
    return static_cast<int>(v);
}

double Variant::toDouble() const {
    switch (kind_) {
    case ValueKind::Null: return 0;
    case ValueKind::Integer:
    case ValueKind::Boolean: return static_cast<double>(int_);
    case ValueKind::Float: return float_;
    case ValueKind::Text:
    case ValueKind::Blob: {
        double d = 0;
        if (parseDouble(text_, d)) return d;
        mismatch(text_, "числом");
    }
    }
    return 0;
}

bool Variant::toBool() const {
    switch (kind_) {
    case ValueKind::Null: return false;
    case ValueKind::Integer:
    case ValueKind::Boolean: return int_ != 0;
    case ValueKind::Float: return float_ != 0;
    case ValueKind::Text:
    case ValueKind::Blob: {
        bool b = false;
        if (parseBool(text_, b)) return b;
        mismatch(text_, "логическим значением");
    }
    }
    return false;
}

std::string Variant::toString() const {
    switch (kind_) {
    case ValueKind::Null: return {};
    case ValueKind::Integer: return std::to_string(int_);
    case ValueKind::Boolean: return int_ ? "True" : "False";
    case ValueKind::Float: return formatDouble(float_);
    case ValueKind::Text:
    case ValueKind::Blob: return text_;
    }
    return {};
}

bool Variant::operator==(const Variant& o) const {
    if (kind_ != o.kind_) return false;
    switch (kind_) {
    case ValueKind::Null: return true;
    case ValueKind::Integer:
    case ValueKind::Boolean: return int_ == o.int_;
    case ValueKind::Float: return float_ == o.float_;
    default: return text_ == o.text_;
    }
}

const char* fieldTypeName(FieldType type) {
    switch (type) {
    case FieldType::Unknown: return "Unknown";
    case FieldType::AutoInc: return "AutoInc";
    case FieldType::Integer: return "Integer";
    case FieldType::SmallInt: return "SmallInt";
    case FieldType::Byte: return "Byte";
    case FieldType::Float: return "Float";
    case FieldType::Currency: return "Currency";
    case FieldType::Boolean: return "Boolean";
    case FieldType::DateTime: return "DateTime";
    case FieldType::String: return "String";
    case FieldType::Memo: return "Memo";
    case FieldType::Blob: return "Blob";
    case FieldType::Guid: return "Guid";
    }
    return "Unknown";
}

bool isIntegerType(FieldType type) {
    return type == FieldType::Integer || type == FieldType::SmallInt || type == FieldType::Byte || type == FieldType::AutoInc;
}

void checkTextLength(const Variant& value, const FieldDef& field) {
    if (field.DataType != FieldType::String || field.Size <= 0 || value.kind() == ValueKind::Null ||
        value.kind() == ValueKind::Blob)
        return;
    const size_t length = value.kind() == ValueKind::Text ? text::utf16Length(value.text())
                                                          : text::utf16Length(value.toString());
    if (length > static_cast<size_t>(field.Size))
        throw DbError(DbErrc::ValueTooLong, "Поле '" + field.Name + "' слишком мало для вводимых данных (не более " +
                                                std::to_string(field.Size) + " знаков).");
}

bool normaliseDate(const std::string& raw, std::string& out) {
    const std::string t = trimmed(raw);
    int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0, used = 0;
    auto timePart = [&](const char* rest) {
        // optional " HH:MM[:SS]" or "THH:MM[:SS]"
        if (*rest == 0) return true;
        if (*rest != ' ' && *rest != 'T') return false;
        int n = 0;
        if (std::sscanf(rest + 1, "%2d:%2d:%2d%n", &hh, &mm, &ss, &n) == 3 && rest[1 + n] == 0) return true;
        ss = 0;
        return std::sscanf(rest + 1, "%2d:%2d%n", &hh, &mm, &n) == 2 && rest[1 + n] == 0;
    };
    bool ok = false;
    if (std::sscanf(t.c_str(), "%4d-%2d-%2d%n", &y, &m, &d, &used) == 3 && used == 10)
        ok = timePart(t.c_str() + used);
    else if (std::sscanf(t.c_str(), "%2d.%2d.%4d%n", &d, &m, &y, &used) == 3 && used >= 8)
        ok = timePart(t.c_str() + used);
    if (ok) {
        if (!validDate(y, m, d, hh, mm, ss)) return false;
        out = formatDate(y, m, d, hh, mm, ss, hh || mm || ss);
        return true;
    }
    double serial = 0;
    if (parseDouble(t, serial) && serial > -657434 && serial < 2958466) {
        out = dateFromSerial(serial);
        return true;
    }
    return false;
}

namespace {

// Reads up to `maxDigits` digits at `pos`; false when there is none.
bool readNumber(const std::string& s, size_t& pos, int maxDigits, int& out, int& digits) {
    out = 0;
    digits = 0;
    while (pos < s.size() && digits < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
        out = out * 10 + (s[pos++] - '0');
        ++digits;
    }
    return digits > 0;
}

void skipBlanks(const std::string& s, size_t& pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
}

// "H:MM[:SS][ AM|PM]" from `pos` to the end.
bool readTime(const std::string& s, size_t pos, int& hh, int& mm, int& ss) {
    int digits = 0;
    ss = 0;
    if (!readNumber(s, pos, 2, hh, digits) || pos >= s.size() || s[pos++] != ':') return false;
    if (!readNumber(s, pos, 2, mm, digits) || digits != 2) return false;
    if (pos < s.size() && s[pos] == ':') {
        ++pos;
        if (!readNumber(s, pos, 2, ss, digits) || digits != 2) return false;
    }
    skipBlanks(s, pos);
    const std::string rest = text::asciiUpper(s.substr(pos));
    if (rest == "AM" || rest == "PM") {
        if (hh < 1 || hh > 12) return false;
        hh = hh % 12 + (rest == "PM" ? 12 : 0);
        return true;
    }
    return rest.empty();
}

} // namespace

bool accessDateLiteral(const std::string& body, std::string& out) {
    const std::string t = trimmed(body);
    int y = 1899, m = 12, d = 30, hh = 0, mm = 0, ss = 0;
    size_t pos = 0;
    int a = 0, b = 0, c = 0, aDigits = 0, bDigits = 0, cDigits = 0;
    const bool dated = readNumber(t, pos, 4, a, aDigits) && pos < t.size() && (t[pos] == '/' || t[pos] == '-');
    if (dated) {
        const char sep = t[pos++];
        if (!readNumber(t, pos, 4, b, bDigits) || pos >= t.size() || t[pos++] != sep || !readNumber(t, pos, 4, c, cDigits))
            return false;
        if (aDigits > 2) {
            y = a, m = b, d = c;  // year-month-day
            if (bDigits > 2 || cDigits > 2) return false;
        } else {
            if (bDigits > 2 || cDigits == 3) return false;
            y = cDigits <= 2 ? (c < 30 ? 2000 + c : 1900 + c) : c;
            m = a, d = b;
            if (!validDate(y, m, d, 0, 0, 0)) std::swap(m, d);  // Access reads it day first then
        }
        if (pos < t.size()) {
            if (t[pos] != ' ' && t[pos] != '\t') return false;
            skipBlanks(t, pos);
            if (!readTime(t, pos, hh, mm, ss)) return false;
        }
    } else if (!readTime(t, 0, hh, mm, ss)) {
        return false;
    }
    if (!validDate(y, m, d, hh, mm, ss)) return false;
    out = formatDate(y, m, d, hh, mm, ss, hh || mm || ss);
    return true;
}

Variant coerceToField(const Variant& value, FieldType type) {
    if (value.isNull()) return value;
    switch (type) {
    case FieldType::AutoInc:
    case FieldType::Integer:
    case FieldType::SmallInt:
    case FieldType::Byte: {
        const int64_t v = value.toInt64();
        if (type == FieldType::SmallInt && (v < -32768 || v > 32767)) mismatch(value.toString(), "коротким целым");
        if (type == FieldType::Byte && (v < 0 || v > 255)) mismatch(value.toString(), "байтом (от 0 до 255)");
        if (type != FieldType::SmallInt && type != FieldType::Byte && (v < INT32_MIN || v > INT32_MAX))
            mismatch(value.toString(), "32-разрядным целым числом");
        return Variant(static_cast<long long>(v));
    }
    case FieldType::Float:
    case FieldType::Currency: return Variant(value.toDouble());
    case FieldType::Boolean: return Variant(value.toBool());
    case FieldType::DateTime: {
        std::string out;
        if (!normaliseDate(value.toString(), out)) mismatch(value.toString(), "датой");
        return Variant(out);
    }
    case FieldType::String:
    case FieldType::Memo:
    case FieldType::Guid: return Variant(value.toString());
    case FieldType::Blob: return value.kind() == ValueKind::Blob ? value : Variant::blob(value.toString());
    case FieldType::Unknown: return value;
    }
    return value;
}

} // namespace upd::db
