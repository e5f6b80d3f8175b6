#include <gtest/gtest.h>

#include "archive/mask_match.h"
#include "archive_test_support.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;
using ArchiveDecodeTest = ArchiveTest;

const std::string kPassword = "Xa9Pq2LmT7vRb4NcW8yKd3Hs6Gf1Zj0E";

TEST_F(ArchiveDecodeTest, EncryptedEntriesByCase) {
    const std::string big = textOf(2500000, 3);
    struct Case {
        std::string label;
        TestEntry entry;
    };
    const std::vector<Case> cases = {
        {"deflated", {.name = "d.txt", .data = big, .password = kPassword}},
        {"stored", {.name = "s.txt", .data = big, .method = 0, .password = kPassword}},
        {"data descriptor checks the time", {.name = "dd.txt", .data = big, .password = kPassword, .dataDescriptor = true, .time = 0xA5C3}},
        {"empty stored", {.name = "e.txt", .data = "", .method = 0, .password = kPassword}},
        {"empty deflated", {.name = "e2.txt", .data = "", .password = kPassword}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        const std::string path = put({{c.entry}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.setPassword(kPassword);
        arc.ExtractFiles("*.*", 10431, "");
        EXPECT_TRUE(dialogs.messages.empty());
        EXPECT_TRUE(dialogs.passwordCaptions.empty());
        EXPECT_EQ(outFile(c.entry.name), c.entry.data);
    }
}

TEST_F(ArchiveDecodeTest, PasswordPromptByAnswer) {
    struct Case {
        std::string label;
        std::string initial;
        std::vector<ScriptedDialogs::PasswordAnswer> answers;
        size_t prompts;
        std::vector<std::string> files;
        std::string passwordAfter;
    };
    const std::vector<Case> cases = {
        {"right password, no prompt", kPassword, {}, 0, {"a/one.txt", "two.txt"}, kPassword},
        {"cancel skips every entry", "wrong", {{false, ""}, {false, ""}}, 2, {}, "wrong"},
        {"new password stays", "wrong", {{true, kPassword}}, 1, {"a/one.txt", "two.txt"}, kPassword},
        {"empty password asks", "", {{true, "nope"}, {true, kPassword}}, 2, {"a/one.txt", "two.txt"}, kPassword},
        {"cancel first, then right", "", {{false, ""}, {true, kPassword}}, 2, {"two.txt"}, kPassword},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        const std::string path = put({{{.name = "a/one.txt", .data = "1111", .password = kPassword},
                                       {.name = "two.txt", .data = "2222", .password = kPassword}}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.setPassword(c.initial);
        dialogs = {};
        dialogs.passwordAnswers.assign(c.answers.begin(), c.answers.end());
        arc.ExtractFiles("*.*", 10431, "");
        ASSERT_EQ(dialogs.passwordCaptions.size(), c.prompts);
        if (c.prompts > 0) {
            EXPECT_EQ(dialogs.passwordCaptions[0], "Password for \"a/one.txt\"");
            EXPECT_EQ(dialogs.passwordPrompts[0], "Enter password: ");
        }
        EXPECT_TRUE(dialogs.messages.empty());  // a refused password is no failure
        std::vector<std::string> files;
        for (auto& f : listOut())
            if (f != "a") files.push_back(f);
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(arc.Password(), c.passwordAfter);
    }
}

TEST_F(ArchiveDecodeTest, PasswordTypedIsKeptAsAnsi) {
    const std::string ansi = "\xCF\xE0\xF0\xEE\xEB\xFC";  // "Пароль" in 1251
    const std::string path = put({{{.name = "f", .data = "x", .password = ansi}}});
    TZipArchiver arc;
    openOn(arc, path);
    dialogs.passwordAnswers = {{true, "Пароль"}};
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_EQ(arc.Password(), ansi);
    EXPECT_EQ(outFile("f"), "x");
}

TEST_F(ArchiveDecodeTest, PasswordHandlerSeesTheStoredName) {
    const std::string path = put({{{.name = "dir\\f.txt", .data = "x", .password = kPassword},
                                   {.name = "g.txt", .data = "y", .password = kPassword}}});
    TZipArchiver arc;
    openOn(arc, path);
    std::vector<std::string> asked;
    arc.OnPassword = [&](TBaseArchiver&, const std::string& name, std::string& password, bool& skip) {
        asked.push_back(name);
        EXPECT_FALSE(skip);
        if (asked.size() == 1) password = "still wrong";
        else password = kPassword;
    };
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_EQ(asked, (std::vector<std::string>{"dir\\f.txt", "dir\\f.txt"}));
    EXPECT_TRUE(dialogs.passwordCaptions.empty());
    EXPECT_EQ(outFile("dir/f.txt"), "x");
    EXPECT_EQ(outFile("g.txt"), "y");
}

TEST_F(ArchiveDecodeTest, ProgressRisesWithinTheEntrysShareOfTheWhole) {
    const std::string big = textOf(3 << 20, 9);
    const std::string path = put({{{.name = "1", .data = "a"}, {.name = "2", .data = big, .password = kPassword},
                                   {.name = "3", .data = "c"}, {.name = "4", .data = "d"}}});
    TZipArchiver arc;
    openOn(arc, path);
    arc.setPassword(kPassword);
    std::vector<double> file2, overall2;
    std::string current;
    arc.OnFileProgress = [&](TBaseArchiver&, const std::string& name, double p, TProcessOperation, TProgressPhase ph,
                             bool&) {
        current = name;
        if (name == "2" && ph == TProgressPhase::ppProcess) file2.push_back(p);
    };
    arc.OnOverallProgress = [&](TBaseArchiver&, double p, TProcessOperation, TProgressPhase ph, bool&) {
        if (current == "2" && ph == TProgressPhase::ppProcess) overall2.push_back(p);
    };
    arc.ExtractFiles("*.*", 10431, "");
    ASSERT_GE(file2.size(), 3u);
    EXPECT_EQ(file2.front(), 0);
    for (size_t i = 1; i < file2.size(); ++i) EXPECT_GT(file2[i], file2[i - 1]);
    ASSERT_EQ(overall2.size(), file2.size());
    EXPECT_EQ(overall2.front(), 25);
    for (double p : overall2) {
        EXPECT_GE(p, 25);
        EXPECT_LT(p, 50);
    }
}

TEST_F(ArchiveDecodeTest, StoredProgressCountsTheSliceAboutToBeWritten) {
    const std::string path = put({{{.name = "s", .data = std::string(131070, 's'), .method = 0}}});
    TZipArchiver arc;
    openOn(arc, path);
    std::vector<double> seen;
    arc.OnFileProgress = [&](TBaseArchiver&, const std::string&, double p, TProcessOperation, TProgressPhase ph, bool&) {
        if (ph == TProgressPhase::ppProcess) seen.push_back(p);
    };
    arc.ExtractFiles("*.*", 10431, "");
    EXPECT_EQ(seen, (std::vector<double>{50, 100}));
}

// Output that fails once `budget` bytes have been written to the files.
class FullDiskArchiver : public TZipArchiver {
public:
    size_t budget = 0;

protected:
    size_t writeOutput(files::FileHandle& file, const uint8_t* data, size_t n, uint64_t offset) override {
        const size_t take = std::min(n, budget);
        const size_t written = TZipArchiver::writeOutput(file, data, take, offset);
        budget -= written;
        return written;
    }
};

TEST_F(ArchiveDecodeTest, FullDiskByCase) {
    const std::string data = textOf(300000, 5);
    struct Case {
        std::string label;
        int handler;  // 0 none, 1 frees space and retries, 2 cancels
        int native;
        bool written;
    };
    const std::vector<Case> cases = {
        {"no handler", 0, 65, false},
        {"handler retries after freeing space", 1, 0, true},
        {"handler cancels", 2, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out);
        writeFile((out / "f").string(), "old");
        const std::string path = put({{{.name = "f", .data = data}, {.name = "g", .data = "g"}}});
        FullDiskArchiver arc;
        openOn(arc, path);
        arc.budget = 1000;
        int asked = 0;
        if (c.handler != 0)
            arc.OnDiskFull = [&](TBaseArchiver&, int volume, const std::string& file, bool& cancel) {
                ++asked;
                EXPECT_EQ(volume, 0);
                EXPECT_EQ(file, path);
                EXPECT_FALSE(cancel);
                if (c.handler == 1) arc.budget = 1 << 30;
                if (c.handler == 2) cancel = true;
            };
        int native = 0;
        std::string message;
        arc.OnProcessFileFailure = [&](TBaseArchiver&, const std::string&, TProcessOperation, int n, int,
                                       const std::string& m, TFailureAction& a) {
            native = n;
            message = m;
            arc.budget = 1 << 30;  // space freed for the next entry
            a = TFailureAction::fxaIgnore;
        };
        arc.ExtractFiles("*.*", 10431, "");
        EXPECT_EQ(native, c.native);
        if (c.native == 65) {
            EXPECT_EQ(message, "Disk is full. There is not enough free space on disk. - Native error: 00065");
        }
        EXPECT_EQ(asked, c.handler == 0 ? 0 : 1);
        EXPECT_EQ(outFile("f"), c.written ? data : "old");
        // A cancel at the write stops the whole extraction; otherwise the next entry follows.
        EXPECT_EQ(fs::exists(out / "g"), c.handler != 2);
        for (auto& name : listOut()) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    }
}

TEST(ArchiveMaskMatchTest, RulesByCase) {
    struct Case {
        std::string name, mask;
        bool match;
    };
    const std::vector<Case> cases = {
        {"Doc/Readme.TXT", "*.txt", true},
        {"noext", "*.*", true},
        {"", "*", true},
        {"", "*.*", true},
        {"a", "", false},
        {"readme", "readme.", true},
        {"readme.txt", "readme.", false},
        {"readme.", "readme.", true},
        {"readme", "*.", true},
        {"dir.d/readme", "*.", true},
        {"readme.txt", "*.", false},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"Файл.txt", "Файл.*", true},
        {"Файл.txt", "файл.*", false},  // only A-Z fold
        {"ABC.TXT", "abc.txt", true},
        {"x/y/z.dat", "x*z.dat", true},
        {"a.b.c", "*.c", true},
        {"a.b.c", "*.b", false},
        {"aaa", "*a*a*a*", true},
        {"aa", "*a*a*a*", false},
    };
    for (const auto& c : cases) EXPECT_EQ(matchesMask(c.name, c.mask), c.match) << c.name << " ~ " << c.mask;
}

TEST_F(ArchiveDecodeTest, SelectionByMaskAttributesAndExclusion) {
    const std::string path = put({{{.name = "Doc/Readme.TXT", .data = "r"},
                                   {.name = "Doc/other.txt", .data = "o"},
                                   {.name = "readme", .data = "n"},
                                   {.name = "hidden.txt", .data = "h", .externalAttr = 0x22},
                                   {.name = "sys.txt", .data = "s", .externalAttr = 0x24},
                                   {.name = "folder/", .method = 0, .externalAttr = 0x10}}});
    struct Case {
        std::string label;
        std::string mask;
        int attr;
        std::string exclusion;
        bool recurse;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"all", "*.*", 10431, "", true,
         {"Doc/Readme.TXT", "Doc/other.txt", "readme", "hidden.txt", "sys.txt", "folder/"}},
        {"txt", "*.txt", 10431, "", true, {"Doc/Readme.TXT", "Doc/other.txt", "hidden.txt", "sys.txt"}},
        {"file-name part", "readme.txt", 10431, "", true, {"Doc/Readme.TXT"}},
        {"no extension", "readme.", 10431, "", true, {"readme"}},
        {"hidden excluded by attribute", "*.txt", 0x20, "", true, {"Doc/Readme.TXT", "Doc/other.txt"}},
        {"system allowed", "*.txt", 0x24, "", true, {"Doc/Readme.TXT", "Doc/other.txt", "sys.txt"}},
        {"folders need the folder bit", "*", 0x01, "", true, {"Doc/Readme.TXT", "Doc/other.txt", "readme"}},
        {"exclusion", "*.txt", 10431, "Doc/*", true, {"hidden.txt", "sys.txt"}},
        {"backslash mask", "Doc\\*.txt", 10431, "", true, {"Doc/Readme.TXT", "Doc/other.txt"}},
        {"drive removed", "C:*.TXT", 10431, "", true, {"Doc/Readme.TXT", "Doc/other.txt", "hidden.txt", "sys.txt"}},
        {"no recursion: same folder only", "Doc/*.txt", 10431, "", false, {"Doc/Readme.TXT", "Doc/other.txt"}},
        {"no recursion: top level", "*.txt", 10431, "", false, {"hidden.txt", "sys.txt"}},
        {"single name through the index", "doc/readme.txt", 10431, "", false, {"Doc/Readme.TXT"}},
        {"single name missing", "nothing", 10431, "", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TZipArchiver arc;
        openOn(arc, path);
        arc.Options().Recurse = c.recurse;
        std::vector<std::string> found;
        TArchiveItem f;
        for (bool more = arc.FindFirst(c.mask, f, c.attr, c.exclusion); more; more = arc.FindNext(f))
            found.push_back(arc.Entry(static_cast<size_t>(f.Handle.ItemNo)).Name);
        EXPECT_EQ(found, c.names);
        // ExtractFiles selects the same entries.
        fs::remove_all(out);
        std::vector<std::string> extracted;
        arc.OnExtractFile = [&](TBaseArchiver&, std::string& name, uint32_t&, const std::string&) {
            extracted.push_back(name);
        };
        arc.ExtractFiles(c.mask, c.attr, c.exclusion);
        EXPECT_EQ(extracted.size(), c.names.size());
    }
}

TEST_F(ArchiveDecodeTest, SearchRecordFields) {
    const std::string data = textOf(10000);
    const std::string path = put({{{.name = "Doc/sub/Readme.txt", .data = data, .password = kPassword,
                                    .externalAttr = 0x21, .time = 0x1234, .date = 0x5678, .comment = "c"},
                                   {.name = "empty", .data = "", .method = 0}}});
    TZipArchiver arc;
    openOn(arc, path);
    TArchiveItem f;
    ASSERT_TRUE(arc.FindFirst("*", f));
    EXPECT_EQ(f.FileName, "Readme.txt");
    EXPECT_EQ(f.StoredPath, platformName("Doc/sub/"));
    EXPECT_EQ(f.UncompressedSize, 10000);
    EXPECT_GT(f.CompressionRate, 0);
    EXPECT_LT(f.CompressionRate, 100);
    EXPECT_TRUE(f.Encrypted);
    EXPECT_EQ(f.LastModFileTime, 0x1234);
    EXPECT_EQ(f.LastModFileDate, 0x5678);
    EXPECT_EQ(f.CRC, crc32Of(data));
    EXPECT_EQ(f.ExternalFileAttributes, 0x21u);
    EXPECT_EQ(f.Comment, "c");
    ASSERT_TRUE(arc.FindNext(f));
    EXPECT_EQ(f.FileName, "empty");
    EXPECT_EQ(f.StoredPath, "");
    EXPECT_EQ(f.CompressionRate, 100);
    EXPECT_FALSE(arc.FindNext(f));
}

} // namespace
} // namespace upd::test
