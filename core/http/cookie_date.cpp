#include "http/cookie_date.h"

#include "platform/text.h"

#include <array>
#include <cstdint>
#include <vector>

namespace upd {

namespace {

bool isDelimiter(unsigned char c) {
    return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
           (c >= 0x7B && c <= 0x7E);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// 1 to `most` digits at `pos`, at least `least`; then the token ends or a non-digit follows.
std::optional<int> digits(std::string_view token, size_t& pos, size_t least, size_t most) {
    size_t n = 0;
    int value = 0;
    while (pos + n < token.size() && isDigit(token[pos + n]) && n < most) value = value * 10 + (token[pos + n++] - '0');
    if (n < least || (pos + n < token.size() && isDigit(token[pos + n]))) return std::nullopt;
    pos += n;
    return value;
}

bool parseTime(std::string_view token, int& h, int& m, int& s) {
    size_t pos = 0;
    const auto hh = digits(token, pos, 1, 2);
    if (!hh || pos >= token.size() || token[pos++] != ':') return false;
    const auto mm = digits(token, pos, 1, 2);
    if (!mm || pos >= token.size() || token[pos++] != ':') return false;
    const auto ss = digits(token, pos, 1, 2);
    if (!ss) return false;
    h = *hh;
    m = *mm;
    s = *ss;
    return true;
}

std::optional<int> leadingNumber(std::string_view token, size_t least, size_t most) {
    size_t pos = 0;
    return digits(token, pos, least, most);
}

int monthOf(std::string_view token) {
    static constexpr std::array<const char*, 12> names = {"jan", "feb", "mar", "apr", "may", "jun",
                                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    if (token.size() < 3) return 0;
    const std::string head = text::asciiLower(std::string(token.substr(0, 3)));
    for (size_t i = 0; i < names.size(); ++i)
        if (head == names[i]) return static_cast<int>(i) + 1;
    return 0;
}

bool leapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int64_t year, int month) {
    static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : days[static_cast<size_t>(month - 1)];
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

} // namespace

std::optional<std::time_t> parseCookieDate(std::string_view text) {
    std::vector<std::string_view> tokens;
    for (size_t i = 0; i < text.size();) {
        while (i < text.size() && isDelimiter(static_cast<unsigned char>(text[i]))) ++i;
        const size_t start = i;
        while (i < text.size() && !isDelimiter(static_cast<unsigned char>(text[i]))) ++i;
        if (i > start) tokens.push_back(text.substr(start, i - start));
    }
    bool haveTime = false;
    int hour = 0, minute = 0, second = 0;
    std::optional<int> day, year;
    int month = 0;
    for (const std::string_view token : tokens) {
        if (!haveTime && parseTime(token, hour, minute, second)) {
            haveTime = true;
        } else if (!day && (day = leadingNumber(token, 1, 2))) {
        } else if (!month && (month = monthOf(token))) {
        } else if (!year) {
            year = leadingNumber(token, 2, 4);
        }
    }
    if (!haveTime || !day || !month || !year) return std::nullopt;
    int y = *year;
    if (y >= 70 && y <= 99) y += 1900;
    if (y >= 0 && y <= 69) y += 2000;
    if (y < 1601 || hour > 23 || minute > 59 || second > 59 || *day < 1 || *day > daysInMonth(y, month))
        return std::nullopt;
    const int64_t seconds = daysFromCivil(y, month, *day) * 86400 + hour * 3600 + minute * 60 + second;
    return static_cast<std::time_t>(seconds);
}

} // namespace upd
