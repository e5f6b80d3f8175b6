#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <thread>

#include "archive/archive_lock.h"
#include "archive/dos_time.h"
#include "archive_test_support.h"
#include "platform/file_handle.h"
#include "platform/files.h"
#include "platform/fs_path.h"
#include "platform/local_time.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;

// Logs the events of an extraction as short lines.
struct EventLog {
    std::vector<std::string> lines;
    std::vector<double> overall;
    void attach(TBaseArchiver& arc) {
        arc.OnOverallProgress = [this](TBaseArchiver&, double p, TProcessOperation op, TProgressPhase phase, bool&) {
            EXPECT_EQ(op, TProcessOperation::poExtract);
            if (phase != TProgressPhase::ppProcess) lines.push_back(std::string("overall ") + phaseName(phase));
            overall.push_back(p);
        };
        arc.OnFileProgress = [this](TBaseArchiver&, const std::string& name, double, TProcessOperation,
                                    TProgressPhase phase, bool&) {
            if (phase == TProgressPhase::ppProcess) {
                if (lines.empty() || lines.back() != "process " + name) lines.push_back("process " + name);
            } else {
                lines.push_back(std::string(phaseName(phase)) + " " + name);
            }
        };
        arc.OnExtractFile = [this](TBaseArchiver&, std::string& name, uint32_t&, const std::string&) {
            lines.push_back("extract " + name);
        };
    }
    static const char* phaseName(TProgressPhase p) {
        return p == TProgressPhase::ppStart ? "start" : p == TProgressPhase::ppEnd ? "end" : "process";
    }
};

using ArchiveExtractTest = ArchiveTest;

TEST_F(ArchiveExtractTest, EventsFireInOrderForEveryEntry) {
    const std::string path = put({{{.name = "sub/dir/", .method = 0, .externalAttr = 0x10},
                                   {.name = "sub\\a.txt", .data = "alpha"},
                                   {.name = "noext", .data = "", .method = 0},
                                   {.name = "b.bin", .data = std::string(70000, 'b'), .method = 0}}});
    TZipArchiver arc;
    openOn(arc, path);
    EventLog log;
    log.attach(arc);
    arc.ExtractFiles("*.*", 10431, "");
    std::vector<std::string> expected = {
        "overall start",
        "start sub/dir/", "extract sub/dir/", "end sub/dir/",
        "start sub/a.txt", "extract sub/a.txt", "process sub/a.txt", "end sub/a.txt",
        "start noext", "extract noext", "end noext",
        "start b.bin", "extract b.bin", "process b.bin", "end b.bin",
        "overall end",
    };
    for (auto& line : expected) line = platformName(line);
    EXPECT_EQ(log.lines, expected);
    EXPECT_TRUE(fs::is_directory(out / "sub" / "dir"));
    EXPECT_EQ(outFile("sub/a.txt"), "alpha");
    EXPECT_EQ(outFile("noext"), "");
    EXPECT_EQ(outFile("b.bin"), std::string(70000, 'b'));
    EXPECT_EQ(log.overall.front(), 0);
    EXPECT_EQ(log.overall.back(), 100);
    EXPECT_EQ(arc.ProcessedFileNo(), 4);
    for (size_t i = 1; i < log.overall.size(); ++i) EXPECT_GE(log.overall[i], log.overall[i - 1]);
}

TEST_F(ArchiveExtractTest, EmptyArchiveGivesOnlyOverallEvents) {
    const std::string path = put({});
    TZipArchiver arc;
    openOn(arc, path);
    EventLog log;
    log.attach(arc);
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_EQ(log.lines, (std::vector<std::string>{"overall start", "overall end"}));
}

TEST_F(ArchiveExtractTest, NotOpenRaises13) {
    TZipArchiver arc;
    try {
        arc.ExtractFiles("*.*", 10431, "");
        FAIL();
    } catch (const EArchiveError& e) {
        EXPECT_EQ(e.NativeError(), 13);
        EXPECT_EQ(std::string(e.what()), "Archiver: Archive is not open - Native error: 00013");
    }
}

TEST_F(ArchiveExtractTest, CancelRulesByCase) {
    struct Case {
        std::string label;
        std::string cancelAt;  // event line at which the handler cancels
        std::vector<std::string> written;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"overall start", "overall start", {}, {"overall start", "overall end"}},
        {"second file start", "start b", {"a"},
         {"overall start", "start a", "extract a", "process a", "end a", "start b", "overall end"}},
        {"first file end", "end a", {"a"},
         {"overall start", "start a", "extract a", "process a", "end a", "overall end"}},
        {"during decoding", "process b", {"a"},
         {"overall start", "start a", "extract a", "process a", "end a", "start b", "extract b", "process b", "end b",
          "overall end"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out);
        writeFile((out / "b").string(), "old b");
        const std::string path = put({{{.name = "a", .data = "aaa"}, {.name = "b", .data = textOf(3 << 20)},
                                       {.name = "c", .data = "ccc"}}});
        TZipArchiver arc;
        openOn(arc, path);
        EventLog log;
        log.attach(arc);
        auto fileProgress = arc.OnFileProgress;
        auto overall = arc.OnOverallProgress;
        arc.OnFileProgress = [&](TBaseArchiver& s, const std::string& n, double p, TProcessOperation op,
                                 TProgressPhase ph, bool& cancel) {
            fileProgress(s, n, p, op, ph, cancel);
            if (log.lines.back() == c.cancelAt) cancel = true;
        };
        arc.OnOverallProgress = [&](TBaseArchiver& s, double p, TProcessOperation op, TProgressPhase ph, bool& cancel) {
            overall(s, p, op, ph, cancel);
            if (log.lines.back() == c.cancelAt) cancel = true;
        };
        arc.ExtractFiles("*.*", 10431, "");
        EXPECT_EQ(log.lines, c.lines);
        std::vector<std::string> expectFiles = c.written;
        expectFiles.push_back("b");
        std::sort(expectFiles.begin(), expectFiles.end());
        EXPECT_EQ(listOut(), expectFiles);  // no temporary file left behind
        EXPECT_EQ(outFile("b"), "old b");
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST_F(ArchiveExtractTest, ClosingFromAHandlerCancelsAndClosesAfterwards) {
    fs::create_directories(out);
    const std::string path = put({{{.name = "a", .data = "1"}, {.name = "b", .data = textOf(3 << 20)},
                                   {.name = "c", .data = "3"}}});
    TZipArchiver arc;
    openOn(arc, path);
    EventLog log;
    log.attach(arc);
    auto fileProgress = arc.OnFileProgress;
    arc.OnFileProgress = [&](TBaseArchiver& s, const std::string& n, double p, TProcessOperation op, TProgressPhase ph,
                             bool& cancel) {
        fileProgress(s, n, p, op, ph, cancel);
        if (n == "b" && ph == TProgressPhase::ppProcess && p > 0) {
            try {
                s.OpenArchive();
                ADD_FAILURE() << "reopened while decoding";
            } catch (const EArchiveError& e) {
                EXPECT_EQ(e.NativeError(), 37);
            }
            s.CloseArchive();
            EXPECT_TRUE(cancel);
        }
    };
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_FALSE(arc.Active());
    EXPECT_EQ(arc.FileCount(), 0u);
    EXPECT_EQ(listOut(), std::vector<std::string>{"a"});
    EXPECT_EQ(log.lines.back(), "overall end");
}

TEST_F(ArchiveExtractTest, CancelInsideALargeEntryReadAhead) {
    // Entries of several megabytes are read and decrypted ahead; a cancel in the middle
    // stops that stage too, and the next extraction starts cleanly.
    for (bool encrypted : {false, true}) {
        SCOPED_TRACE(encrypted);
        fs::remove_all(out);
        fs::create_directories(out);
        writeFile((out / "big").string(), "old big");
        const std::string data = textOf(5 << 20, 11);
        TestEntry big{.name = "big", .data = data, .method = 0};
        if (encrypted) big.password = "pw";
        const std::string path = put({{big, {.name = "after", .data = "a"}}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.setPassword("pw");
        int reports = 0;
        arc.OnFileProgress = [&](TBaseArchiver&, const std::string& name, double, TProcessOperation,
                                 TProgressPhase phase, bool& cancel) {
            if (name == "big" && phase == TProgressPhase::ppProcess && ++reports == 30) cancel = true;
        };
        arc.ExtractFiles("*.*", 10431, "");
        EXPECT_EQ(reports, 30);
        EXPECT_EQ(outFile("big"), "old big");
        EXPECT_EQ(listOut(), std::vector<std::string>{"big"});
        arc.OnFileProgress = nullptr;
        arc.ExtractFiles("*.*", 10431, "");
        EXPECT_EQ(outFile("big"), data);
        EXPECT_EQ(outFile("after"), "a");
    }
}

TEST_F(ArchiveExtractTest, ConfirmProcessFileFalsePassesTheEntryOver) {
    const std::string path = put({{{.name = "a", .data = "1"}, {.name = "b", .data = "2"}}});
    TZipArchiver arc;
    openOn(arc, path);
    EventLog log;
    log.attach(arc);
    arc.OnConfirmProcessFile = [](TBaseArchiver&, const std::string& name, TProcessOperation op, bool& confirm) {
        EXPECT_EQ(op, TProcessOperation::poExtract);
        confirm = name != "a";
    };
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_EQ(log.lines, (std::vector<std::string>{"overall start", "start b", "extract b", "process b", "end b",
                                                   "overall end"}));
    EXPECT_EQ(listOut(), std::vector<std::string>{"b"});
    EXPECT_EQ(arc.ProcessedFileNo(), 1);
}

TEST_F(ArchiveExtractTest, FailureBoxAnswersByCase) {
    const std::string boxText =
        "Archiver: Invalid size or check sum of file or unsupported compression format - Native error: 00008. "
        "File processing error, possibly disk is full";
    struct Case {
        std::string label;
        std::vector<DialogResult> answers;
        size_t boxes;
        std::vector<std::string> files;  // after the call
    };
    const std::vector<Case> cases = {
        {"ignore goes on", {DialogResult::Ignore}, 1, {"bad", "good1", "good2"}},
        {"retry then ignore", {DialogResult::Retry, DialogResult::Ignore}, 2, {"bad", "good1", "good2"}},
        {"abort stops", {DialogResult::Abort}, 1, {"bad", "good1"}},
        {"closed box aborts", {DialogResult::Cancel}, 1, {"bad", "good1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out);
        writeFile((out / "bad").string(), "old content");
        const std::string path = put({{{.name = "good1", .data = "1"},
                                       {.name = "bad", .data = "new content", .centralCrc = 1234},
                                       {.name = "good2", .data = "2"}}});
        TZipArchiver arc;
        openOn(arc, path);
        dialogs = {};
        dialogs.messageAnswers.assign(c.answers.begin(), c.answers.end());
        EventLog log;
        log.attach(arc);
        EXPECT_NO_THROW(arc.ExtractFiles("*.*", 10431, ""));
        ASSERT_EQ(dialogs.messages.size(), c.boxes);
        EXPECT_EQ(dialogs.messages[0].text, boxText);
        EXPECT_EQ(dialogs.messages[0].buttons, DialogButtons::AbortRetryIgnore);
        EXPECT_EQ(listOut(), c.files);
        EXPECT_EQ(outFile("bad"), "old content");
        EXPECT_EQ(log.lines.back(), "overall end");
    }
}

TEST_F(ArchiveExtractTest, FailureHandlerDecidesWithCodes) {
    const std::string path = put({{{.name = "bad", .data = "x", .centralCrc = 7}, {.name = "ok", .data = "y"}}});
    TZipArchiver arc;
    openOn(arc, path);
    int calls = 0;
    arc.OnProcessFileFailure = [&](TBaseArchiver&, const std::string& name, TProcessOperation op, int native, int code,
                                   const std::string& message, TFailureAction& action) {
        ++calls;
        EXPECT_EQ(name, "bad");
        EXPECT_EQ(op, TProcessOperation::poExtract);
        EXPECT_EQ(native, 8);
        EXPECT_EQ(code, 4);
        EXPECT_NE(message.find("Native error: 00008"), std::string::npos);
        EXPECT_EQ(action, TFailureAction::fxaIgnore);
    };
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(listOut(), std::vector<std::string>{"ok"});
}

// Runs an extraction of `entry` and returns the native error the failure request saw (0: none).
int failureOf(TZipArchiver& arc, std::string* message = nullptr) {
    int native = 0;
    arc.OnProcessFileFailure = [&](TBaseArchiver&, const std::string&, TProcessOperation, int n, int,
                                   const std::string& m, TFailureAction& action) {
        native = n;
        if (message) *message = m;
        action = TFailureAction::fxaIgnore;
    };
    arc.ExtractFiles("*.*", 10431, "");
    return native;
}

TEST_F(ArchiveExtractTest, DecodingFailuresByCase) {
    const std::string data = textOf(200000);
    const std::string big = textOf(2600000, 7);
    struct Case {
        std::string label;
        TestEntry entry;
        int native;
        bool withName;
    };
    std::vector<Case> cases = {
        {"crc mismatch", {.name = "f", .data = data, .centralCrc = 99}, 8, true},
        {"bzip2", {.name = "f", .data = data, .methodOverride = 12}, 8, true},
        {"lzma", {.name = "f", .data = data, .methodOverride = 14}, 8, true},
        {"deflate64", {.name = "f", .data = data, .methodOverride = 9}, 55, false},
        {"stored overlong", {.name = "f", .data = data, .method = 0, .centralUncompSize = 1000}, 8, true},
        {"deflated overlong", {.name = "f", .data = data, .centralUncompSize = 1000}, 8, true},
        {"deflated short", {.name = "f", .data = data, .centralUncompSize = 300000}, 8, true},
        {"garbage as deflate", {.name = "f", .data = data, .method = 0, .methodOverride = 8}, 8, true},
        {"good", {.name = "f", .data = data}, 0, true},
        // Checksums of encrypted stored data are taken while decrypting; of large entries
        // ahead of the writing: they must still be compared.
        {"encrypted stored crc mismatch", {.name = "f", .data = data, .method = 0, .password = "pw", .centralCrc = 3}, 8, true},
        {"large encrypted stored crc mismatch", {.name = "f", .data = big, .method = 0, .password = "pw", .centralCrc = 3}, 8, true},
        {"large stored crc mismatch", {.name = "f", .data = big, .method = 0, .centralCrc = 3}, 8, true},
        {"large deflated crc mismatch", {.name = "f", .data = big, .password = "pw", .centralCrc = 3}, 8, true},
        {"large stored overlong", {.name = "f", .data = big, .method = 0, .centralUncompSize = 2000000}, 8, true},
        {"large encrypted stored good", {.name = "f", .data = big, .method = 0, .password = "pw"}, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        const std::string path = put({{c.entry}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.setPassword("pw");
        std::string message;
        EXPECT_EQ(failureOf(arc, &message), c.native);
        if (c.native != 0) {
            EXPECT_EQ(message.rfind("Archiver: ", 0) == 0, c.withName) << message;
            EXPECT_TRUE(listOut().empty());
        } else {
            EXPECT_EQ(outFile("f"), c.entry.data);
        }
    }
}

TEST_F(ArchiveExtractTest, OverlongEntryStopsAtItsDeclaredSize) {
    // A bomb: 64 MB of zeros declared as 1 KB. The written file never grows past 1 KB.
    TestEntry e{.name = "bomb", .data = std::string(64 << 20, '\0'), .centralUncompSize = 1024};
    const std::string path = put({{e}});
    TZipArchiver arc;
    openOn(arc, path);
    arc.setExtractCorruptedFiles(true);
    uint64_t biggest = 0;
    arc.OnFileProgress = [&](TBaseArchiver&, const std::string&, double, TProcessOperation, TProgressPhase, bool&) {};
    arc.ExtractFiles("*.*", 10431, "");
    biggest = fs::file_size(out / "bomb");
    EXPECT_EQ(biggest, 1024u);  // kept as decoded (corrupted files wanted), cut at the declared size
}

TEST_F(ArchiveExtractTest, CorruptedFilesKeptWhenAsked) {
    const std::string path = put({{{.name = "f", .data = "content", .centralCrc = 5}}});
    TZipArchiver arc;
    openOn(arc, path);
    arc.setExtractCorruptedFiles(true);
    EXPECT_EQ(failureOf(arc), 0);
    EXPECT_EQ(outFile("f"), "content");
}

TEST_F(ArchiveExtractTest, DataIsCutAtTheCentralDirectory) {
    auto built = buildZip({{{.name = "f", .data = "hello world", .method = 0}}});
    // The central compressed size claims more: data reaching into the directory is refused
    // at open.
    built.bytes[built.centralDirOffset + 20] = 0x40;
    writeFile((root / "a.zip").string(), built.bytes);
    TZipArchiver arc;
    EXPECT_THROW(openOn(arc, (root / "a.zip").string()), EArchiveError);
    // A list rebuilt from local headers has no directory: the data ends with the file.
    writeFile((root / "a.zip").string(), built.bytes.substr(0, built.centralDirOffset - 2));
    openOn(arc, (root / "a.zip").string());
    ASSERT_TRUE(arc.DMHandle()->Rebuilt);
    EXPECT_EQ(failureOf(arc), 8);
    EXPECT_FALSE(outExists("f"));
}

TEST_F(ArchiveExtractTest, PathsLeadingOutsideAreRefused) {
    const std::vector<std::string> names = {
        "../escape.txt", "/abs.txt", "\\abs.txt", "\\\\server\\share\\x.txt", "C:\\x.txt", "c:x.txt",
        "a/../../escape.txt", "a\\..\\..\\escape.txt", "..", "a/..",
    };
    // Through the Unicode name block a name may carry a zero code unit.
    const std::string withZero("..\0x/escape.txt", 15);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        fs::remove_all(out);
        const std::string path = put({{{.name = name, .data = "evil"}, {.name = "ok.txt", .data = "fine"}}});
        TZipArchiver arc;
        openOn(arc, path);
        std::string message;
        EXPECT_EQ(failureOf(arc, &message), 19);
        EXPECT_NE(message.find("outside the base folder"), std::string::npos) << message;
        EXPECT_EQ(listOut(), std::vector<std::string>{"ok.txt"});
    }
    {
        fs::remove_all(out);
        const std::string path = put({{{.name = "z.txt", .data = "evil", .nucxName = withZero}}});
        TZipArchiver arc;
        openOn(arc, path);
        EXPECT_EQ(arc.Entry(0).Name, withZero);
        EXPECT_EQ(failureOf(arc), 19);
        EXPECT_TRUE(listOut().empty());
    }
    EXPECT_FALSE(fs::exists(root / "escape.txt"));
    EXPECT_FALSE(fs::exists("/abs.txt"));
}

// Links cannot be made under Wine; on Windows the folder handle refuses reparse points.
#ifndef _WIN32
TEST_F(ArchiveExtractTest, SymbolicLinksInsideTheBaseAreNotFollowed) {
    const fs::path outside = root / "outside";
    fs::create_directories(outside);
    fs::create_directories(out);
    fs::create_directory_symlink(outside, out / "link");
    writeFile((outside / "target.txt").string(), "precious");
    fs::create_symlink(outside / "target.txt", out / "file.txt");
    const std::string path = put({{{.name = "link/x.txt", .data = "evil"},
                                   {.name = "link/sub/y.txt", .data = "evil"},
                                   {.name = "file.txt", .data = "replaced"}}});
    TZipArchiver arc;
    openOn(arc, path);
    const std::vector<int> natives = extractAll(arc);
    EXPECT_EQ(natives, (std::vector<int>{19, 19}));
    EXPECT_TRUE(fs::is_empty(outside / "..") == false);
    EXPECT_EQ(std::vector<std::string>({"target.txt"}), [&] {
        std::vector<std::string> v;
        for (auto& e : fs::directory_iterator(outside)) v.push_back(e.path().filename().string());
        return v;
    }());
    EXPECT_EQ(readFile((outside / "target.txt").string()), "precious");
    // The link itself is replaced by the entry's file.
    EXPECT_FALSE(fs::is_symlink(out / "file.txt"));
    EXPECT_EQ(outFile("file.txt"), "replaced");
}
#endif

TEST_F(ArchiveExtractTest, OverwriteModesByCase) {
    // Entry time: 2025-01-01 12:00:00 local. Existing files older (2020) or newer (2030).
    const time_t older = *dosDateTimeToUnix(0x5021, 0x6000);  // 2020-01-01
    const time_t newer = *dosDateTimeToUnix(0x7C21, 0x6000);  // 2042-01-01
    struct Case {
        std::string label;
        TOverwriteMode mode;
        time_t existing;
        bool replaced;
    };
    const std::vector<Case> cases = {
        {"always", TOverwriteMode::omAlways, newer, true},
        {"never", TOverwriteMode::omNever, older, false},
        {"if newer, existing older", TOverwriteMode::omIfNewer, older, true},
        {"if newer, existing newer", TOverwriteMode::omIfNewer, newer, false},
        {"if older, existing older", TOverwriteMode::omIfOlder, older, false},
        {"if older, existing newer", TOverwriteMode::omIfOlder, newer, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out);
        writeFile((out / "f").string(), "old");
        files::FileHandle existing;
        ASSERT_FALSE(existing.openForUpdate((out / "f").string()));
        ASSERT_FALSE(existing.setModifiedTime(c.existing));
        ASSERT_FALSE(existing.close());
        const std::string path = put({{{.name = "f", .data = "new"}}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.Options().OverwriteMode = c.mode;
        EXPECT_EQ(failureOf(arc), 0);
        EXPECT_EQ(outFile("f"), c.replaced ? "new" : "old");
        EXPECT_EQ(arc.ProcessedFileNo(), 1);  // passed over counts as done
    }
}

TEST_F(ArchiveExtractTest, OverwriteQuestionByAnswer) {
    struct Case {
        std::string label;
        DialogResult answer;
        std::vector<std::string> contents;  // of f1, f2 after the call
        size_t questions;
        TOverwriteMode modeAfter;
    };
    const std::vector<Case> cases = {
        {"yes", DialogResult::Yes, {"new1", "old2"}, 2, TOverwriteMode::omPrompt},
        {"no", DialogResult::No, {"old1", "old2"}, 2, TOverwriteMode::omPrompt},
        {"no to all", DialogResult::NoToAll, {"old1", "old2"}, 1, TOverwriteMode::omNever},
        {"yes to all", DialogResult::YesToAll, {"new1", "new2"}, 1, TOverwriteMode::omAlways},
        {"closed", DialogResult::Cancel, {"old1", "old2"}, 2, TOverwriteMode::omPrompt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out);
        writeFile((out / "f1").string(), "old1");
        writeFile((out / "f2").string(), "old2");
        const std::string path = put({{{.name = "f1", .data = "new1"}, {.name = "f2", .data = "new2"}}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.Options().OverwriteMode = TOverwriteMode::omPrompt;
        dialogs = {};
        dialogs.messageAnswers = {c.answer, DialogResult::No};
        arc.ExtractFiles("*.*", 10431, "");
        ASSERT_EQ(dialogs.messages.size(), c.questions);
        EXPECT_EQ(dialogs.messages[0].text, "Overwrite file \"" + (out / "f1").string() + "\" with \"f1\"");
        EXPECT_EQ(dialogs.messages[0].buttons, DialogButtons::YesNoNoToAllYesToAll);
        EXPECT_EQ(outFile("f1"), c.contents[0]);
        EXPECT_EQ(outFile("f2"), c.contents[1]);
        EXPECT_EQ(arc.Options().OverwriteMode, c.modeAfter);
    }
}

TEST_F(ArchiveExtractTest, OverwriteHandlerMayChooseAnotherDestination) {
    fs::create_directories(out);
    writeFile((out / "f").string(), "old");
    const std::string path = put({{{.name = "f", .data = "new"}}});
    TZipArchiver arc;
    openOn(arc, path);
    arc.Options().OverwriteMode = TOverwriteMode::omPrompt;
    arc.OnConfirmOverwrite = [&](TBaseArchiver&, const std::string& source, std::string& dest, bool& confirm) {
        EXPECT_EQ(source, "f");
        EXPECT_EQ(dest, (out / "f").string());
        EXPECT_TRUE(confirm);
        dest = (out / "g").string();
    };
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_EQ(outFile("f"), "old");
    EXPECT_EQ(outFile("g"), "new");
}

TEST_F(ArchiveExtractTest, ReadOnlyFilesAreReplacedUnlessTold) {
    for (bool replace : {true, false}) {
        SCOPED_TRACE(replace);
        ASSERT_FALSE(files::removeTree(out.string()));  // read-only files too, on Windows as well
        fs::create_directories(out);
        writeFile((out / "f").string(), "old");
        fs::permissions(out / "f", fs::perms::owner_read | fs::perms::group_read);
        const std::string path = put({{{.name = "f", .data = "new"}}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.Options().ReplaceReadOnly = replace;
        EXPECT_EQ(failureOf(arc), 0);
        EXPECT_EQ(outFile("f"), replace ? "new" : "old");
    }
}

// Names cross into the system as UTF-16 on Windows, and a path longer than the old limit
// of 260 characters takes the platform's long form there: first made, then replaced.
TEST_F(ArchiveExtractTest, CyrillicNamesAndPathsBeyondTheOldLimit) {
    std::string deep;
    for (char c : std::string("pqrs")) deep += std::string(60, c) + "/Каталог/";
    const std::string big = textOf(2600000, 3);  // large: decoded ahead where the platform can
    struct Entry {
        std::string name;
        std::string data;
    };
    const std::vector<Entry> entries = {
        {"Документы/Отчёт за май.txt", "отчёт"}, {deep + "Файл.bin", big}, {deep + "второй.txt", "2"}};
    for (const char* round : {"made", "replaced"}) {
        SCOPED_TRACE(round);
        TestArchive archive;
        for (const Entry& e : entries) archive.entries.push_back({.name = e.name, .data = e.data, .utf8Flag = true});
        const std::string path = put(archive);
        TZipArchiver arc;
        openOn(arc, path);
        EXPECT_EQ(failureOf(arc), 0);
        for (const Entry& e : entries) {
            SCOPED_TRACE(e.name);
            const std::string file = out.string() + "/" + e.name;
            std::string content;
            EXPECT_FALSE(files::readWholeFile(file, content));
            EXPECT_TRUE(content == e.data);
        }
    }
    std::string folder = files::textOf(out) + "/" + deep;
    folder.pop_back();
    EXPECT_GT(folder.size(), 260u);
    EXPECT_TRUE(files::directoryExists(folder));
    // No temporary file left anywhere (the library's listing stops at the old limit on
    // Windows, and gives names in the ANSI code page there).
#ifndef _WIN32
    EXPECT_EQ(listOut().size(), 2u + 8u + 2u);
#endif
}

#ifdef _WIN32
// A destination another program holds open without sharing cannot be replaced on Windows:
// the entry fails as one that cannot be created, and the old file stays whole.
TEST_F(ArchiveExtractTest, ADestinationHeldOpenWithoutSharingIsLeftAsItWas) {
    fs::create_directories(out);
    writeFile((out / "f").string(), "old");
    const HANDLE held = CreateFileW((out / "f").wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::string path = put({{{.name = "f", .data = "new"}, {.name = "g", .data = "next"}}});
    TZipArchiver arc;
    openOn(arc, path);
    const int failure = failureOf(arc);
    CloseHandle(held);
    EXPECT_EQ(failure, 19);
    EXPECT_EQ(outFile("f"), "old");
    EXPECT_EQ(outFile("g"), "next");
    EXPECT_EQ(listOut(), (std::vector<std::string>{"f", "g"}));
}
#endif

// The permission bits of a file; on Windows only the owner's write bit (the read-only
// attribute) means anything.
unsigned modeOf(const fs::path& p) {
#ifdef _WIN32
    return static_cast<unsigned>(fs::status(p).permissions() & fs::perms::mask) & 0666;
#else
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
#endif
}

time_t modifiedOf(const fs::path& p) {
    files::FileHandle file;
    files::FileHandle::Status status;
    if (file.openForReading(p.string()) || file.status(status)) return 0;
    return static_cast<time_t>(status.modified);
}

TEST_F(ArchiveExtractTest, TimesAndAttributesByCase) {
    // Read-only files: on Windows only the platform's own removal takes them.
    const auto clearOut = [&] { ASSERT_FALSE(files::removeTree(out.string())); };
    const unsigned def = 0666 & ~files::creationMask();
    struct Case {
        std::string label;
        TestEntry entry;
        bool setAttributes;
        unsigned mode;
    };
    const std::vector<Case> cases = {
        {"dos archive bit", {.name = "f", .data = "x", .externalAttr = 0x20}, true, def},
        {"dos read-only", {.name = "f", .data = "x", .externalAttr = 0x21}, true, def & ~0222u},
        {"unix executable", {.name = "f", .data = "x", .externalAttr = (0100755u << 16), .versionMadeBy = 0x031E},
         true, 0755},
        {"unix private", {.name = "f", .data = "x", .externalAttr = (0100600u << 16) | 0x20, .versionMadeBy = 0x031E},
         true, 0600},
        {"unix set-id bits dropped", {.name = "f", .data = "x", .externalAttr = (0104755u << 16), .versionMadeBy = 0x031E},
         true, 0755},
        {"attributes not set", {.name = "f", .data = "x", .externalAttr = (0100700u << 16), .versionMadeBy = 0x031E},
         false, def},
        {"dos mode bits from a dos host ignored", {.name = "f", .data = "x", .externalAttr = (0100700u << 16) | 0x20},
         true, def},
        {"unix mode without a file type", {.name = "f", .data = "x", .externalAttr = (0750u << 16), .versionMadeBy = 0x031E},
         true, 0750},
        // Links and device nodes are written as ordinary files holding their data (a link's
        // target), never with more than the default bits: a link's 0777 would make them
        // world-writable and executable.
        {"unix symbolic link", {.name = "f", .data = "x", .externalAttr = (0120777u << 16), .versionMadeBy = 0x031E},
         true, def},
        {"unix symbolic link, dos read-only", {.name = "f", .data = "x", .externalAttr = (0120777u << 16) | 0x01,
         .versionMadeBy = 0x031E}, true, def & ~0222u},
        {"unix character device", {.name = "f", .data = "x", .externalAttr = (0020666u << 16), .versionMadeBy = 0x031E},
         true, def},
        {"unix block device", {.name = "f", .data = "x", .externalAttr = (0060777u << 16), .versionMadeBy = 0x031E},
         true, def},
        {"unix fifo", {.name = "f", .data = "x", .externalAttr = (0010755u << 16), .versionMadeBy = 0x031E}, true, def},
        // What Info-ZIP zip records for a file read from standard input stays private.
        {"unix fifo, private", {.name = "f", .data = "x", .externalAttr = (0010600u << 16), .versionMadeBy = 0x031E},
         true, def & 0600},
        {"unix socket", {.name = "f", .data = "x", .externalAttr = (0140777u << 16), .versionMadeBy = 0x031E}, true, def},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        clearOut();
        TestEntry e = c.entry;
        e.date = 0x5A2F;  // 2025-01-15
        e.time = 0x8A6B;  // 17:19:22
        const std::string path = put({{e}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.Options().SetAttributes = c.setAttributes;
        EXPECT_EQ(failureOf(arc), 0);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out / "f")));
        EXPECT_EQ(outFile("f"), "x");
#ifdef _WIN32
        EXPECT_EQ(modeOf(out / "f") & 0200, c.mode & 0200);
#else
        EXPECT_EQ(modeOf(out / "f"), c.mode);
#endif
        const std::tm tm = files::localTime(modifiedOf(out / "f"));
        EXPECT_EQ(tm.tm_year + 1900, 2025);
        EXPECT_EQ(tm.tm_mon + 1, 1);
        EXPECT_EQ(tm.tm_mday, 15);
        EXPECT_EQ(tm.tm_hour, 17);
        EXPECT_EQ(tm.tm_min, 19);
        EXPECT_EQ(tm.tm_sec, 22);
    }
}

TEST_F(ArchiveExtractTest, ExtractFileHandlerMayRenameAndChangeAttributes) {
    const std::string path = put({{{.name = "a.txt", .data = "A", .comment = "note"}}});
    TZipArchiver arc;
    openOn(arc, path);
    arc.OnExtractFile = [](TBaseArchiver&, std::string& name, uint32_t& attr, const std::string& comment) {
        EXPECT_EQ(comment, "note");
        EXPECT_EQ(attr, 0x20u);
        name = "renamed/b.txt";
        attr = 0x21;
    };
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_EQ(listOut(), (std::vector<std::string>{"renamed", "renamed/b.txt"}));
    EXPECT_EQ(modeOf(out / "renamed" / "b.txt") & 0222, 0u);
}

TEST_F(ArchiveExtractTest, FoldersAndBaseFolder) {
    const std::string path = put({{{.name = "deep/er/", .method = 0, .externalAttr = 0x10},
                                   {.name = "x/y/z.txt", .data = "z"},
                                   {.name = "folder-attr", .method = 0, .externalAttr = 0x10}}});
    TZipArchiver arc;
    openOn(arc, path);
    arc.setBaseDir((out / "not" / "yet").string());  // no trailing separator, does not exist
    EXPECT_EQ(failureOf(arc), 0);
    EXPECT_TRUE(fs::is_directory(out / "not/yet/deep/er"));
    EXPECT_EQ(outFile("not/yet/x/y/z.txt"), "z");
    EXPECT_TRUE(fs::is_directory(out / "not/yet/folder-attr"));  // the folder itself, not only its parents

    fs::remove_all(out);
    fs::create_directories(out);
    TZipArchiver flat;
    openOn(flat, path);
    flat.Options().CreateDirs = false;
    EXPECT_EQ(failureOf(flat), 0);
    EXPECT_EQ(listOut(), std::vector<std::string>{"z.txt"});
}

TEST_F(ArchiveExtractTest, FolderThatCannotBeMadeFailsWith20) {
    fs::create_directories(out);
    writeFile((out / "x").string(), "a file where a folder should be");
    const std::string path = put({{{.name = "x/y.txt", .data = "y"}}});
    TZipArchiver arc;
    openOn(arc, path);
    std::string message;
    EXPECT_EQ(failureOf(arc, &message), 20);
    const std::string sep(1, files::kSeparator);
    EXPECT_EQ(message, "Archiver: Cannot create directory \"" + out.string() + sep + "x" + sep + "\" - Native error: 00020");
}

TEST_F(ArchiveExtractTest, EmptyBaseDirUsesTheCurrentFolder) {
    const std::string path = put({{{.name = "here.txt", .data = "h"}}});
    fs::create_directories(out);
    const auto saved = fs::current_path();
    fs::current_path(out);
    TZipArchiver arc;
    arc.setFileName(path);
    arc.OpenArchive();
    arc.ExtractFiles("*.*", 10431, "");
    fs::current_path(saved);
    EXPECT_EQ(arc.CurrentDir(), out.string());
    EXPECT_EQ(outFile("here.txt"), "h");
}

TEST_F(ArchiveExtractTest, ReadPastTheEndLeavesExtractFiles) {
    auto built = buildZip({{{.name = "a", .data = "1"}, {.name = "b", .data = "2", .password = "pw"}}});
    // Cut after the second entry's name: its encryption header lies past the end of the
    // file (the list is rebuilt from the local headers).
    built.bytes.resize(built.dataOffsets[1] - zip::kEncryptionHeaderSize);
    writeFile((root / "a.zip").string(), built.bytes);
    TZipArchiver arc;
    openOn(arc, (root / "a.zip").string());
    ASSERT_EQ(arc.FileCount(), 2u);
    EXPECT_THROW(arc.ExtractFiles("*.*", 10431, ""), EReadError);
    EXPECT_EQ(listOut(), std::vector<std::string>{"a"});
    // The process-wide lock was released: another thread takes it at once.
    bool taken = false;
    std::thread([&] {
        taken = archiveProcessLock().try_lock();
        if (taken) archiveProcessLock().unlock();
    }).join();
    EXPECT_TRUE(taken);
}

} // namespace
} // namespace upd::test
