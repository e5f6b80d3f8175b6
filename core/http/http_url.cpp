#include "http/http_url.h"

#include "http/http_client.h"
#include "platform/text.h"

#include <vector>

namespace upd {

namespace {

// Nothing that could break the request line or the Host line gets through.
bool printableAscii(std::string_view s) {
    for (const char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F) return false;
    }
    return true;
}

bool validHostName(std::string_view host) {
    if (host.empty()) return false;
    if (host.front() == '[')
        return host.size() > 2 && host.back() == ']' &&
               host.substr(1, host.size() - 2).find_first_not_of("0123456789abcdefABCDEF:.") == std::string_view::npos;
    return host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~%") ==
           std::string_view::npos;
}

// "." and ".." segments resolved, as a browser would before sending the path.
std::string withoutDotSegments(std::string_view path) {
    std::vector<std::string_view> kept;
    size_t pos = 1;  // past the leading '/'
    bool trailingSlash = false;
    while (pos <= path.size()) {
        const size_t end = std::min(path.find('/', pos), path.size());
        const std::string_view segment = path.substr(pos, end - pos);
        trailingSlash = segment == "." || segment == "..";
        if (segment == "..") {
            if (!kept.empty()) kept.pop_back();
        } else if (segment != ".") {
            kept.push_back(segment);
        }
        pos = end + 1;
    }
    std::string out;
    for (const auto& s : kept) out += "/" + std::string(s);
    if (trailingSlash || out.empty()) out += "/";
    return out;
}

} // namespace

HttpUrl parseHttpUrl(const std::string& url) {
    if (!printableAscii(url)) throw HttpError(0, "Invalid URL: " + url);
    const size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string::npos || schemeEnd == 0) throw HttpError(0, "Invalid URL: " + url);
    if (text::asciiLower(url.substr(0, schemeEnd)) != "http") throw HttpError(0, "Only http URLs are served: " + url);

    std::string_view rest(url);
    rest.remove_prefix(schemeEnd + 3);
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    rest.remove_prefix(authority.size());
    if (authority.find('@') != std::string_view::npos) throw HttpError(0, "URLs with credentials are not served: " + url);

    // The port follows the last ':' outside an IPv6 address's brackets.
    const size_t bracket = authority.rfind(']');
    const size_t colon = authority.find(':', bracket == std::string_view::npos ? 0 : bracket);
    const std::string_view host = authority.substr(0, colon);
    std::string_view port = colon == std::string_view::npos ? std::string_view() : authority.substr(colon + 1);
    if (!validHostName(host)) throw HttpError(0, "Invalid URL: " + url);
    if (port.empty()) port = "80";
    unsigned long number = 0;
    for (const char c : port) {
        if (c < '0' || c > '9' || number > 65535) throw HttpError(0, "Invalid URL: " + url);
        number = number * 10 + static_cast<unsigned long>(c - '0');
    }
    if (number == 0 || number > 65535) throw HttpError(0, "Invalid URL: " + url);

    HttpUrl parts;
    parts.hostName = std::string(host);
    parts.port = static_cast<unsigned>(number);
    parts.hostHeader = number == 80 ? parts.hostName : parts.hostName + ":" + std::to_string(number);
    rest = rest.substr(0, rest.find('#'));
    const size_t question = rest.find('?');
    const std::string_view path = rest.substr(0, question);
    parts.path = path.empty() ? std::string("/") : withoutDotSegments(path);
    if (question != std::string_view::npos && question + 1 < rest.size()) parts.path += rest.substr(question);
    return parts;
}

} // namespace upd
