#include "download/internet_connection.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>

namespace upd {

namespace {

std::string readAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A field that is no hexadecimal number gives 0: no flags, so no usable route.
unsigned long hexValue(const std::string& s) {
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
    return ec == std::errc{} && end == s.data() + s.size() ? value : 0;
}

bool usableRoute(unsigned long flags) { return (flags & RTF_UP) && !(flags & RTF_REJECT); }

} // namespace

bool connectedByRoutes(const std::set<std::string>& upInterfaces, std::string_view ipv4Routes,
                       std::string_view ipv6Routes) {
    std::istringstream v4{std::string(ipv4Routes)};
    std::string line;
    std::getline(v4, line);  // the column titles
    while (std::getline(v4, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags;
        if (!(fields >> iface >> destination >> gateway >> flags)) continue;
        if (upInterfaces.count(iface) && usableRoute(hexValue(flags))) return true;
    }
    std::istringstream v6{std::string(ipv6Routes)};
    while (std::getline(v6, line)) {
        std::istringstream fields(line);
        std::string destination, destLength, source, sourceLength, nextHop, metric, refs, use, flags, iface;
        if (!(fields >> destination >> destLength >> source >> sourceLength >> nextHop >> metric >> refs >> use >>
              flags >> iface))
            continue;
        if (destination.compare(0, 4, "fe80") == 0 || destination.compare(0, 2, "ff") == 0) continue;
        if (upInterfaces.count(iface) && usableRoute(hexValue(flags))) return true;
    }
    return false;
}

bool internetConnected() {
    std::set<std::string> up;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        const unsigned flags = a->ifa_flags;
        if ((flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK)) up.insert(a->ifa_name);
    }
    ::freeifaddrs(list);
    if (up.empty()) return false;
    return connectedByRoutes(up, readAll("/proc/net/route"), readAll("/proc/net/ipv6_route"));
}

} // namespace upd
