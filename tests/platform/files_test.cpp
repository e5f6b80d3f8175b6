#include "platform/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace upd::files {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

TEST(Files, RemovesFilesAndLinksButNeverAFolderOrWhatALinkLeadsTo) {
    TempDir dir;
    writeFile(dir / "folder" / "kept.txt", "kept");
    writeFile(dir / "file.txt", "x");
    fs::create_directory_symlink(dir / "folder", dir / "link");
    EXPECT_FALSE(removeFileOrLink((dir / "file.txt").string()));
    EXPECT_FALSE(fs::exists(dir / "file.txt"));
    EXPECT_FALSE(removeFileOrLink((dir / "link").string()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "link")));
    EXPECT_TRUE(fs::exists(dir / "folder" / "kept.txt"));
    EXPECT_EQ(removeFileOrLink((dir / "folder").string()), std::errc::is_a_directory);
    EXPECT_EQ(removeFileOrLink((dir / "missing").string()), std::errc::no_such_file_or_directory);

    EXPECT_EQ(removeEmptyFolder((dir / "folder").string()), std::errc::directory_not_empty);
    fs::remove(dir / "folder" / "kept.txt");
    EXPECT_FALSE(removeEmptyFolder((dir / "folder").string()));
    EXPECT_FALSE(fs::exists(dir / "folder"));
}

TEST(Files, ResolvesLinksOnTheWay) {
    TempDir dir;
    fs::create_directories(dir / "real" / "inner");
    fs::create_directory_symlink(dir / "real", dir / "link");
    std::string resolved;
    EXPECT_FALSE(resolvePath((dir / "link" / "inner").string(), resolved));
    std::string expected;
    ASSERT_FALSE(resolvePath((dir / "real" / "inner").string(), expected));
    EXPECT_EQ(resolved, expected);
    EXPECT_EQ(resolved.find("link"), std::string::npos);
    EXPECT_EQ(resolvePath((dir / "missing").string(), resolved), std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace upd::files
