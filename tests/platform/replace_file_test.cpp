#include "platform/replace_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace upd::files {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

std::set<std::string> names(const fs::path& folder) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.insert(e.path().filename().string());
    return out;
}

TEST(ReplaceFile, ReplacesTheTargetAndLeavesNoTemporaryFile) {
    struct Case {
        const char* name;
        bool existing;
        std::string content;
    };
    for (const Case& c : {Case{"new file", false, "fresh"}, Case{"replaced file", true, "new content"},
                          Case{"emptied file", true, ""}}) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = (dir / "registry.reg").string();
        if (c.existing) writeFile(path, "old content that is longer");
        EXPECT_FALSE(replaceFileContent(path, c.content));
        EXPECT_EQ(readFile(path), c.content);
        EXPECT_EQ(names(dir.path()), std::set<std::string>{"registry.reg"});
    }
}

TEST(ReplaceFile, AFailedReplacementLeavesTheOldTargetAndNoTemporaryFile) {
    TempDir dir;
    // A folder at the target: the rename over it fails after the bytes were written.
    fs::create_directories(dir / "target" / "inside");
    EXPECT_TRUE(replaceFileContent((dir / "target").string(), "bytes"));
    EXPECT_TRUE(fs::is_directory(dir / "target" / "inside"));
    EXPECT_EQ(names(dir.path()), std::set<std::string>{"target"});

    // No folder to create the temporary file in.
    EXPECT_EQ(replaceFileContent((dir / "missing" / "file").string(), "bytes"), std::errc::no_such_file_or_directory);
}

TEST(ReplaceFile, AnAbandonedTemporaryFileIsRemovedAndTheTargetKept) {
    TempDir dir;
    const std::string path = (dir / "file").string();
    writeFile(path, "old");
    {
        TemporaryFile temp;
        ASSERT_FALSE(temp.create(path));
        ASSERT_FALSE(temp.handle().writeAll("half"));
        EXPECT_TRUE(fs::exists(temp.path()));
    }
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(names(dir.path()), std::set<std::string>{"file"});
}

TEST(ReplaceFile, TakesThePermissionsItIsGiven) {
    TempDir dir;
    const std::string path = (dir / "secret").string();
    EXPECT_FALSE(replaceFileContent(path, "x", 0600));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(ReplaceFile, CommitWithoutReplacingRefusesAnExistingName) {
    TempDir dir;
    const std::string path = (dir / "copy").string();
    {
        TemporaryFile temp;
        ASSERT_FALSE(temp.create(path));
        ASSERT_FALSE(temp.handle().writeAll("first"));
        EXPECT_FALSE(temp.commitWithoutReplacing());
    }
    EXPECT_EQ(readFile(path), "first");
    {
        TemporaryFile temp;
        ASSERT_FALSE(temp.create(path));
        ASSERT_FALSE(temp.handle().writeAll("second"));
        EXPECT_EQ(temp.commitWithoutReplacing(), std::errc::file_exists);
    }
    EXPECT_EQ(readFile(path), "first");
    EXPECT_EQ(names(dir.path()), std::set<std::string>{"copy"});
}

TEST(ReplaceFile, MoveReplacingPutsAFinishedFileInPlaceOfTheTarget) {
    TempDir dir;
    writeFile(dir / "base.accdb", "old");
    writeFile(dir / "base.accdb-new", "built");
    EXPECT_FALSE(moveReplacing((dir / "base.accdb-new").string(), (dir / "base.accdb").string()));
    EXPECT_EQ(readFile(dir / "base.accdb"), "built");
    EXPECT_EQ(names(dir.path()), std::set<std::string>{"base.accdb"});
    EXPECT_EQ(moveReplacing((dir / "missing").string(), (dir / "base.accdb").string()),
              std::errc::no_such_file_or_directory);
    EXPECT_EQ(readFile(dir / "base.accdb"), "built");
}

TEST(ReplaceFile, RenameWithoutReplacingMovesOnlyToAFreeName) {
    TempDir dir;
    writeFile(dir / "a", "a");
    writeFile(dir / "b", "b");
    EXPECT_EQ(renameWithoutReplacing((dir / "a").string(), (dir / "b").string()), std::errc::file_exists);
    EXPECT_EQ(readFile(dir / "a"), "a");
    EXPECT_EQ(readFile(dir / "b"), "b");
    fs::create_directories(dir / "folder");
    EXPECT_FALSE(renameWithoutReplacing((dir / "folder").string(), (dir / "moved").string()));
    EXPECT_TRUE(fs::is_directory(dir / "moved"));
    EXPECT_EQ(renameWithoutReplacing((dir / "gone").string(), (dir / "c").string()), std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace upd::files
