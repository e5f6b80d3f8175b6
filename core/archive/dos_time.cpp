#include "archive/dos_time.h"

#include "platform/local_time.h"

namespace upd {

std::optional<time_t> dosDateTimeToUnix(uint16_t date, uint16_t time) {
    const int day = date & 0x1F;
    const int month = (date >> 5) & 0x0F;
    const int year = 1980 + (date >> 9);
    const int seconds = (time & 0x1F) * 2;
    const int minutes = (time >> 5) & 0x3F;
    const int hours = time >> 11;
    if (day < 1 || month < 1 || month > 12 || hours > 23 || minutes > 59 || seconds > 59) return std::nullopt;
    // Many entries share a time stamp; mktime takes the time-zone lock, so remember the last.
    thread_local uint32_t lastKey = 0;
    thread_local time_t lastValue = 0;
    const uint32_t key = (static_cast<uint32_t>(date) << 16) | time;
    if (key == lastKey && key != 0) return lastValue;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hours;
    tm.tm_min = minutes;
    tm.tm_sec = seconds;
    tm.tm_isdst = -1;
    const time_t t = std::mktime(&tm);
    if (t == static_cast<time_t>(-1)) return std::nullopt;
    if (tm.tm_mday != day || tm.tm_mon != month - 1) return std::nullopt;  // 31 February and the like
    lastKey = key;
    lastValue = t;
    return t;
}

int32_t unixToDosDateTime(time_t t) {
    const std::tm tm = files::localTime(t);
    if (tm.tm_year < 80) return (1 << 5 | 1) << 16;  // 1 January 1980
    const uint32_t date = static_cast<uint32_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    const uint32_t time = static_cast<uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return static_cast<int32_t>((date << 16) | time);
}

} // namespace upd
