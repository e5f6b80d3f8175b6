#include "platform/file_handle.h"
#include "platform/fs_path.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace upd::files {
namespace {

using testing::readFile;
using testing::TempDir;
using testing::writeFile;

TEST(FileHandle, WritesEveryByteAndReadsThemBack) {
    TempDir dir;
    const std::string path = (dir / "big.bin").string();
    std::string bytes(3 << 20, '\0');  // more than one write call takes on most systems
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 % 251);
    FileHandle file;
    ASSERT_FALSE(file.createNew(path));
    EXPECT_FALSE(file.writeAll(bytes));
    EXPECT_FALSE(file.writeAll(""));
    EXPECT_FALSE(file.sync());
    EXPECT_FALSE(file.close());
    EXPECT_FALSE(file.isOpen());
    std::string back;
    EXPECT_FALSE(readWholeFile(path, back));
    EXPECT_EQ(back, bytes);
}

TEST(FileHandle, ReportsTheSystemsErrors) {
    TempDir dir;
    const std::string existing = (dir / "old.txt").string();
    writeFile(existing, "old");
    FileHandle file;
    EXPECT_EQ(file.createNew(existing), std::errc::file_exists);
    EXPECT_EQ(readFile(existing), "old");
    EXPECT_EQ(file.openForReading((dir / "missing").string()), std::errc::no_such_file_or_directory);
    std::string bytes = "left over";
    EXPECT_EQ(readWholeFile((dir / "missing").string(), bytes), std::errc::no_such_file_or_directory);
    EXPECT_TRUE(bytes.empty());

    ASSERT_FALSE(file.openForReading(existing));
    EXPECT_TRUE(file.writeAll("x"));  // opened for reading only
    EXPECT_TRUE(file.writeAllAt(0, "x"));
#ifndef _WIN32
    FileHandle full;
    ASSERT_FALSE(full.openForLocking("/dev/full"));
    EXPECT_EQ(full.writeAll(std::string(1 << 16, 'x')), std::errc::no_space_on_device);
#endif
}

#ifndef _WIN32
TEST(FileHandle, CreatesALinkedNameAsExistingAndNeverFollowsIt) {
    TempDir dir;
    const std::string target = (dir / "target").string();
    const std::string link = (dir / "link").string();
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    FileHandle file;
    EXPECT_EQ(file.createNew(link), std::errc::file_exists);
    EXPECT_FALSE(std::filesystem::exists(target));
}
#endif

TEST(FileHandle, OwnsOneDescriptorThroughMoves) {
    TempDir dir;
    writeFile(dir / "a", "abc");
    FileHandle first;
    ASSERT_FALSE(first.openForReading((dir / "a").string()));
    const FileHandle::Native native = first.native();
    FileHandle second(std::move(first));
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(second.native(), native);
    FileHandle third;
    third = std::move(second);
    char buffer[8];
    size_t got = 0;
    EXPECT_FALSE(third.readSome(buffer, sizeof buffer, got));
    EXPECT_EQ(std::string(buffer, got), "abc");
    EXPECT_FALSE(third.readSome(buffer, sizeof buffer, got));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(third.close());
    EXPECT_FALSE(third.close());  // closing a closed handle is nothing to report
}

#ifndef _WIN32
TEST(FileHandle, SetsPermissionsExactly) {
    TempDir dir;
    FileHandle file;
    ASSERT_FALSE(file.createNew((dir / "f").string(), 0600));
    unsigned bits = 0;
    EXPECT_FALSE(file.permissions(bits));
    EXPECT_EQ(bits, 0600u);
    EXPECT_FALSE(file.setPermissions(0640));
    EXPECT_FALSE(file.permissions(bits));
    EXPECT_EQ(bits, 0640u);
    bool regular = false;
    EXPECT_FALSE(file.isRegularFile(regular));
    EXPECT_TRUE(regular);
    FileHandle folder;
    ASSERT_FALSE(folder.openForReading(dir.path().string()));
    EXPECT_FALSE(folder.isRegularFile(regular));
    EXPECT_FALSE(regular);
}
#endif

// The owner's write bit is all the permissions that both platforms know: on Windows it is
// the read-only attribute, set at creation and changed on the open file both ways.
TEST(FileHandle, KeepsTheOwnersWriteBitBothWays) {
    TempDir dir;
    const std::string path = (dir / "f").string();
    FileHandle file;
    ASSERT_FALSE(file.createNew(path, 0444));
    EXPECT_FALSE(file.writeAll("written all the same"));  // as a new 0444 file on POSIX
    unsigned bits = 0;
    EXPECT_FALSE(file.permissions(bits));
    EXPECT_EQ(bits & 0200, 0u);
    EXPECT_FALSE(file.setPermissions(0644));
    EXPECT_FALSE(file.permissions(bits));
    EXPECT_EQ(bits & 0200, 0200u);
    EXPECT_FALSE(file.setPermissions(0444));
    EXPECT_FALSE(file.close());
    FileHandle reader;
    ASSERT_FALSE(reader.openForReading(path));
    EXPECT_FALSE(reader.permissions(bits));
    EXPECT_EQ(bits & 0200, 0u);
    bool regular = false;
    EXPECT_FALSE(reader.isRegularFile(regular));
    EXPECT_TRUE(regular);
    EXPECT_FALSE(reader.close());
    std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

// The bits the file was made with, set again (as an extracted file's are), change nothing;
// the handle still changes them afterwards.
TEST(FileHandle, SettingTheBitsItWasMadeWithChangesNothing) {
    TempDir dir;
    FileHandle file;
    ASSERT_FALSE(file.createNew((dir / "f").string(), 0644));
    for (const unsigned mode : {0644u, 0444u, 0644u}) {
        SCOPED_TRACE(mode);
        EXPECT_FALSE(file.setPermissions(mode));
        unsigned bits = 0;
        EXPECT_FALSE(file.permissions(bits));
        EXPECT_EQ(bits & 0200, mode & 0200);
    }
    EXPECT_FALSE(file.close());
}

TEST(FileHandle, ReadsAndWritesAtAPositionWithoutTouchingTheRest) {
    TempDir dir;
    const std::string path = (dir / "f").string();
    FileHandle file;
    ASSERT_FALSE(file.createNew(path));
    ASSERT_FALSE(file.writeAll("0123456789"));
    size_t written = 0;
    EXPECT_FALSE(file.writeAllAt(3, "abc", &written));
    EXPECT_EQ(written, 3u);
    EXPECT_FALSE(file.writeAllAt(12, "end"));  // past the end: a hole of zero bytes
    EXPECT_FALSE(file.close());

    FileHandle reader;
    ASSERT_FALSE(reader.openForReading(path));
    char buffer[32];
    size_t got = 0;
    EXPECT_FALSE(reader.readAt(2, buffer, 5, got));
    EXPECT_EQ(std::string(buffer, got), "2abc6");
    EXPECT_FALSE(reader.readAt(10, buffer, sizeof buffer, got));
    EXPECT_EQ(std::string(buffer, got), std::string("\0\0end", 5));
    EXPECT_FALSE(reader.readAt(100, buffer, sizeof buffer, got));
    EXPECT_EQ(got, 0u);
    FileHandle::Status status;
    EXPECT_FALSE(reader.status(status));
    EXPECT_TRUE(status.regular);
    EXPECT_FALSE(status.folder);
    EXPECT_EQ(status.size, 15u);

    FileHandle folder;
    ASSERT_FALSE(folder.openForReading(dir.path().string()));
    EXPECT_FALSE(folder.status(status));
    EXPECT_TRUE(status.folder);
    EXPECT_FALSE(status.regular);
}

TEST(FileHandle, SetsTheModificationTimeAndSharesTheFileWithADuplicate) {
    TempDir dir;
    const std::string path = (dir / "f").string();
    FileHandle file;
    ASSERT_FALSE(file.createNew(path));
    FileHandle copy;
    ASSERT_FALSE(file.duplicate(copy));
    EXPECT_NE(copy.native(), file.native());
    EXPECT_FALSE(copy.writeAllAt(0, "through the copy"));
    const int64_t moment = 1700000000;  // November 2023, an even second for every file system
    EXPECT_FALSE(file.setModifiedTime(moment));
    EXPECT_FALSE(copy.close());
    FileHandle::Status status;
    EXPECT_FALSE(file.status(status));
    EXPECT_EQ(status.modified, moment);
    EXPECT_EQ(status.size, 16u);
    EXPECT_FALSE(file.close());
    EXPECT_EQ(readFile(path), "through the copy");
}

// Names cross into the system as UTF-16 on Windows, and a long absolute path needs the
// \\?\ prefix there: both are the platform's business, not the caller's.
TEST(FileHandle, OpensCyrillicNamesAndPathsOverTheOldLimit) {
    TempDir dir;
    std::string longFolder = textOf(dir.path());
    for (int i = 0; i < 6; ++i) longFolder += "/" + std::string(50, static_cast<char>('a' + i));
    std::filesystem::create_directories(pathOf(longFolder));
    for (const std::string& path : {textOf(dir.path()) + "/Обновление №2.txt", longFolder + "/Файл.bin"}) {
        SCOPED_TRACE(path.size());
        FileHandle file;
        ASSERT_FALSE(file.createNew(path));
        EXPECT_FALSE(file.writeAll("содержимое"));
        EXPECT_FALSE(file.close());
        EXPECT_TRUE(std::filesystem::is_regular_file(pathOf(path)));
        std::string back;
        EXPECT_FALSE(readWholeFile(path, back));
        EXPECT_EQ(back, "содержимое");
        EXPECT_EQ(file.createNew(path), std::errc::file_exists);
    }
    EXPECT_GT(longFolder.size(), 300u);
}

} // namespace
} // namespace upd::files
