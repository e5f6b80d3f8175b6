#include "http/cookie_jar.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace upd::testing
