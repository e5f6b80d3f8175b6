// What the clients of both platforms share: the GET variants over perform, and the error of
// a body past its limit.
#include "http/http_client.h"

namespace upd {

HttpError bodyTooLarge(int status, uint64_t limit) {
    return HttpError(status, "The response's body is larger than " + std::to_string(limit) + " bytes");
}

void HttpClient::Get(const std::string& url, std::string& body) {
    std::string received;
    const HttpBodySink sink = [&](std::string_view piece) { received.append(piece); };
    perform(url, false, &sink, kHttpMemoryBodyLimit);
    body = std::move(received);
}

void HttpClient::Get(const std::string& url, const HttpBodySink& sink, uint64_t limit) {
    perform(url, false, &sink, limit);
}

} // namespace upd
