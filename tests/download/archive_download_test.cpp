#include "download/archive_download.h"
#include "ui/progress_message.h"
#include "http/loopback_http_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace upd::testing {
namespace {

class RecordingDialogs : public Dialogs {
public:
    DialogResult message(const MessageRequest& request) override {
        shown.push_back(request);
        return DialogResult::Ok;
    }
    bool password(const std::string&, const std::string&, std::string&) override { return false; }
    std::optional<std::string> openFile(const OpenFileRequest&) override { return std::nullopt; }
    std::vector<MessageRequest> shown;
};

std::string expectedHead(const std::string& method, const std::string& hostPort, const std::string& cookie = {}) {
    std::string head = method + " /sites/default/files/Kavertadoc/ver_1_3.zip HTTP/1.1\r\n" + "Host: " + hostPort +
                       "\r\n" + "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n" +
                       "Accept-Encoding: identity\r\n" + "User-Agent: Mozilla/3.0 (compatible; Update Library)\r\n";
    if (!cookie.empty()) head += "Cookie: " + cookie + "\r\n";
    return head + "\r\n";
}

// The download host's variable for this process; an empty value removes it.
void setHostVariable(const char* value) {
#ifdef _WIN32
    ::_putenv_s(kDownloadHostVariable, value);
#else
    if (*value) {
        ::setenv(kDownloadHostVariable, value, 1);
    } else {
        ::unsetenv(kDownloadHostVariable);
    }
#endif
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// What the test server answers to the HEAD and to the GET.
struct Script {
    int headStatus = 200;
    int getStatus = 200;
    std::string body = std::string(70000, 'z');
    std::string cookie;  // set by the GET's response when not empty
    // When set, the whole answer to the HEAD or the GET, after which the server closes.
    std::string headRaw;
    std::string getRaw;
};

class DownloadTest : public ::testing::Test {
public:
    // Cases of a table run one after another in one test: TearDown, then SetUp afresh.
    void SetUp() override {
        temp = std::make_unique<TempDir>();
        work = temp->path();
        server = std::make_unique<LoopbackHttpServer>([this](const RecordedRequest& r) {
            CannedResponse resp;
            resp.status = r.method == "HEAD" ? script.headStatus : script.getStatus;
            resp.reason = resp.status == 200 ? "OK" : "Failed";
            resp.body = resp.status == 200 ? script.body : "error page";
            if (r.method == "GET" && !script.cookie.empty()) resp.headers = {{"Set-Cookie", script.cookie}};
            const std::string& raw = r.method == "HEAD" ? script.headRaw : script.getRaw;
            if (!raw.empty()) {
                resp.raw = raw;
                resp.close = true;
            }
            return resp;
        });
        downloadHost = server->hostPort();
        dialogs.shown.clear();
        pump = std::make_unique<QueuedEventPump>();
        boxes = std::make_unique<MessageBoxes>(dialogs, programTitle("update_3_2"));
        pump->setHandler([this](const PostedMessage& m) {
            if (m.message == WM_PROGRESS) applyProgressMessage(bar, m.wParam, m.lParam);
        });
        button2.setEnabled(true);
        button3.setEnabled(false);  // as an unpacking leaves it
        download = std::make_unique<ArchiveDownload>(*boxes, *pump, bar, downloadHost, button2, button3);
        download->connectionCheck = [] { return true; };
        const std::u8string folder = work.u8string();
        download->workFolder = std::string(folder.begin(), folder.end());
        download->HttpClient1.settings().connectTimeoutMs = 5000;
        download->HttpClient1.settings().stallTimeoutSeconds = 10;
    }
    void TearDown() override {
        download.reset();
        server.reset();
        boxes.reset();
        pump.reset();
        temp.reset();
    }

    fs::path target() const { return work / "res" / "ver_1_3.zip"; }
    size_t filesInRes() const {
        std::error_code ec;
        size_t n = 0;
        for (fs::directory_iterator it(work / "res", ec), end; !ec && it != end; it.increment(ec)) ++n;
        return n;
    }
    void setBar(int32_t max, int32_t position) {
        bar.setMax(max);
        bar.setPosition(position);
    }
    bool buttonsSwitched() const { return button3.Enabled() && !button2.Enabled(); }

    std::unique_ptr<TempDir> temp;
    fs::path work;
    Script script;
    std::unique_ptr<LoopbackHttpServer> server;
    RecordingDialogs dialogs;
    std::unique_ptr<QueuedEventPump> pump;
    std::string downloadHost;
    std::unique_ptr<MessageBoxes> boxes;
    ProgressBar bar;
    Control button2{true, false};
    Control button3{true, true};
    std::unique_ptr<ArchiveDownload> download;
};

TEST_F(DownloadTest, NoConnectionShowsTheNoticeAndNothingElse) {
    download->connectionCheck = [] { return false; };
    setBar(100, 100);  // the bar test is not reached either
    download->Button2Click();

    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, kNoInternetNotice);
    EXPECT_EQ(dialogs.shown[0].caption, boxes->title());
    EXPECT_TRUE(server->requests().empty());
    EXPECT_FALSE(buttonsSwitched());
}

TEST_F(DownloadTest, DownloadsWithExactHeadsThenFillsTheBarFromTheQueuedMessages) {
    script.cookie = "SESS=42; Path=/";
    download->Button2Click();
    EXPECT_TRUE(download->completed());

    auto requests = server->requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].head, expectedHead("HEAD", server->hostPort()));
    EXPECT_EQ(requests[1].head, expectedHead("GET", server->hostPort()));
#ifndef _WIN32
    EXPECT_NE(requests[0].connection, requests[1].connection);  // the HEAD's own client
#else
    // WinINet keeps one pool of open connections for the whole process: the GET may go out
    // on the connection that the released HEAD client left open.
#endif
    EXPECT_EQ(readFile(target()), script.body);
    EXPECT_EQ(filesInRes(), 1u);  // no temporary file left behind
    EXPECT_TRUE(dialogs.shown.empty());
    // No log line either: the download is given no log to write to.

    // The bar was 0 of 100 when the GET returned: the buttons stay; the messages wait.
    EXPECT_FALSE(buttonsSwitched());
    EXPECT_EQ(bar.position(), 0);
    EXPECT_EQ(bar.max(), 100);
    EXPECT_GT(pump->pending(), 1u);
    pump->processPendingEvents();
    EXPECT_EQ(bar.max(), static_cast<int32_t>(script.body.size()));
    EXPECT_EQ(bar.position(), static_cast<int32_t>(script.body.size()));

    // The second download finds the bar full; its GET sends the cookie back on the kept
    // connection, while the HEAD's fresh client has none.
    script.body = "second";
    download->Button2Click();
    requests = server->requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[2].head, expectedHead("HEAD", server->hostPort()));
    EXPECT_EQ(requests[3].head, expectedHead("GET", server->hostPort(), "SESS=42"));
    EXPECT_EQ(requests[3].connection, requests[1].connection);
    EXPECT_EQ(readFile(target()), "second");
    EXPECT_TRUE(buttonsSwitched());
}

TEST_F(DownloadTest, ARefusedHeadPreventsTheGet) {
    script.headStatus = 403;
    download->Button2Click();
    const auto requests = server->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "HEAD");
    EXPECT_FALSE(fs::exists(work / "res"));
    EXPECT_EQ(pump->pending(), 0u);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(DownloadTest, FailuresLeaveTheEarlierArchiveUntouched) {
    struct Case {
        const char* what;
        std::function<void(DownloadTest&)> arrange;
    };
    const std::vector<Case> cases = {
        {"GET error status", [](DownloadTest& t) { t.script.getStatus = 500; }},
        {"HEAD error status", [](DownloadTest& t) { t.script.headStatus = 404; }},
        {"no server", [](DownloadTest& t) { t.server.reset(); }},
        {"not a host", [](DownloadTest& t) { t.downloadHost = "evil.example/x?"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        fs::create_directories(work / "res");
        std::ofstream(target(), std::ios::binary) << "old archive";
        c.arrange(*this);
        download->Button2Click();
        EXPECT_FALSE(download->completed());
        EXPECT_EQ(readFile(target()), "old archive");
        EXPECT_EQ(filesInRes(), 1u);
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_EQ(pump->pending(), 0u);  // an error page moves no bar
    }
}

// A server that sends more than it announced, or without end, is cut off: the body goes to
// a temporary file as it arrives and never past the size the HEAD gave (or a cap when it gave
// none), and the earlier archive stays.
TEST_F(DownloadTest, ABodyLargerThanAnnouncedIsCutOffAndTheEarlierArchiveStays) {
    const std::string big(3'000'000, 'b');
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    struct Case {
        const char* what;
        std::string headRaw;  // empty: the HEAD announces the script's 70000 bytes
        std::string getRaw;
        bool completes;
    };
    const std::vector<Case> cases = {
        {"the GET announces more than the HEAD", "", ok + "Content-Length: 3000000\r\n\r\n" + big, false},
        {"the GET sends without a length past the HEAD's size", "", ok + "\r\n" + big, false},
        {"no size announced, a body past the cap", ok + "\r\n", ok + "\r\n" + big, false},
        {"no size announced, a body within the cap", ok + "\r\n", ok + "\r\n" + std::string(500'000, 's'), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        download->sizeLimitWithoutAnnouncement = 1'000'000;
        script.headRaw = c.headRaw;
        script.getRaw = c.getRaw;
        fs::create_directories(work / "res");
        std::ofstream(target(), std::ios::binary) << "old archive";
        download->Button2Click();
        EXPECT_EQ(download->completed(), c.completes);
        EXPECT_EQ(readFile(target()), c.completes ? std::string(500'000, 's') : "old archive");
        EXPECT_EQ(filesInRes(), 1u);
        EXPECT_TRUE(dialogs.shown.empty());
    }
}

TEST_F(DownloadTest, AWriteFailureIsSilentAndLeavesNoTornFile) {
    std::ofstream(work / "res", std::ios::binary) << "a file where the folder belongs";
    download->Button2Click();
    EXPECT_EQ(readFile(work / "res"), "a file where the folder belongs");
    EXPECT_TRUE(dialogs.shown.empty());

    fs::remove(work / "res");
    fs::create_directories(target());  // a folder where the archive belongs
    download->Button2Click();
    EXPECT_TRUE(fs::is_directory(target()));
    EXPECT_EQ(filesInRes(), 1u);
}

TEST_F(DownloadTest, TheBarAsTheGetLeftItDecidesTheButtons) {
    struct Case {
        int32_t max;
        int32_t position;
        int getStatus;
        bool switched;
    };
    const std::vector<Case> cases = {
        {100, 0, 200, false},   // program start
        {100, 100, 200, true},  // after an unpacking
        {100, 100, 500, true},  // whatever the download's own outcome
        {100, 99, 200, false},
        {5000, 5000, 200, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.max << "/" << c.position << " status " << c.getStatus);
        TearDown();
        SetUp();
        setBar(c.max, c.position);
        script.getStatus = c.getStatus;
        download->Button2Click();
        EXPECT_EQ(buttonsSwitched(), c.switched);
        if (!c.switched) {
            EXPECT_TRUE(button2.Enabled());
            EXPECT_FALSE(button3.Enabled());
        }
    }
}

TEST_F(DownloadTest, WorkHandlersPostTheLow32BitsAndNeverTouchTheBar) {
    download->HttpClient1WorkBegin(HttpWorkMode::Read, 4294967296LL + 5000);
    download->HttpClient1Work(HttpWorkMode::Write, 4294967296LL + 5000);
    download->HttpClient1Work(HttpWorkMode::Read, 7);
    EXPECT_EQ(bar.max(), 100);
    ASSERT_EQ(pump->pending(), 3u);
    pump->processPendingEvents();
    EXPECT_EQ(bar.max(), 5000);
    EXPECT_EQ(bar.position(), 7);
}

TEST(DownloadHost, OnlyTheEnvironmentVariableGivesADefault) {
    setHostVariable("");
    EXPECT_EQ(defaultDownloadHost(), "");
    setHostVariable("127.0.0.1:8080");
    EXPECT_EQ(defaultDownloadHost(), "127.0.0.1:8080");
#ifndef _WIN32
    ::setenv(kDownloadHostVariable, "", 1);  // set, but empty (Windows has no such variable)
    EXPECT_EQ(defaultDownloadHost(), "");
#endif
    setHostVariable("");
}

TEST_F(DownloadTest, WithoutAServerNothingIsSentAndTheUserIsTold) {
    setHostVariable("");
    downloadHost.clear();
    download->Button2Click();
    EXPECT_TRUE(server->requests().empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, kNoServerNotice);
    EXPECT_FALSE(download->completed());
    EXPECT_FALSE(fs::exists(target()));
}

TEST(DownloadHost, OnlyHostsAndPortsAreAccepted) {
    for (const char* good : {"tarvenit.ru", "127.0.0.1:8080", "a-b.example:1", "[::1]", "[::1]:65535", "localhost"})
        EXPECT_TRUE(isDownloadHost(good)) << good;
    for (const char* bad : {"", "host:", "host:0", "host:65536", "host:80x", "a/b", "a b", "user@host", "[::1",
                            "[]:80", "[::1]x", "host?x", "http://host"})
        EXPECT_FALSE(isDownloadHost(bad)) << bad;
}

#ifndef _WIN32
TEST(InternetConnection, DecidesByRoutesOfUpInterfaces) {
    const std::string v4 =
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
        "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\n";
    const std::string v6LinkLocalOnly =
        "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 "
        "00000000000000000000000000000000 00000100 00000002 00000000 00000001     eth0\n";
    const std::string v6Global =
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n";
    const std::string v6Reject =
        "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
        "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200     eth0\n";
    EXPECT_TRUE(connectedByRoutes({"eth0"}, v4, ""));
    EXPECT_FALSE(connectedByRoutes({}, v4, v6Global));           // the interface is down
    EXPECT_FALSE(connectedByRoutes({"wlan0"}, v4, ""));          // the route is on another one
    EXPECT_FALSE(connectedByRoutes({"eth0"}, "", v6LinkLocalOnly));
    EXPECT_TRUE(connectedByRoutes({"eth0"}, "", v6Global));
    EXPECT_FALSE(connectedByRoutes({"eth0"}, "", v6Reject));
    EXPECT_FALSE(connectedByRoutes({"eth0"}, "", ""));
}
#endif

} // namespace
} // namespace upd::testing
