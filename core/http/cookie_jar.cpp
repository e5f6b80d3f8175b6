#include "http/cookie_jar.h"

#include "http/cookie_date.h"
#include "platform/text.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace upd {

namespace {

std::string trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

// Such a cookie could not be sent back without breaking the request head.
bool hasControl(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && u != '\t') || u == 0x7F;
    });
}

bool isIpAddress(const std::string& host) {
    if (!host.empty() && host.front() == '[') return true;
    return !host.empty() && host.find_first_not_of("0123456789.") == std::string::npos;
}

bool domainMatch(const std::string& host, const std::string& domain) {
    if (host == domain) return true;
    return !isIpAddress(host) && host.size() > domain.size() &&
           host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
           host[host.size() - domain.size() - 1] == '.';
}

bool pathMatch(const std::string& requestPath, const std::string& cookiePath) {
    if (requestPath == cookiePath) return true;
    if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
    return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

std::string defaultPath(const std::string& requestPath) {
    if (requestPath.empty() || requestPath.front() != '/') return "/";
    const size_t last = requestPath.rfind('/');
    return last == 0 ? "/" : requestPath.substr(0, last);
}

} // namespace

void CookieJar::store(const std::string& setCookie, const std::string& host, const std::string& path,
                      std::time_t now) {
    const std::string requestHost = text::asciiLower(host);
    std::string_view rest(setCookie);
    const size_t semi = rest.find(';');
    const std::string_view pair = rest.substr(0, semi);
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    const size_t eq = pair.find('=');
    if (eq == std::string_view::npos) return;

    Cookie cookie;
    cookie.name = trim(pair.substr(0, eq));
    cookie.value = trim(pair.substr(eq + 1));
    if (cookie.name.empty() || hasControl(cookie.name) || hasControl(cookie.value)) return;

    bool haveMaxAge = false;
    std::string domain;
    std::string cookiePath;
    while (!rest.empty()) {
        const size_t next = rest.find(';');
        const std::string_view av = rest.substr(0, next);
        rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        const size_t aeq = av.find('=');
        const std::string key = text::asciiLower(trim(av.substr(0, aeq)));
        const std::string val = aeq == std::string_view::npos ? std::string() : trim(av.substr(aeq + 1));
        if (key == "expires" && !haveMaxAge) {
            if (const auto t = parseCookieDate(val)) {
                cookie.persistent = true;
                cookie.expires = *t;
            }
        } else if (key == "max-age") {
            long long seconds = 0;
            const auto [p, ec] = std::from_chars(val.data(), val.data() + val.size(), seconds);
            if (ec != std::errc() || p != val.data() + val.size() || val.empty()) continue;
            haveMaxAge = true;
            cookie.persistent = true;
            const long long room = std::numeric_limits<std::time_t>::max() - now;
            cookie.expires = seconds <= 0 ? 0 : (seconds > room ? std::numeric_limits<std::time_t>::max() : now + seconds);
        } else if (key == "domain") {
            domain = text::asciiLower(val);
            if (!domain.empty() && domain.front() == '.') domain.erase(0, 1);
        } else if (key == "path") {
            cookiePath = val;
        } else if (key == "secure") {
            cookie.secure = true;
        }
    }

    if (domain.empty()) {
        cookie.domain = requestHost;
    } else {
        if (!domainMatch(requestHost, domain)) return;
        cookie.domain = domain;
        cookie.hostOnly = false;
    }
    cookie.path = !cookiePath.empty() && cookiePath.front() == '/' ? cookiePath : defaultPath(path);

    const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) {
        return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
    });
    const bool expired = cookie.persistent && cookie.expires <= now;
    if (same != cookies_.end()) {
        if (expired) {
            cookies_.erase(same);
            return;
        }
        cookie.creation = same->creation;
        *same = std::move(cookie);
        return;
    }
    if (expired) return;
    cookie.creation = ++arrivals_;
    cookies_.push_back(std::move(cookie));
}

std::string CookieJar::headerFor(const std::string& host, const std::string& path, bool secureChannel,
                                 std::time_t now) const {
    const std::string requestHost = text::asciiLower(host);
    const std::string requestPath = path.empty() ? "/" : path.substr(0, path.find('?'));
    std::vector<const Cookie*> chosen;
    for (const Cookie& c : cookies_) {
        if (c.persistent && c.expires <= now) continue;
        if (c.secure && !secureChannel) continue;
        if (c.hostOnly ? requestHost != c.domain : !domainMatch(requestHost, c.domain)) continue;
        if (!pathMatch(requestPath, c.path)) continue;
        chosen.push_back(&c);
    }
    std::stable_sort(chosen.begin(), chosen.end(), [](const Cookie* a, const Cookie* b) {
        if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
        return a->creation < b->creation;
    });
    std::string header;
    for (const Cookie* c : chosen) {
        if (!header.empty()) header += "; ";
        header += c->name + "=" + c->value;
    }
    return header;
}

} // namespace upd
