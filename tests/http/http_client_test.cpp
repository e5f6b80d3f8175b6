#include "http/http_client.h"
#include "http/http_url.h"
#include "loopback_http_server.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <curl/curl.h>
#endif

namespace upd::testing {
namespace {

constexpr const char* kPath = "/sites/default/files/Kavertadoc/ver_1_3.zip";

HttpClientSettings quickSettings() {
    HttpClientSettings s;
    s.connectTimeoutMs = 5000;
    s.stallTimeoutSeconds = 10;
    return s;
}

std::string expectedHead(const std::string& method, const std::string& hostPort, const std::string& cookie = {}) {
    std::string head = method + " " + kPath + " HTTP/1.1\r\n" + "Host: " + hostPort + "\r\n" +
                       "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n" +
                       "Accept-Encoding: identity\r\n" + "User-Agent: Mozilla/3.0 (compatible; Update Library)\r\n";
    if (!cookie.empty()) head += "Cookie: " + cookie + "\r\n";
    return head + "\r\n";
}

TEST(HttpClient, RequestHeadsAreExactAndTheConnectionIsKeptAlive) {
    LoopbackHttpServer server([](const RecordedRequest&) { return CannedResponse{200, "OK", {}, "body"}; });
    HttpClient client(quickSettings());
    std::string body;
    client.Head(server.url(kPath));
    client.Get(server.url(kPath), body);
    client.Get(server.url(kPath), body);

    EXPECT_EQ(body, "body");
    EXPECT_EQ(client.ResponseCode(), 200);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].head, expectedHead("HEAD", server.hostPort()));
    EXPECT_EQ(requests[1].head, expectedHead("GET", server.hostPort()));
    EXPECT_EQ(requests[2].head, expectedHead("GET", server.hostPort()));
    for (const auto& r : requests) EXPECT_EQ(r.connection, 1);
}

TEST(HttpClient, ConnectionCloseStartsANewConnection) {
    LoopbackHttpServer server([](const RecordedRequest&) {
        CannedResponse r{200, "OK", {}, "x"};
        r.close = true;
        return r;
    });
    HttpClient client(quickSettings());
    std::string body;
    client.Get(server.url(kPath), body);
    client.Get(server.url(kPath), body);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].connection, 1);
    EXPECT_EQ(requests[1].connection, 2);
}

TEST(HttpClient, CookiesAreSentBackByTheSameClientOnly) {
    LoopbackHttpServer server([](const RecordedRequest& r) {
        CannedResponse resp{200, "OK", {}, "x"};
        if (r.head.find("Cookie:") == std::string::npos)
            resp.headers = {{"Set-Cookie", "sid=abc; Path=/"},
                            {"Set-Cookie", "deep=1; Path=/sites/default"},
                            {"Set-Cookie", "other=2; Path=/elsewhere"},
                            {"Set-Cookie", "gone=3; Max-Age=0"}};
        return resp;
    });
    HttpClient client(quickSettings());
    std::string body;
    client.Get(server.url(kPath), body);
    client.Get(server.url(kPath), body);
    HttpClient separate(quickSettings());
    separate.Head(server.url(kPath));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].head, expectedHead("GET", server.hostPort()));
    EXPECT_EQ(requests[1].head, expectedHead("GET", server.hostPort(), "deep=1; sid=abc"));
    EXPECT_EQ(requests[2].head, expectedHead("HEAD", server.hostPort()));
}

TEST(HttpClient, FailuresThrowWithTheStatusAndLeaveTheBufferAlone) {
    struct Case {
        CannedResponse response;
        int status;
    };
    const std::vector<Case> cases = {
        {{404, "Not Found", {}, "missing"}, 404},
        {{500, "Internal Server Error", {}, ""}, 500},
        {{302, "Found", {{"Location", "/elsewhere"}}, ""}, 302},  // not followed
        {{0, "", {}, "", true, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nshort"}, 0},
        {{0, "", {}, "", true, "garbage\r\n\r\n"}, 0},
    };
    for (const auto& c : cases) {
        LoopbackHttpServer server([&](const RecordedRequest&) { return c.response; });
        HttpClient client(quickSettings());
        int events = 0;
        client.OnWorkBegin = [&](HttpWorkMode, int64_t) { ++events; };
        std::string body = "earlier";
        try {
            client.Get(server.url(kPath), body);
            ADD_FAILURE() << "no error for status " << c.status;
        } catch (const HttpError& e) {
            EXPECT_EQ(e.status(), c.status);
        }
        EXPECT_EQ(body, "earlier");
        EXPECT_EQ(server.requests().size(), 1u);
        if (c.status != 0) {
            EXPECT_EQ(events, 0);
        }
    }
}

TEST(HttpClient, NoServerIsAnError) {
    int port;
    {
        LoopbackHttpServer closed([](const RecordedRequest&) { return CannedResponse{}; });
        port = closed.port();
    }
    HttpClient client(quickSettings());
    try {
        client.Head("http://127.0.0.1:" + std::to_string(port) + kPath);
        ADD_FAILURE() << "no error";
    } catch (const HttpError& e) {
        EXPECT_EQ(e.status(), 0);
    }
}

TEST(HttpClient, WorkEventsReportTheTotalAndTheRunningCount) {
    const std::string big(300000, 'z');
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n";
    for (const bool useChunks : {false, true}) {
        LoopbackHttpServer server([&](const RecordedRequest&) {
            CannedResponse r{200, "OK", {}, big};
            if (useChunks) r.raw = chunked;
            return r;
        });
        HttpClient client(quickSettings());
        std::vector<int64_t> begins, counts;
        int ends = 0;
        client.OnWorkBegin = [&](HttpWorkMode mode, int64_t total) {
            EXPECT_EQ(mode, HttpWorkMode::Read);
            begins.push_back(total);
        };
        client.OnWork = [&](HttpWorkMode, int64_t count) { counts.push_back(count); };
        client.OnWorkEnd = [&](HttpWorkMode) { ++ends; };
        std::string body;
        client.Get(server.url(kPath), body);

        EXPECT_EQ(body, useChunks ? "hello world" : big);
        EXPECT_EQ(begins, std::vector<int64_t>{useChunks ? 0 : static_cast<int64_t>(big.size())});
        ASSERT_FALSE(counts.empty());
        EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
        EXPECT_EQ(counts.back(), static_cast<int64_t>(body.size()));
        EXPECT_EQ(ends, 1);
    }
}

// A streamed body ends its request as soon as it is known to pass its limit: announced by
// Content-Length (nothing reaches the sink), or arriving without one (the sink never gets
// more than the limit). A body of exactly the limit is whole.
TEST(HttpClient, AStreamedBodyPastItsLimitEndsTheRequest) {
    const std::string body(200'000, 'x');
    struct Case {
        const char* what;
        CannedResponse response;
        uint64_t limit;
        bool succeeds;
    };
    const Case cases[] = {
        {"announced past the limit", {200, "OK", {}, body}, 100'000, false},
        {"sent past the limit without a length", {200, "OK", {}, "", true, "HTTP/1.1 200 OK\r\n\r\n" + body}, 100'000, false},
        {"exactly the limit", {200, "OK", {}, body}, 200'000, true},
        {"exactly the limit without a length", {200, "OK", {}, "", true, "HTTP/1.1 200 OK\r\n\r\n" + body}, 200'000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoopbackHttpServer server([&](const RecordedRequest&) { return c.response; });
        HttpClient client;
        uint64_t received = 0;
        const HttpBodySink sink = [&](std::string_view piece) { received += piece.size(); };
        if (c.succeeds) {
            client.Get("http://" + server.hostPort() + "/big", sink, c.limit);
            EXPECT_EQ(received, body.size());
        } else {
            EXPECT_THROW(client.Get("http://" + server.hostPort() + "/big", sink, c.limit), HttpError);
            EXPECT_LE(received, c.limit);
            if (std::string(c.what) == "announced past the limit") {
                EXPECT_EQ(received, 0u);
            }
        }
    }
}

TEST(HttpClient, AHandlerErrorEndsTheRequest) {
    LoopbackHttpServer server([](const RecordedRequest&) { return CannedResponse{200, "OK", {}, "data"}; });
    HttpClient client(quickSettings());
    client.OnWork = [](HttpWorkMode, int64_t) { throw std::runtime_error("stop"); };
    std::string body = "earlier";
    EXPECT_THROW(client.Get(server.url(kPath), body), std::runtime_error);
    EXPECT_EQ(body, "earlier");
}

struct UrlCase {
    std::string url;
    std::string hostHeader;
    std::string path;
    unsigned port = 80;
};

class HttpUrlTable : public ::testing::TestWithParam<UrlCase> {};

TEST_P(HttpUrlTable, HostHeaderCarriesThePortOnlyWhenItIsNot80) {
    const HttpUrl u = parseHttpUrl(GetParam().url);
    EXPECT_EQ(u.hostHeader, GetParam().hostHeader);
    EXPECT_EQ(u.path, GetParam().path);
    EXPECT_EQ(u.port, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(Table, HttpUrlTable,
                         ::testing::Values(UrlCase{"http://example.org/a/b.zip", "example.org", "/a/b.zip"},
                                           UrlCase{"http://example.org:80/a", "example.org", "/a"},
                                           UrlCase{"http://127.0.0.1:8080/a?x=1", "127.0.0.1:8080", "/a?x=1", 8080},
                                           UrlCase{"http://[::1]:81/", "[::1]:81", "/", 81},
                                           UrlCase{"HTTP://example.org", "example.org", "/"},
                                           UrlCase{"http://example.org:/a", "example.org", "/a"},
                                           UrlCase{"http://example.org?x=1", "example.org", "/?x=1"},
                                           UrlCase{"http://example.org/a?#frag", "example.org", "/a"},
                                           UrlCase{"http://example.org/a/./b/../c", "example.org", "/a/c"},
                                           UrlCase{"http://example.org/a/..", "example.org", "/"},
                                           UrlCase{"http://example.org/a//b/", "example.org", "/a//b/"}));

#ifndef _WIN32
// The URL was read through libcurl before: the same parts come out.
TEST(HttpUrl, AgreesWithLibcurl) {
    for (const char* url : {"http://example.org/a/b.zip", "http://127.0.0.1:8080/a?x=1", "http://[::1]:81/",
                            "HTTP://example.org", "http://example.org?x=1", "http://example.org/a/./b/../c#f",
                            "http://example.org/a/..", "http://example.org/a//b/"}) {
        SCOPED_TRACE(url);
        CURLU* handle = curl_url();
        ASSERT_EQ(curl_url_set(handle, CURLUPART_URL, url, 0), CURLUE_OK);
        const auto part = [&](CURLUPart which, unsigned flags = 0) {
            char* value = nullptr;
            std::string s;
            if (curl_url_get(handle, which, &value, flags) == CURLUE_OK && value) s = value;
            curl_free(value);
            return s;
        };
        const HttpUrl u = parseHttpUrl(url);
        const std::string query = part(CURLUPART_QUERY);
        EXPECT_EQ(u.hostName, part(CURLUPART_HOST));
        EXPECT_EQ(u.path, part(CURLUPART_PATH) + (query.empty() ? "" : "?" + query));
        const std::string port = part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
        EXPECT_EQ(u.hostHeader, port == "80" ? u.hostName : u.hostName + ":" + port);
        curl_url_cleanup(handle);
    }
}
#endif

TEST(HttpUrl, RefusesOtherSchemesCredentialsAndGarbage) {
    for (const char* url : {"https://example.org/", "file:///etc/passwd", "http://user:pw@example.org/", "http://", "::",
                            "http://example.org:0/", "http://example.org:65536/", "http://example.org:8x/",
                            "http://exa mple.org/", "http://example.org/a b", "http://example.org/\r\nX: 1",
                            "http://[::1/", "http://a@example.org/"})
        EXPECT_THROW(parseHttpUrl(url), HttpError) << url;
}

} // namespace
} // namespace upd::testing
