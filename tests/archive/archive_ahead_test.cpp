// Large entries decoded ahead by workers against every entry decoded on the caller's
// thread alone: the same events with the same values in the same order, all raised on the
// caller's thread, the same requests, and the same files, modes and times left behind.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "archive_test_support.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;

// Bytes that deflate cannot shrink, so that an entry's compressed data spans chunks.
std::string noiseOf(size_t n, unsigned seed) {
    std::string s(n, '\0');
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

// Noise with runs of text: inflate output and input chunks fall differently.
std::string mixedOf(size_t n, unsigned seed) {
    std::string s;
    while (s.size() < n) {
        s += noiseOf(300000, seed);
        s += textOf(500000, ++seed);
    }
    s.resize(n);
    return s;
}

class Archiver : public TZipArchiver {
public:
    explicit Archiver(bool ahead) { setDecodeAhead(ahead); }
};

struct Scenario {
    std::string label;
    // Made when the case runs: listing or running other cases builds no megabytes of data.
    std::function<std::vector<TestEntry>()> entries;
    std::string password = "pw";
    std::vector<std::string> passwordAnswers;  // given by OnPassword, in turn
    int cancelAtProgress = -1;                 // the n-th ppProcess file progress event cancels
    std::vector<TFailureAction> failureAnswers;  // in turn; then ignore
    std::string refuse;                          // OnConfirmProcessFile refuses this entry
    bool extractCorrupted = false;
};

void PrintTo(const Scenario& scenario, std::ostream* os) { *os << scenario.label; }

struct Outcome {
    std::vector<std::string> events;
    std::vector<std::string> files;  // name, size, mode, time, content digest
};

Outcome extract(const Scenario& sc, const std::string& archive, const fs::path& out, bool ahead) {
    Outcome o;
    const auto caller = std::this_thread::get_id();
    auto note = [&](std::string line) {
        if (std::this_thread::get_id() != caller) line += " [other thread]";
        o.events.push_back(std::move(line));
    };
    Archiver arc(ahead);
    arc.setFileName(archive);
    arc.OpenArchive();
    arc.setBaseDir(out.string());
    arc.setPassword(sc.password);
    arc.setExtractCorruptedFiles(sc.extractCorrupted);
    int progressEvents = 0;
    size_t passwordTurn = 0, failureTurn = 0;
    arc.OnFileProgress = [&](TBaseArchiver&, const std::string& name, double p, TProcessOperation, TProgressPhase ph,
                             bool& cancel) {
        std::ostringstream line;
        line << "file " << name << ' ' << p << ' ' << static_cast<int>(ph);
        note(line.str());
        if (ph == TProgressPhase::ppProcess && ++progressEvents == sc.cancelAtProgress) cancel = true;
    };
    arc.OnOverallProgress = [&](TBaseArchiver&, double p, TProcessOperation, TProgressPhase ph, bool&) {
        std::ostringstream line;
        line << "overall " << p << ' ' << static_cast<int>(ph);
        note(line.str());
    };
    arc.OnExtractFile = [&](TBaseArchiver&, std::string& name, uint32_t& attr, const std::string&) {
        note("extract " + name + ' ' + std::to_string(attr));
    };
    arc.OnConfirmProcessFile = [&](TBaseArchiver&, const std::string& name, TProcessOperation, bool& confirm) {
        note("confirm " + name);
        confirm = name != sc.refuse;
    };
    arc.OnPassword = [&](TBaseArchiver&, const std::string& name, std::string& password, bool& skip) {
        note("password " + name);
        if (passwordTurn < sc.passwordAnswers.size())
            password = sc.passwordAnswers[passwordTurn++];
        else
            skip = true;
    };
    arc.OnProcessFileFailure = [&](TBaseArchiver&, const std::string& name, TProcessOperation, int native, int code,
                                   const std::string&, TFailureAction& action) {
        note("failure " + name + ' ' + std::to_string(native) + ' ' + std::to_string(code));
        action = failureTurn < sc.failureAnswers.size() ? sc.failureAnswers[failureTurn++] : TFailureAction::fxaIgnore;
    };
    arc.ExtractFiles("*.*", 10431, "");
    arc.CloseArchive();

    if (fs::exists(out))
        for (auto& e : fs::recursive_directory_iterator(out)) {
#ifdef _WIN32
            // Only the read-only attribute of a mode, and the time as the system keeps it.
            const bool regular = fs::is_regular_file(fs::symlink_status(e.path()));
            std::string line = fs::relative(e.path(), out).generic_string() + ' ' +
                               std::to_string(static_cast<unsigned>(fs::status(e.path()).permissions() & fs::perms::mask));
            if (regular) {
                const std::string bytes = readFile(e.path().string());
                line += ' ' + std::to_string(fs::last_write_time(e.path()).time_since_epoch().count()) + ' ' +
                        std::to_string(bytes.size()) + ' ' + std::to_string(crc32Of(bytes));
            }
            o.files.push_back(line);
            continue;
#else
            struct stat st {};
            ::lstat(e.path().c_str(), &st);
            std::string line = fs::relative(e.path(), out).string() + ' ' + std::to_string(st.st_mode);
            if (S_ISREG(st.st_mode)) {
                const std::string bytes = readFile(e.path().string());
                line += ' ' + std::to_string(st.st_mtime) + ' ' + std::to_string(bytes.size()) + ' ' +
                        std::to_string(crc32Of(bytes));
            }
            o.files.push_back(line);
#endif
        }
    std::sort(o.files.begin(), o.files.end());
    return o;
}

class ArchiveAheadTest : public ArchiveTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(ArchiveAheadTest, SameEventsAndFilesAsDecodingOnTheCallersThread) {
    const Scenario& sc = GetParam();
    const std::string archive = put({sc.entries()});
    const Outcome serial = extract(sc, archive, root / "serial", false);
    const Outcome ahead = extract(sc, archive, root / "ahead", true);
    EXPECT_EQ(ahead.events, serial.events);
    EXPECT_EQ(ahead.files, serial.files);
    for (const auto& line : ahead.events) EXPECT_EQ(line.find("[other thread]"), std::string::npos) << line;
    for (const auto& line : ahead.files) EXPECT_EQ(line.find(".upd~"), std::string::npos) << line;
    // Something was decoded, so the comparison is not between two empty runs.
    EXPECT_GT(serial.events.size(), 5u);
}

std::vector<TestEntry> largeEntries(const std::string& password) {
    return {
        {.name = "a.txt", .data = textOf(5000, 1), .password = password},
        {.name = "big/stored.bin", .data = noiseOf(3 << 20, 2), .method = 0, .password = password},
        {.name = "b.txt", .data = textOf(7000, 3), .password = password},
        {.name = "big/mixed.bin", .data = mixedOf(5 << 20, 4), .password = password},
        {.name = "big/noise.bin", .data = noiseOf((2 << 20) + 12345, 5), .password = password},
        {.name = "big/plain.bin", .data = mixedOf(3 << 20, 6), .method = 0, .externalAttr = 0x21},
        {.name = "c.txt", .data = textOf(100, 7)},
    };
}

// Many small entries of every kind: one with a bad checksum, one whose data is longer and
// one whose data is shorter than declared, stored data recorded as deflated (which does not
// inflate), and one that inflates beyond the size kept in memory.
std::vector<TestEntry> smallEntries() {
    std::vector<TestEntry> entries;
    for (unsigned i = 0; i < 150; ++i) {
        TestEntry e;
        e.name = "s/" + std::to_string(i % 7) + "/f" + std::to_string(i);
        const size_t size = i % 10 == 0 ? 0 : (i * 7919u) % (i % 3 == 0 ? 200000u : 9000u);
        e.data = i % 4 == 0 ? noiseOf(size, i) : textOf(size, i);
        e.method = i % 5 == 0 ? 0 : 8;
        if (i % 2 == 0) e.password = "pw";
        if (i == 77) e.centralCrc = 1;
        if (i == 91) e.centralUncompSize = static_cast<uint32_t>(e.data.size() / 2);
        if (i == 92) e.centralUncompSize = static_cast<uint32_t>(e.data.size() + 1000);
        if (i == 95) e.methodOverride = 8;
        entries.push_back(e);
    }
    entries.push_back({.name = "s/wide.txt", .data = textOf(3 << 20, 9), .password = "pw"});
    return entries;
}

std::vector<Scenario> scenarios() {
    std::vector<Scenario> list;
    list.push_back({.label = "ManySmallEntries", .entries = smallEntries});
    list.push_back({.label = "ManySmallEntriesCancelled", .entries = smallEntries, .cancelAtProgress = 90});
    list.push_back({.label = "ManySmallEntriesPasswordChanges",
                    .entries =
                        [] {
                            auto entries = smallEntries();
                            for (size_t i = 60; i < entries.size(); ++i)
                                if (!entries[i].password.empty()) entries[i].password = "other";
                            return entries;
                        },
                    .passwordAnswers = {"other"}});
    const auto large = [] { return largeEntries("pw"); };
    list.push_back({.label = "StoredAndDeflatedBetweenSmallEntries", .entries = large});
    // The second half is encrypted with another password: asked once, mid-archive.
    list.push_back({.label = "PasswordChangesMidArchive",
                    .entries =
                        [] {
                            auto entries = largeEntries("pw");
                            for (size_t i = 3; i < 5; ++i) entries[i].password = "other";
                            return entries;
                        },
                    .passwordAnswers = {"other"}});
    list.push_back({.label = "PasswordRefusedSkipsTheEntries", .entries = large, .password = "wrong"});
    {
        const auto failing = [] {
            auto entries = largeEntries("pw");
            entries[1].centralCrc = 0x12345678;
            entries[3].centralUncompSize = 4 << 20;  // data longer than declared
            return entries;
        };
        list.push_back({.label = "FailedEntriesAreIgnored", .entries = failing});
        list.push_back({.label = "FailedEntryRetriedThenAborted",
                        .entries = failing,
                        .failureAnswers = {TFailureAction::fxaRetry, TFailureAction::fxaIgnore,
                                           TFailureAction::fxaAbort}});
        list.push_back({.label = "CorruptedEntriesKept", .entries = failing, .extractCorrupted = true});
    }
    for (int at : {2, 20, 52, 56, 60, 75})
        list.push_back({.label = "CancelAtProgressEvent" + std::to_string(at), .entries = large,
                        .cancelAtProgress = at});
    list.push_back({.label = "RefusedLargeEntryIsPassedOver", .entries = large, .refuse = "big/stored.bin"});
    return list;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ArchiveAheadTest, ::testing::ValuesIn(scenarios()),
                         [](const auto& info) { return info.param.label; });

} // namespace
} // namespace upd::test
