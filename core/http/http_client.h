// A small HTTP/1.1 client (libcurl on Linux, WinINet on Windows): GET into memory and HEAD,
// with the request head written in a fixed order, cookies kept for the client's life, connections kept alive
// unless the server says "Connection: close", redirects not followed, and work events
// while a body arrives.
#pragma once

#include "http/cookie_jar.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace upd {

inline constexpr const char* kHttpDefaultAccept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
inline constexpr const char* kHttpDefaultUserAgent = "Mozilla/3.0 (compatible; Update Library)";

enum class HttpWorkMode { Read, Write };

// Receives a success response's body piece by piece as it arrives; what it throws ends the
// request and reaches the caller.
using HttpBodySink = std::function<void(std::string_view piece)>;

// A body read into memory larger than this ends its request: a server must not be able to
// fill the process's memory.
inline constexpr uint64_t kHttpMemoryBodyLimit = 64ull << 20;

struct HttpClientSettings {
    std::string accept = kHttpDefaultAccept;
    std::string userAgent = kHttpDefaultUserAgent;
    // A server that takes no connection in this time, or sends nothing for the stall time
    // while a response is due, ends the request with an error instead of blocking for ever.
    long connectTimeoutMs = 30000;
    long stallTimeoutSeconds = 60;
};

// A failed request: `status` is the response's status code, or 0 when no response came.
class HttpError : public std::runtime_error {
public:
    HttpError(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

class HttpClient {
public:
    explicit HttpClient(HttpClientSettings settings = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Return normally for a success status (2xx); any other outcome throws HttpError.
    void Head(const std::string& url);
    // `body` receives the response's body only when the request succeeds; a body larger
    // than kHttpMemoryBodyLimit fails the request.
    void Get(const std::string& url, std::string& body);
    // Streams the body of a success response to `sink`. A body larger than `limit` bytes,
    // whether its Content-Length says so or it keeps coming, ends the request with an
    // HttpError as soon as that is known; the sink never receives more than `limit` bytes.
    void Get(const std::string& url, const HttpBodySink& sink, uint64_t limit);

    // The Content-Length of the last success response (of a HEAD too); -1 when it had none.
    int64_t ContentLength() const { return contentLength_; }

    // Status code of the last response (0 before any).
    int ResponseCode() const;

    HttpClientSettings& settings() { return settings_; }
    const CookieJar& cookies() const { return cookies_; }

    // Raised while a success response's body arrives: once with the expected total (the
    // response's Content-Length, 0 when it has none), then with the running count, then
    // at its end.
    std::function<void(HttpWorkMode, int64_t workCountMax)> OnWorkBegin;
    std::function<void(HttpWorkMode, int64_t workCount)> OnWork;
    std::function<void(HttpWorkMode)> OnWorkEnd;

private:
    struct Transfer;
    void perform(const std::string& url, bool head, const HttpBodySink* sink, uint64_t limit);

    HttpClientSettings settings_;
    CookieJar cookies_;
    // One library handle for the client's life (libcurl's easy handle, or the WinINet
    // session): it keeps the open connection.
    void* handle_ = nullptr;
    int responseCode_ = 0;
    int64_t contentLength_ = -1;
};

// The error of a body larger than its request allows.
HttpError bodyTooLarge(int status, uint64_t limit);

} // namespace upd
