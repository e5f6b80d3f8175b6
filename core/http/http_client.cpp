#include "http/http_client.h"

#include "http/http_url.h"
#include "platform/text.h"

#include <curl/curl.h>

#include <charconv>
#include <cstring>
#include <exception>
#include <mutex>
#include <vector>

namespace upd {

namespace {

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string stripLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return std::string(line);
}

std::string headerValue(std::string_view line, size_t nameLength) {
    std::string_view v = line.substr(nameLength);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    return stripLineEnd(v);
}

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void add(const std::string& line) {
        curl_slist* next = curl_slist_append(list, line.c_str());
        if (!next) throw std::bad_alloc();
        list = next;
    }
};

} // namespace

struct HttpClient::Transfer {
    HttpClient& client;
    bool head = false;
    HttpUrl url;
    const HttpBodySink* sink = nullptr;
    uint64_t limit = 0;
    int status = 0;
    std::string statusLine;
    int64_t contentLength = -1;
    std::vector<std::string> setCookies;
    bool working = false;
    int64_t count = 0;
    std::exception_ptr handlerError;

    static size_t onHeader(char* data, size_t size, size_t n, void* self) {
        auto& t = *static_cast<Transfer*>(self);
        try {
            t.header(std::string_view(data, size * n));
        } catch (...) {
            t.handlerError = std::current_exception();
            return 0;
        }
        return size * n;
    }

    static size_t onBody(char* data, size_t size, size_t n, void* self) {
        auto& t = *static_cast<Transfer*>(self);
        if (!t.working) return size * n;  // the body of a failure is read and dropped
        try {
            if (static_cast<uint64_t>(t.count) + size * n > t.limit) throw bodyTooLarge(t.status, t.limit);
            if (t.sink) (*t.sink)(std::string_view(data, size * n));
            t.count += static_cast<int64_t>(size * n);
            if (t.client.OnWork) t.client.OnWork(HttpWorkMode::Read, t.count);
        } catch (...) {
            t.handlerError = std::current_exception();
            return 0;
        }
        return size * n;
    }

    void header(std::string_view line) {
        if (text::startsWithIgnoreCase(line, "HTTP/")) {
            // A new response begins (interim 1xx responses come before the final one).
            statusLine = stripLineEnd(line);
            const size_t sp = statusLine.find(' ');
            status = 0;
            if (sp != std::string::npos)
                std::from_chars(statusLine.data() + sp + 1, statusLine.data() + statusLine.size(), status);
            contentLength = -1;
            setCookies.clear();
        } else if (line == "\r\n" || line == "\n") {
            if (status < 200) return;
            for (const auto& c : setCookies) client.cookies_.store(c, url.hostName, url.path, std::time(nullptr));
            if (!head && status >= 200 && status < 300) {
                // Refused before a byte of it arrives.
                if (contentLength > 0 && static_cast<uint64_t>(contentLength) > limit) throw bodyTooLarge(status, limit);
                working = true;
                if (client.OnWorkBegin) client.OnWorkBegin(HttpWorkMode::Read, contentLength > 0 ? contentLength : 0);
            }
        } else if (text::startsWithIgnoreCase(line, "Set-Cookie:")) {
            setCookies.push_back(headerValue(line, std::strlen("Set-Cookie:")));
        } else if (text::startsWithIgnoreCase(line, "Content-Length:")) {
            const std::string v = headerValue(line, std::strlen("Content-Length:"));
            int64_t n = -1;
            if (std::from_chars(v.data(), v.data() + v.size(), n).ec == std::errc()) contentLength = n;
        }
    }
};

HttpClient::HttpClient(HttpClientSettings settings) : settings_(std::move(settings)) {
    initialiseCurlOnce();
    handle_ = curl_easy_init();
    if (!handle_) throw HttpError(0, "The HTTP library could not be started");
}

HttpClient::~HttpClient() { curl_easy_cleanup(static_cast<CURL*>(handle_)); }

void HttpClient::Head(const std::string& url) { perform(url, true, nullptr, 0); }

int HttpClient::ResponseCode() const { return responseCode_; }

void HttpClient::perform(const std::string& url, bool head, const HttpBodySink* sink, uint64_t limit) {
    CURL* curl = static_cast<CURL*>(handle_);
    Transfer t{*this};
    t.head = head;
    t.sink = sink;
    t.limit = limit;
    contentLength_ = -1;
    t.url = parseHttpUrl(url);

    // curl's own Host, Accept and User-Agent are replaced by these lines, which keeps
    // their order; its cookie engine stays off so that the Cookie line comes last.
    HeaderList headers;
    headers.add("Host: " + t.url.hostHeader);
    headers.add("Accept: " + settings_.accept);
    headers.add("Accept-Encoding: identity");
    headers.add("User-Agent: " + settings_.userAgent);
    const std::string cookie = cookies_.headerFor(t.url.hostName, t.url.path, false, std::time(nullptr));
    if (!cookie.empty()) headers.add("Cookie: " + cookie);

    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");  // no proxy, whatever the environment says
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, settings_.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, settings_.stallTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    if (head) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    } else {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    }

    const CURLcode rc = curl_easy_perform(curl);
    // The handle outlives this call; nothing of it may point into this frame afterwards.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);

    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    responseCode_ = static_cast<int>(code);

    if (t.handlerError) std::rethrow_exception(t.handlerError);
    if (rc != CURLE_OK)
        throw HttpError(0, errorText[0] ? std::string(errorText) : std::string(curl_easy_strerror(rc)));
    if (t.status < 200 || t.status >= 300) throw HttpError(t.status, t.statusLine);
    contentLength_ = t.contentLength;
    if (t.working && OnWorkEnd) OnWorkEnd(HttpWorkMode::Read);
}

} // namespace upd
