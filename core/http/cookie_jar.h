// The cookies an HTTP client keeps for its life: taken from "Set-Cookie" response
// headers and sent back on later requests to matching URLs (the rules of RFC 6265,
// without a public-suffix list).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace upd {

struct Cookie {
    std::string name;
    std::string value;
    std::string domain;  // lower case, no leading full stop
    std::string path;
    bool hostOnly = true;
    bool secure = false;
    bool persistent = false;
    std::time_t expires = 0;  // meaningful when persistent
    uint64_t creation = 0;    // order of arrival
};

class CookieJar {
public:
    // Stores (or replaces, or with a past expiry removes) the cookie of one header value
    // received for a request to `host` and `path`. Malformed values are ignored.
    void store(const std::string& setCookie, const std::string& host, const std::string& path, std::time_t now);

    // The "Cookie" header value for a request, empty when no cookie matches: longer
    // paths first, then the earlier cookie.
    std::string headerFor(const std::string& host, const std::string& path, bool secureChannel,
                          std::time_t now) const;

    const std::vector<Cookie>& cookies() const { return cookies_; }
    void clear() { cookies_.clear(); }

private:
    std::vector<Cookie> cookies_;
    uint64_t arrivals_ = 0;
};

} // namespace upd
