#include "maintenance_fixture.h"

#include <algorithm>
#include <vector>

namespace fs = std::filesystem;

namespace upd::testing {
namespace {

class RemovalTest : public MaintenanceTest {
protected:
    void SetUp() override {
        MaintenanceTest::SetUp();
        module = makeFolder(root / "module");
    }
    std::string modulePath() const { return str(module) + files::kSeparator; }
    fs::path module;
};

TEST_F(RemovalTest, RemoveFilesDeletesListedFilesAndPrunesDoc) {
    makeFile(module / "doc" / "a.pdf");
    makeFile(module / "doc" / "sub" / "b.pdf");
    makeFile(module / "doc" / "keep" / "deep" / "c.pdf");
    makeFolder(module / "doc" / "empty" / "chain" / "of" / "folders");
    makeFile(module / "top.txt");
    makeFile(module / "kept.txt");
    makeFolder(module / "folder-named");
    const fs::path target = makeFolder(root / "link-target");
    makeFile(target / "inside.txt");
#ifndef _WIN32  // MinGW's library cannot make links under Wine
    fs::create_directory_symlink(target, module / "doc" / "link");
#endif

    writeRemovalList(
        "doc\\a.pdf\r\n"
        "doc\\missing.pdf\r\n"   // passed over, the next lines still run
        "\r\n"                   // aims at the folder itself: nothing deleted
        "doc/sub/b.pdf\r\n"
        "top.txt\r\n"
        "folder-named\r\n"       // a real folder is never deleted
        "doc\\link\r\n");        // a link to a folder is

    EXPECT_TRUE(steps->RemoveFiles(modulePath()));

    EXPECT_FALSE(fs::exists(module / "top.txt"));
    EXPECT_TRUE(fs::exists(module / "kept.txt"));
    EXPECT_TRUE(fs::is_directory(module / "folder-named"));
    EXPECT_TRUE(fs::exists(target / "inside.txt"));
#ifndef _WIN32
    EXPECT_FALSE(fs::exists(fs::symlink_status(module / "doc" / "link")));
#endif
    // Only the branch that holds a file survives the pruning.
    EXPECT_TRUE(fs::exists(module / "doc" / "keep" / "deep" / "c.pdf"));
    EXPECT_FALSE(fs::exists(module / "doc" / "a.pdf"));
    EXPECT_FALSE(fs::exists(module / "doc" / "sub"));
    EXPECT_FALSE(fs::exists(module / "doc" / "empty"));
    EXPECT_TRUE(fs::is_directory(module));
}

TEST_F(RemovalTest, RemoveFilesNeverDeletesOutsideItsFolder) {
    const fs::path outside = makeFile(root / "outside.txt");
    const fs::path elsewhere = makeFolder(root / "elsewhere");
    makeFile(elsewhere / "victim.txt");
#ifndef _WIN32
    fs::create_directory_symlink(elsewhere, module / "escape");
#endif
    makeFile(module / "doc" / "inner.txt");

    writeRemovalList("../outside.txt\n"
                     "doc\\..\\..\\outside.txt\n"
                     "doc/../doc/inner.txt\n"
                     "doc\\.. \\.. \\outside.txt\n"  // Windows reads ".. " as ".."
                     "doc/.../../outside.txt\n"
                     "doc/.. \n" +
                     str(outside) + "\n" +
                     "c:\\outside.txt\n"
                     "escape/victim.txt\n"
                     "escape\\victim.txt\n");

    steps->RemoveFiles(modulePath());

    EXPECT_TRUE(fs::exists(outside));
    EXPECT_TRUE(fs::exists(elsewhere / "victim.txt"));
    EXPECT_TRUE(fs::exists(module / "doc" / "inner.txt"));  // reached only through ".."
}

TEST_F(RemovalTest, RemoveFilesWithoutTheTrailingSeparatorStaysInsideTheFolder) {
    const fs::path sibling = makeFile(root / "moduletop.txt");
    makeFile(module / "top.txt");
    writeRemovalList("top.txt\n");
    steps->RemoveFiles(str(module));
    EXPECT_TRUE(fs::exists(sibling));
    EXPECT_FALSE(fs::exists(module / "top.txt"));
}

TEST_F(RemovalTest, RemoveFilesWithoutAListThrowsAndDeletesNothing) {
    makeFolder(module / "doc" / "empty");
    EXPECT_THROW(steps->RemoveFiles(modulePath()), std::runtime_error);
    EXPECT_TRUE(fs::is_directory(module / "doc" / "empty"));
}

TEST_F(RemovalTest, RemoveEmptyFoldersRules) {
    // An empty folder goes; a folder with a file stays; a missing one is not removed.
    makeFolder(module / "empty");
    EXPECT_TRUE(steps->RemoveEmptyFolders(str(module / "empty")));
    EXPECT_FALSE(fs::exists(module / "empty"));

    makeFile(module / "full" / "f.txt");
    EXPECT_FALSE(steps->RemoveEmptyFolders(str(module / "full")));
    EXPECT_TRUE(fs::exists(module / "full" / "f.txt"));

    EXPECT_FALSE(steps->RemoveEmptyFolders(str(module / "missing")));

    // Folders only of empty folders, at any depth, go in one call.
    makeFolder(module / "doc" / "a" / "b" / "c");
    makeFolder(module / "doc" / "d");
    EXPECT_TRUE(steps->RemoveEmptyFolders(str(module / "doc")));
    EXPECT_FALSE(fs::exists(module / "doc"));
}

TEST_F(RemovalTest, RemoveEmptyFoldersPassesOverNamesWithALeadingFullStop) {
    // The dot-file is not content, yet the folder's removal fails: both it and its parent stay.
    makeFile(module / "doc" / "hidden" / ".keep");
    makeFolder(module / "doc" / "gone");
    EXPECT_FALSE(steps->RemoveEmptyFolders(str(module / "doc")));
    EXPECT_TRUE(fs::exists(module / "doc" / "hidden" / ".keep"));
    EXPECT_FALSE(fs::exists(module / "doc" / "gone"));

    // A dot-folder is not descended into: its empty child stays, and so does its parent.
    makeFolder(module / "doc2" / "p" / ".git" / "objects");
    EXPECT_FALSE(steps->RemoveEmptyFolders(str(module / "doc2")));
    EXPECT_TRUE(fs::is_directory(module / "doc2" / "p" / ".git" / "objects"));
}

#ifndef _WIN32
// The starting folder is no exception to "a link is content": pruning through a `doc` that
// is a link would remove empty folders in its target, outside the module.
TEST_F(RemovalTest, RemoveEmptyFoldersLeavesAStartingFolderThatIsALink) {
    const fs::path target = makeFolder(root / "elsewhere" / "empty" / "chain");
    fs::create_directory_symlink(root / "elsewhere", module / "doc");
    EXPECT_FALSE(steps->RemoveEmptyFolders(str(module / "doc")));
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_TRUE(fs::is_symlink(module / "doc"));
}

// The list is written for Windows, where names ignore letter case; here they do not. A line
// names the entry that matches it exactly, else the single one that matches without regard
// to case (Cyrillic too); when several do, none is deleted and the log says why.
TEST_F(RemovalTest, RemovalListLinesMatchNamesWithoutRegardToCaseWhenOnlyOneMatches) {
    struct Case {
        const char* line;
        std::vector<const char*> files;    // made below the module folder
        std::vector<const char*> deleted;  // of those
        bool logged;
    };
    const Case cases[] = {
        {"DOC\\A.PDF", {"doc/a.pdf", "doc/b.pdf"}, {"doc/a.pdf"}, false},
        {"doc\\отчёт.PDF", {"doc/ОТЧЁТ.pdf"}, {"doc/ОТЧЁТ.pdf"}, false},
        {"Doc\\Sub\\c.txt", {"doc/sub/C.TXT", "doc/sub/d.txt"}, {"doc/sub/C.TXT"}, false},
        {"doc\\b.TXT", {"doc/b.txt", "doc/B.txt"}, {}, true},
        {"doc\\B.txt", {"doc/b.txt", "doc/B.txt"}, {"doc/B.txt"}, false},  // the exact name wins
        {"doc\\missing.txt", {"doc/kept.txt"}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TearDown();
        SetUp();
        for (const char* f : c.files) makeFile(module / path(f));
        std::vector<std::string> logged;
        steps->log = [&](const std::string& line) { logged.push_back(line); };
        writeRemovalList("\xEF\xBB\xBF" + std::string(c.line) + "\r\n");  // UTF-8, marked
        EXPECT_TRUE(steps->RemoveFiles(modulePath()));
        for (const char* f : c.files) {
            const bool deleted = std::find_if(c.deleted.begin(), c.deleted.end(), [&](const char* d) {
                                     return std::string(d) == f;
                                 }) != c.deleted.end();
            EXPECT_EQ(fs::exists(module / path(f)), !deleted) << f;
        }
        ASSERT_EQ(logged.size(), c.logged ? 1u : 0u);
        if (c.logged) EXPECT_NE(logged.front().find(c.line), std::string::npos) << logged.front();
    }
}

TEST_F(RemovalTest, RemoveEmptyFoldersDoesNotFollowLinks) {
    const fs::path target = makeFolder(root / "target" / "empty-inside");
    makeFolder(module / "doc");
    fs::create_directory_symlink(root / "target", module / "doc" / "link");
    EXPECT_FALSE(steps->RemoveEmptyFolders(str(module / "doc")));
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_TRUE(fs::exists(fs::symlink_status(module / "doc" / "link")));
}
#endif

TEST_F(RemovalTest, Button5ClickFixesUpTheModuleFolder) {
    const fs::path m = root / "drive" / path("Тарвенит") / path("ДопСпециальности");
    makeFile(m / "doc" / "oplata" / "old.pdf");
    makeFile(m / "doc" / "obsolete.doc");
    makeFolder(m / "doc" / "empty");
    writeRemovalList("\xEF\xBB\xBF" "doc\\Оплата\\old.pdf\r\ndoc\\obsolete.doc\r\n");

    steps->Button5Click();

    EXPECT_EQ(steps->moduleFolder(), str(m) + files::kSeparator);
    EXPECT_FALSE(fs::exists(m / "doc" / "oplata"));
    EXPECT_FALSE(fs::exists(m / "doc"));  // emptied by the list, then pruned
    EXPECT_TRUE(fs::is_directory(m));
}

TEST_F(RemovalTest, Button5ClickKeepsAnExistingOplataFolder) {
    const fs::path m = root / "drive" / path("Тарвенит") / path("ДопСпециальности");
    makeFile(m / "doc" / "oplata" / "a.pdf");
    makeFolder(m / "doc" / path("Оплата"));
    writeRemovalList("");

    steps->Button5Click();

    EXPECT_TRUE(fs::exists(m / "doc" / "oplata" / "a.pdf"));
    EXPECT_FALSE(fs::exists(m / "doc" / path("Оплата")));  // empty, so pruned; never replaced by the move
}

} // namespace
} // namespace upd::testing
