// The calendar fields of a moment in the local time zone, from any thread.
#pragma once

#include <ctime>

namespace upd::files {

std::tm localTime(std::time_t t);

} // namespace upd::files
