#include "http/http_url.h"

#include "http/http_client.h"
#include "platform/scope_guard.h"

#include <curl/curl.h>

namespace upd {

HttpUrl parseHttpUrl(const std::string& url) {
    CURLU* const handle = curl_url();
    ScopeGuard cleanup([handle] { curl_url_cleanup(handle); });
    if (!handle || curl_url_set(handle, CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        throw HttpError(0, "Invalid URL: " + url);
    const auto part = [&](CURLUPart which, unsigned flags = 0) -> std::string {
        char* value = nullptr;
        if (curl_url_get(handle, which, &value, flags) != CURLUE_OK || !value) return {};
        std::string s(value);
        curl_free(value);
        return s;
    };
    if (part(CURLUPART_SCHEME) != "http") throw HttpError(0, "Only http URLs are served: " + url);
    if (!part(CURLUPART_USER).empty() || !part(CURLUPART_PASSWORD).empty())
        throw HttpError(0, "URLs with credentials are not served: " + url);
    HttpUrl parts;
    parts.hostName = part(CURLUPART_HOST);
    if (parts.hostName.empty()) throw HttpError(0, "Invalid URL: " + url);
    const std::string port = part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
    parts.hostHeader = port == "80" ? parts.hostName : parts.hostName + ":" + port;
    parts.path = part(CURLUPART_PATH);
    const std::string query = part(CURLUPART_QUERY);
    if (!query.empty()) parts.path += "?" + query;
    return parts;
}

} // namespace upd
