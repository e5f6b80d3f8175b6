#include "http/cookie_jar.h"
#include "http/cookie_date.h"

#include <gtest/gtest.h>

#include <optional>

#ifndef _WIN32
#include <curl/curl.h>
#endif

namespace upd::testing {
namespace {

constexpr std::time_t kNow = 1'700'000'000;

struct JarCase {
    const char* what;
    std::vector<std::string> setCookies;  // received for http://www.example.org/dir/page
    std::string requestHost;
    std::string requestPath;
    std::string header;
};

class CookieJarTable : public ::testing::TestWithParam<JarCase> {};

TEST_P(CookieJarTable, MatchesHostPathAndExpiry) {
    CookieJar jar;
    for (const auto& c : GetParam().setCookies) jar.store(c, "www.example.org", "/dir/page", kNow);
    EXPECT_EQ(jar.headerFor(GetParam().requestHost, GetParam().requestPath, false, kNow), GetParam().header);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CookieJarTable,
    ::testing::Values(
        JarCase{"plain", {"a=1"}, "www.example.org", "/dir/x", "a=1"},
        JarCase{"default path excludes parent", {"a=1"}, "www.example.org", "/other", ""},
        JarCase{"host only", {"a=1; Path=/"}, "sub.www.example.org", "/", ""},
        JarCase{"domain cookie", {"a=1; Domain=.example.org; Path=/"}, "sub.example.org", "/", "a=1"},
        JarCase{"foreign domain refused", {"a=1; Domain=other.org; Path=/"}, "other.org", "/", ""},
        JarCase{"host case ignored", {"a=1; Path=/"}, "WWW.Example.ORG", "/", "a=1"},
        JarCase{"path prefix needs a boundary", {"a=1; Path=/di"}, "www.example.org", "/dir", ""},
        JarCase{"longer path first", {"a=1; Path=/", "b=2; Path=/dir"}, "www.example.org", "/dir/f", "b=2; a=1"},
        JarCase{"replaced keeps its place", {"a=1; Path=/", "b=2; Path=/", "a=3; Path=/"}, "www.example.org", "/",
                "a=3; b=2"},
        JarCase{"max-age zero deletes", {"a=1; Path=/", "a=1; Path=/; Max-Age=0"}, "www.example.org", "/", ""},
        JarCase{"past expiry deletes", {"a=1; Path=/", "a=; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT"},
                "www.example.org", "/", ""},
        JarCase{"future expiry kept", {"a=1; Path=/; Expires=Wed, 01 Jan 2200 00:00:00 GMT"}, "www.example.org", "/",
                "a=1"},
        JarCase{"secure not sent on http", {"a=1; Path=/; Secure"}, "www.example.org", "/", ""},
        JarCase{"no equals sign ignored", {"junk; Path=/"}, "www.example.org", "/", ""},
        JarCase{"control characters ignored", {std::string("a=1\x01; Path=/")}, "www.example.org", "/", ""},
        JarCase{"query not part of the path", {"a=1; Path=/dir"}, "www.example.org", "/dir?x=/", "a=1"}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(CookieJar, MaxAgeExpiresLater) {
    CookieJar jar;
    jar.store("a=1; Path=/; Max-Age=60", "h", "/", kNow);
    EXPECT_EQ(jar.headerFor("h", "/", false, kNow + 59), "a=1");
    EXPECT_EQ(jar.headerFor("h", "/", false, kNow + 60), "");
}

struct DateCase {
    const char* text;
    std::optional<std::time_t> seconds;
};

// The forms servers send, and texts that are no date.
const std::vector<DateCase> kDates = {
    {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
    {"Wed, 01 Jan 2200 00:00:00 GMT", 7258118400},
    {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
    {"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
    {"Sun Nov  6 08:49:37 1994", 784111777},
    {"Tue, 29 Feb 2028 23:59:59 GMT", 1835481599},
    {"sun, 06 NOV 1994 08:49:37 gmt", 784111777},
    {"Thu, 31 Dec 2037 23:59:59 GMT", 2145916799},
    {"Sat, 01 Jan 2000 00:00:00 GMT", 946684800},
    {"Mon, 30 Feb 2026 00:00:00 GMT", std::nullopt},
    {"Sun, 06 Nov 1994 24:00:00 GMT", std::nullopt},
    {"Sun, 06 Nov 1994 GMT", std::nullopt},
    {"06 Nov 1994 08:49:37", 784111777},
    {"tomorrow", std::nullopt},
    {"", std::nullopt},
};

TEST(CookieDate, ReadsTheFormsServersSendAsUtc) {
    for (const auto& c : kDates) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseCookieDate(c.text), c.seconds);
    }
}

TEST(CookieJar, AnUnreadableExpiryLeavesASessionCookie) {
    CookieJar jar;
    jar.store("a=1; Path=/; Expires=tomorrow", "h", "/", kNow);
    ASSERT_EQ(jar.cookies().size(), 1u);
    EXPECT_FALSE(jar.cookies()[0].persistent);
}

#ifndef _WIN32
// The jar read these dates through libcurl before: the well-formed ones still mean the same.
TEST(CookieDate, AgreesWithLibcurlOnWellFormedDates) {
    for (const auto& c : kDates) {
        if (!c.seconds) continue;
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseCookieDate(c.text), curl_getdate(c.text, nullptr));
    }
}
#endif

} // namespace
} // namespace upd::testing
