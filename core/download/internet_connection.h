// Whether the system reports an internet connection, as the download asks before it starts.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace upd {

// Linux: true when some interface other than the loopback is up and running and carries a
// route (IPv4, or IPv6 beyond link-local and multicast). Windows: what the system's own
// InternetGetConnectedState says.
bool internetConnected();

#ifndef _WIN32
// The decision on given tables: the names of the up, running, non-loopback interfaces and
// the texts of /proc/net/route and /proc/net/ipv6_route.
bool connectedByRoutes(const std::set<std::string>& upInterfaces, std::string_view ipv4Routes,
                       std::string_view ipv6Routes);
#endif

} // namespace upd
