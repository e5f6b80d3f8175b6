#include "http/http_client.h"

#include "http/http_url.h"
#include "platform/text.h"

#include <windows.h>
#include <wininet.h>

#include <charconv>
#include <optional>
#include <utility>

namespace upd {

namespace {

// One owning type for a WinINet handle (session, connection or request).
class InternetHandle {
public:
    InternetHandle() = default;
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_) InternetCloseHandle(handle_);
    }
    InternetHandle(InternetHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    InternetHandle& operator=(InternetHandle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HINTERNET handle_ = nullptr;
};

std::wstring wide(std::string_view utf8) {
    const std::u16string u16 = text::toU16(utf8);
    return std::wstring(u16.begin(), u16.end());
}

std::string narrow(std::wstring_view utf16) { return text::fromU16(std::u16string(utf16.begin(), utf16.end())); }

// The last error of WinINet or the system, as a sentence for HttpError.
std::string lastError(const std::string& what) {
    const DWORD code = GetLastError();
    wchar_t buffer[512] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, GetModuleHandleW(L"wininet.dll"),
                             code, 0, buffer, 512, nullptr);
    if (n == 0)
        n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer, 512,
                           nullptr);
    std::string message = narrow(std::wstring_view(buffer, n));
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return what + ": " + (message.empty() ? "error " + std::to_string(code) : message);
}

// One response header (the index-th of its kind), or nothing when the response has none.
std::optional<std::string> queryHeader(HINTERNET request, DWORD info, DWORD index = 0) {
    std::wstring buffer(256, L'\0');
    for (;;) {
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        DWORD at = index;
        if (HttpQueryInfoW(request, info, buffer.data(), &bytes, &at)) {
            buffer.resize(bytes / sizeof(wchar_t));
            return narrow(buffer);
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        buffer.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    }
}

void addHeader(HINTERNET request, const std::string& line) {
    const std::wstring w = wide(line + "\r\n");
    // REPLACE: a header WinINet put in by itself (Host) keeps its place and takes our value.
    if (!HttpAddRequestHeadersW(request, w.c_str(), static_cast<DWORD>(w.size()),
                                HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
        throw HttpError(0, lastError("The request header could not be set"));
}

void setTimeout(HINTERNET handle, DWORD option, long milliseconds) {
    DWORD value = milliseconds > 0 ? static_cast<DWORD>(milliseconds) : 0;
    InternetSetOptionW(handle, option, &value, sizeof value);
}

} // namespace

HttpClient::HttpClient(HttpClientSettings settings) : settings_(std::move(settings)) {
    // No agent: the User-Agent line is ours, in its place. No proxy, whatever the system says.
    handle_ = InternetOpenW(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!handle_) throw HttpError(0, lastError("The HTTP library could not be started"));
}

HttpClient::~HttpClient() { InternetCloseHandle(static_cast<HINTERNET>(handle_)); }

void HttpClient::Head(const std::string& url) { perform(url, true, nullptr, 0); }

int HttpClient::ResponseCode() const { return responseCode_; }

void HttpClient::perform(const std::string& url, bool head, const HttpBodySink* sink, uint64_t limit) {
    const HttpUrl parts = parseHttpUrl(url);
    responseCode_ = 0;
    contentLength_ = -1;
    std::string host = parts.hostName;
    if (host.size() > 2 && host.front() == '[') host = host.substr(1, host.size() - 2);

    // The connection handle is only an address: WinINet keeps the open connection itself,
    // for this session, between requests to the same server.
    InternetHandle connection(InternetConnectW(static_cast<HINTERNET>(handle_), wide(host).c_str(),
                                               static_cast<INTERNET_PORT>(parts.port), nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) throw HttpError(0, lastError("No connection to " + parts.hostHeader));
    setTimeout(connection.get(), INTERNET_OPTION_CONNECT_TIMEOUT, settings_.connectTimeoutMs);
    setTimeout(connection.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, settings_.stallTimeoutSeconds * 1000);
    setTimeout(connection.get(), INTERNET_OPTION_SEND_TIMEOUT, settings_.stallTimeoutSeconds * 1000);

    // Nothing of WinINet's own: no cookies, no cache, no dialogs, no redirects followed.
    const DWORD flags = INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD |
                        INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_AUTH;
    InternetHandle request(HttpOpenRequestW(connection.get(), head ? L"HEAD" : L"GET", wide(parts.path).c_str(),
                                            L"HTTP/1.1", nullptr, nullptr, flags, 0));
    if (!request) throw HttpError(0, lastError("The request could not be made"));
    setTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, settings_.stallTimeoutSeconds * 1000);

    addHeader(request.get(), "Host: " + parts.hostHeader);
    addHeader(request.get(), "Accept: " + settings_.accept);
    addHeader(request.get(), "Accept-Encoding: identity");
    addHeader(request.get(), "User-Agent: " + settings_.userAgent);
    const std::string cookie = cookies_.headerFor(parts.hostName, parts.path, false, std::time(nullptr));
    if (!cookie.empty()) addHeader(request.get(), "Cookie: " + cookie);

    // WinINet gives a request of another verb than GET a Content-Length and, with
    // NO_CACHE_WRITE, a Cache-Control line; an empty value in the last word removes them.
    const std::wstring removed = head ? L"Content-Length:\r\nCache-Control:\r\n" : L"";
    if (!HttpSendRequestW(request.get(), removed.empty() ? nullptr : removed.c_str(), static_cast<DWORD>(removed.size()),
                          nullptr, 0))
        throw HttpError(0, lastError("The request to " + parts.hostHeader + " failed"));

    DWORD status = 0;
    DWORD size = sizeof status;
    DWORD index = 0;
    if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &index))
        throw HttpError(0, lastError("No status in the response of " + parts.hostHeader));
    // WinINet takes an answer without a status line for HTTP/0.9 and makes up
    // "HTTP/1.0 200 OK" with no header at all; such an answer is refused, as libcurl does.
    const std::string raw = queryHeader(request.get(), HTTP_QUERY_RAW_HEADERS_CRLF).value_or("");
    const size_t firstLineEnd = raw.find("\r\n");
    if (queryHeader(request.get(), HTTP_QUERY_VERSION) == "HTTP/1.0" &&
        (firstLineEnd == std::string::npos || raw.compare(firstLineEnd, 4, "\r\n\r\n") == 0 ||
         firstLineEnd + 2 >= raw.size()))
        throw HttpError(0, "Received HTTP/0.9 when not allowed");
    responseCode_ = static_cast<int>(status);
    const std::string statusLine = queryHeader(request.get(), HTTP_QUERY_VERSION).value_or("HTTP/1.1") + " " +
                                   std::to_string(status) + " " +
                                   queryHeader(request.get(), HTTP_QUERY_STATUS_TEXT).value_or("");

    for (DWORD i = 0;; ++i) {
        const auto setCookie = queryHeader(request.get(), HTTP_QUERY_SET_COOKIE, i);
        if (!setCookie) break;
        cookies_.store(*setCookie, parts.hostName, parts.path, std::time(nullptr));
    }
    int64_t contentLength = -1;
    if (const auto value = queryHeader(request.get(), HTTP_QUERY_CONTENT_LENGTH)) {
        int64_t n = -1;
        if (std::from_chars(value->data(), value->data() + value->size(), n).ec == std::errc()) contentLength = n;
    }

    const bool success = status >= 200 && status < 300;
    const bool working = success && !head;
    // Refused before a byte of it arrives.
    if (working && contentLength > 0 && static_cast<uint64_t>(contentLength) > limit)
        throw bodyTooLarge(static_cast<int>(status), limit);
    if (working && OnWorkBegin) OnWorkBegin(HttpWorkMode::Read, contentLength > 0 ? contentLength : 0);
    int64_t count = 0;
    if (!head) {
        char buffer[65536];
        for (;;) {
            DWORD got = 0;
            if (!InternetReadFile(request.get(), buffer, sizeof buffer, &got))
                throw HttpError(0, lastError("The response of " + parts.hostHeader + " broke off"));
            if (got == 0) break;
            if (!working) continue;  // the body of a failure is read and dropped
            if (static_cast<uint64_t>(count) + got > limit) throw bodyTooLarge(static_cast<int>(status), limit);
            if (sink) (*sink)(std::string_view(buffer, got));
            count += got;
            if (OnWork) OnWork(HttpWorkMode::Read, count);
        }
    }
    if (working && contentLength >= 0 && count != contentLength)
        throw HttpError(0, "transfer closed with " + std::to_string(contentLength - count) + " bytes remaining to read");
    if (!success) throw HttpError(static_cast<int>(status), statusLine);
    contentLength_ = contentLength;
    if (working && OnWorkEnd) OnWorkEnd(HttpWorkMode::Read);
}

} // namespace upd
