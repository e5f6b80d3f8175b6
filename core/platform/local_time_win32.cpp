#include "platform/local_time.h"

namespace upd::files {

std::tm localTime(std::time_t t) {
    std::tm tm{};
    // The CRT's thread-safe form; a moment before 1970 leaves the fields zero.
    ::localtime_s(&tm, &t);
    return tm;
}

} // namespace upd::files
