// The date of a cookie's "Expires" attribute, read by the algorithm of RFC 6265 (5.1.1):
// the forms servers send (RFC 1123, RFC 850, asctime) all pass, and every date is UTC.
#pragma once

#include <ctime>
#include <optional>
#include <string_view>

namespace upd {

// Seconds since 1970 (negative before), or nothing for a text that is no date.
std::optional<std::time_t> parseCookieDate(std::string_view text);

} // namespace upd
