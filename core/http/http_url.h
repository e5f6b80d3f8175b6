// The parts of an http URL that a request head and the cookies need.
#pragma once

#include <string>

namespace upd {

struct HttpUrl {
    std::string hostHeader;  // the Host line's value: the port only when it is not 80
    std::string hostName;    // as the URL writes it, IPv6 addresses in brackets
    std::string path;        // path and query, as the request line writes them
    unsigned port = 80;
};

// Throws HttpError (status 0) for a malformed URL, another scheme than http, or a URL
// that carries credentials.
HttpUrl parseHttpUrl(const std::string& url);

} // namespace upd
