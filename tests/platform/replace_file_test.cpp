#include "platform/files.h"
#include "platform/fs_path.h"
#include "platform/replace_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace upd::files {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

std::set<std::string> names(const fs::path& folder) {
    std::set<std::string> out;
    for (const auto& e : fs::directory_iterator(folder)) out.insert(textOf(e.path().filename()));
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

#ifndef _WIN32
TEST(ReplaceFile, TakesThePermissionsItIsGiven) {
    TempDir dir;
    const std::string path = (dir / "secret").string();
    EXPECT_FALSE(replaceFileContent(path, "x", 0600));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}
#endif

bool ownerMayWrite(const std::string& path) {
    return (fs::status(pathOf(path)).permissions() & fs::perms::owner_write) != fs::perms::none;
}

// A read-only file (the attribute on Windows) is replaced as any other, and the new file
// takes the permissions it is given, not the old file's.
TEST(ReplaceFile, ReplacesAReadOnlyTargetAndKeepsTheReadOnlyBitItIsGiven) {
    TempDir dir;
    const std::string path = textOf(dir.path()) + "/Журнал.txt";
    EXPECT_FALSE(replaceFileContent(path, "first", 0444));
    EXPECT_FALSE(ownerMayWrite(path));
    EXPECT_FALSE(replaceFileContent(path, "second", 0444));
    EXPECT_EQ(readFile(pathOf(path)), "second");
    EXPECT_FALSE(ownerMayWrite(path));
    EXPECT_FALSE(replaceFileContent(path, "third"));
    EXPECT_EQ(readFile(pathOf(path)), "third");
    EXPECT_TRUE(ownerMayWrite(path));

    writeFile(dir / "built", "built");
    EXPECT_FALSE(replaceFileContent(path, "read-only again", 0444));
    EXPECT_FALSE(moveReplacing(textOf(dir / "built"), path));
    EXPECT_EQ(readFile(pathOf(path)), "built");
    EXPECT_FALSE(renameReplacing(textOf(dir.path()) + "/Журнал.txt", textOf(dir / "renamed")));
    EXPECT_EQ(names(dir.path()), std::set<std::string>{"renamed"});
}

// POSIX replaces a name whoever has the file open; Windows refuses to rename over a file
// that is open, however it is shared. Either way the target stays whole and no temporary
// file is left.
TEST(ReplaceFile, AFileAReaderHoldsOpenIsReplacedOnlyWhereTheSystemAllows) {
    TempDir dir;
    const std::string path = textOf(dir / "held");
    writeFile(path, "old");
    FileHandle reader;
    ASSERT_FALSE(reader.openForReading(path));
#ifdef _WIN32
    EXPECT_TRUE(replaceFileContent(path, "new"));
    EXPECT_EQ(readFile(path), "old");
#else
    EXPECT_FALSE(replaceFileContent(path, "new"));
    EXPECT_EQ(readFile(path), "new");
#endif
    EXPECT_EQ(names(dir.path()), std::set<std::string>{"held"});
    char buffer[8];
    size_t got = 0;
    EXPECT_FALSE(reader.readSome(buffer, sizeof buffer, got));
    EXPECT_EQ(std::string(buffer, got), "old");  // the reader keeps the file it opened
    EXPECT_FALSE(reader.close());
    EXPECT_FALSE(replaceFileContent(path, "new"));
    EXPECT_EQ(readFile(path), "new");
}

TEST(ReplaceFile, ReplacesAFileBeyondTheOldPathLimit) {
    TempDir dir;
    std::string folder = textOf(dir.path());
    for (int i = 0; i < 6; ++i) folder += "/" + std::string(50, static_cast<char>('k' + i)) + "ё";
    fs::create_directories(pathOf(folder));
    const std::string path = folder + "/target";
    ASSERT_GT(path.size(), 300u);
    EXPECT_FALSE(replaceFileContent(path, "first"));
    EXPECT_FALSE(replaceFileContent(path, "second"));
    EXPECT_EQ(readFile(pathOf(path)), "second");
    EXPECT_FALSE(renameWithoutReplacing(path, folder + "/moved"));
    EXPECT_FALSE(fileExists(path));
    EXPECT_TRUE(fileExists(folder + "/moved"));
    // The library's own listing stops at the old limit on Windows.
#ifndef _WIN32
    EXPECT_EQ(names(pathOf(folder)), std::set<std::string>{"moved"});
#endif
}

#ifdef _WIN32
// A process that opens a file without sharing it (as many Windows programs do) keeps it
// from being replaced: the replacement fails and leaves the target and no temporary file.
TEST(ReplaceFile, AFileAnotherHandleHoldsWithoutSharingIsLeftAsItWas) {
    TempDir dir;
    const std::string path = textOf(dir / "locked");
    writeFile(path, "old");
    const HANDLE held = CreateFileW((dir / "locked").wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(replaceFileContent(path, "new"));
    EXPECT_TRUE(moveReplacing(path, textOf(dir / "elsewhere")));
    CloseHandle(held);
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(names(dir.path()), std::set<std::string>{"locked"});
    EXPECT_FALSE(replaceFileContent(path, "new"));
    EXPECT_EQ(readFile(path), "new");
}
#endif

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
