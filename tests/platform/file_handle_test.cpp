#include "platform/file_handle.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

#include <unistd.h>

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

    FileHandle full;
    ASSERT_FALSE(full.openForLocking("/dev/full"));
    EXPECT_EQ(full.writeAll(std::string(1 << 16, 'x')), std::errc::no_space_on_device);
}

TEST(FileHandle, CreatesALinkedNameAsExistingAndNeverFollowsIt) {
    TempDir dir;
    const std::string target = (dir / "target").string();
    const std::string link = (dir / "link").string();
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    FileHandle file;
    EXPECT_EQ(file.createNew(link), std::errc::file_exists);
    EXPECT_FALSE(std::filesystem::exists(target));
}

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

} // namespace
} // namespace upd::files
