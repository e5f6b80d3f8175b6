#include "platform/local_time.h"

namespace upd::files {

std::tm localTime(std::time_t t) {
    std::tm tm{};
    ::localtime_r(&t, &tm);
    return tm;
}

} // namespace upd::files
