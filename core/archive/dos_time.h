// DOS date and time words, read as local time.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>

namespace upd {

// The moment a DOS date/time names in local time; none for an invalid date or time.
std::optional<time_t> dosDateTimeToUnix(uint16_t date, uint16_t time);
// The DOS date (high 16 bits) and time (low 16 bits) of a moment in local time.
int32_t unixToDosDateTime(time_t t);

} // namespace upd
