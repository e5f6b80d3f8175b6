// Hostile entry names: whatever an archive calls its entries, nothing is written outside
// the base folder, nothing outside changes, and names that stay inside land where they say.
#include <gtest/gtest.h>

#include <map>

#include "archive_test_support.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;

// Every path under `dir` (not following links) with its content or link target.
std::map<std::string, std::string> snapshot(const fs::path& dir, const fs::path& skip = {}) {
    std::map<std::string, std::string> tree;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& p = it->path();
        if (!skip.empty() && p == skip) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string rel = fs::relative(p, dir).string();
        if (it->is_symlink())
            tree[rel] = "-> " + fs::read_symlink(p).string();
        else if (it->is_directory())
            tree[rel] = "<dir>";
        else
            tree[rel] = readFile(p.string());
    }
    return tree;
}

class HostileNamesTest : public ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        fs::create_directories(root / "outside");
        writeFile((root / "outside" / "precious.txt").string(), "precious");
        writeFile((root / "escape.txt").string(), "old escape");
        fs::create_directories(out);
    }
    // Extracts with every failure ignored; returns the native errors in order.
    std::vector<int> extract(const TestArchive& archive) {
        const std::string path = put(archive);
        before_ = snapshot(root, out);
        TZipArchiver arc;
        openOn(arc, path);
        return extractAll(arc);
    }
    // Outside the base folder everything is as it was.
    void expectOutsideUntouched() { EXPECT_EQ(snapshot(root, out), before_); }

    std::map<std::string, std::string> before_;
};

struct NameCase {
    std::string label;
    std::string name;     // raw bytes of the entry name
    std::string nucx;     // the Unicode name block, when the attack hides there
    bool utf8 = false;
    std::string landsAt;  // relative path under the base folder; empty: refused with 19
};

TEST_F(HostileNamesTest, EveryNameStaysInsideOrIsRefused) {
    const std::vector<NameCase> cases = {
        {"parent at the start", "../escape.txt", "", false, ""},
        {"parent deep inside", "a/b/../../../escape.txt", "", false, ""},
        {"parent with backslashes", "a\\..\\..\\escape.txt", "", false, ""},
        {"parent with mixed separators", "a/..\\..\\escape.txt", "", false, ""},
        {"parent as the whole name", "..", "", false, ""},
        {"parent as a folder entry", "../", "", false, ""},
        {"absolute path", "/tmp/upd_hostile_abs.txt", "", false, ""},
        {"absolute with backslash", "\\escape.txt", "", false, ""},
        {"network path", "\\\\server\\share\\escape.txt", "", false, ""},
        {"drive with backslash", "C:\\escape.txt", "", false, ""},
        {"drive with slash", "d:/escape.txt", "", false, ""},
        {"drive relative", "c:escape.txt", "", false, ""},
        {"long path prefix", "\\\\?\\C:\\escape.txt", "", false, ""},
        {"parent in the Unicode block", "innocent.txt", "../escape.txt", false, ""},
        {"absolute in the Unicode block", "innocent.txt", "/tmp/upd_hostile_abs.txt", false, ""},
        {"parent in a UTF-8 name", "../Пример.txt", "", true, ""},
        {"empty name", "", "", false, ""},
        {"empty segments", "a//b///c.txt", "", false, "a/b/c.txt"},
        {"dot segments", "./a/./b/./c.txt", "", false, "a/b/c.txt"},
        {"backslash separators", "a\\b\\c.txt", "", false, "a/b/c.txt"},
        {"dots inside a name", "a/..b/c..txt", "", false, "a/..b/c..txt"},
        // Names Windows cannot hold are refused on every platform, so that one archive
        // gives the same tree everywhere.
        {"three dots, which Windows cuts to nothing", ".../c.txt", "", false, ""},
        {"colon inside a folder name", "a/c:x.txt", "", false, ""},
        {"colon naming a data stream", "a.txt:stream", "", false, ""},
        {"trailing dot", "a/b./c.txt", "", false, ""},
        {"trailing space", "c.txt ", "", false, ""},
        {"device name", "CON", "", false, ""},
        {"device name with an extension", "sub/nul.txt", "", false, ""},
        {"device name as a folder", "Lpt1/c.txt", "", false, ""},
        {"device name in the Unicode block", "innocent.txt", "папка/aux.log", false, ""},
        {"wildcard", "c*.txt", "", false, ""},
        {"question mark from an unknown character", "a?b.txt", "", false, ""},
        {"quote, pipe and angle brackets", "a\"|<>.txt", "", false, ""},
        {"control character", "a\x01b.txt", "", false, ""},
        {"line break", "a\nb.txt", "", false, ""},
        {"device-like names that are plain names", "console/nul1.txt", "", false, "console/nul1.txt"},
        {"leading dot and space are kept", " .hidden", "", false, " .hidden"},
        {"Cyrillic through the Unicode block", "x.txt", "Папка/Файл.txt", false, "Папка/Файл.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out);
        const auto natives = extract({{{.name = c.name, .data = "entry", .utf8Flag = c.utf8, .nucxName = c.nucx},
                                       {.name = "ok.txt", .data = "fine"}}});
        expectOutsideUntouched();
        EXPECT_FALSE(fs::exists("/tmp/upd_hostile_abs.txt"));
        if (c.landsAt.empty()) {
            EXPECT_EQ(natives, std::vector<int>{19});
            EXPECT_EQ(listOut(), std::vector<std::string>{"ok.txt"});
        } else {
            EXPECT_TRUE(natives.empty());
            EXPECT_EQ(outFile(c.landsAt), "entry");
        }
        EXPECT_EQ(outFile("ok.txt"), "fine");
    }
}

// Symbolic links already in the base folder are never followed, whether they lead
// outside, nowhere yet, or back inside; the entry replaces a link only where the link
// itself is the destination.
struct LinkCase {
    std::string label;
    std::string linkName;   // under the base folder
    std::string target;     // relative to the test root, or absolute
    bool folderLink = false;
    std::string entryName;
    int native;             // 0: extracted, replacing the link
};

// Links cannot be made under Wine; on Windows the folder handle refuses reparse points.
#ifndef _WIN32
TEST_F(HostileNamesTest, LinksInsideTheBaseAreNeverFollowed) {
    const std::vector<LinkCase> cases = {
        {"dangling link to a new file outside", "new.txt", "outside/created.txt", false, "new.txt", 0},
        {"link to a file outside", "p.txt", "outside/precious.txt", false, "p.txt", 0},
        {"link to a folder outside, entry below it", "dir", "outside", true, "dir/x.txt", 19},
        {"dangling link to a folder outside, entry below it", "dir", "outside/newdir", true, "dir/x.txt", 19},
        {"link to a folder outside, named with a backslash", "dir", "outside", true, "dir\\x.txt", 19},
        {"link to the base's parent", "up", "..", true, "up/escape.txt", 19},
        {"link to a folder inside", "alias", "out/real", true, "alias/x.txt", 19},
        {"link to itself", "loop", "out/loop", false, "loop/x.txt", 19},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out / "real");
        const fs::path target = c.target == ".." ? fs::path("..") : root / c.target;
        if (c.folderLink)
            fs::create_directory_symlink(target, out / c.linkName);
        else
            fs::create_symlink(target, out / c.linkName);
        const auto natives = extract({{{.name = c.entryName, .data = "entry"}}});
        expectOutsideUntouched();
        EXPECT_FALSE(fs::exists(root / "outside" / "created.txt"));
        EXPECT_FALSE(fs::exists(root / "outside" / "newdir"));
        EXPECT_TRUE(fs::is_empty(out / "real"));
        if (c.native == 0) {
            EXPECT_TRUE(natives.empty());
            EXPECT_FALSE(fs::is_symlink(out / c.linkName));
            EXPECT_EQ(outFile(c.linkName), "entry");
        } else {
            EXPECT_EQ(natives, std::vector<int>{c.native});
            EXPECT_TRUE(fs::is_symlink(out / c.linkName));
        }
    }
}

// Entries that collide with each other or with what is there: a failure never loses the
// folder or the file already present.
#endif

TEST_F(HostileNamesTest, CollidingEntriesLoseNothing) {
    writeFile((out / "keep.txt").string(), "old");
    fs::create_directories(out / "folder");
    writeFile((out / "folder" / "inner.txt").string(), "inner");
    const auto natives = extract({{{.name = "folder", .data = "a file over a folder"},
                                   {.name = "keep.txt/x.txt", .data = "below a file"},
                                   {.name = "keep.txt/", .method = 0, .externalAttr = 0x10},
                                   {.name = "same.txt", .data = "first"},
                                   {.name = "same.txt", .data = "second"}}});
    expectOutsideUntouched();
    EXPECT_EQ(natives.size(), 3u);
    EXPECT_EQ(outFile("keep.txt"), "old");
    EXPECT_EQ(outFile("folder/inner.txt"), "inner");
    EXPECT_EQ(outFile("same.txt"), "second");
    EXPECT_EQ(listOut(), (std::vector<std::string>{"folder", "folder/inner.txt", "keep.txt", "same.txt"}));
}

} // namespace
} // namespace upd::test
