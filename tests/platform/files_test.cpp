#include "platform/files.h"
#include "platform/fs_path.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace upd::files {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

// Links cannot be made under Wine (nor, on Windows, without a privilege).
#ifndef _WIN32
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
#endif

// What POSIX removes whatever its mode, Windows refuses while the read-only attribute is
// set: the platform takes it off first.
TEST(Files, RemovesReadOnlyFilesAndWholeTrees) {
    TempDir dir;
    const fs::path tree = pathOf(textOf(dir.path()) + "/Дерево");
    writeFile(tree / "inner" / "Только чтение.txt", "x");
    writeFile(tree / "plain.txt", "y");
    writeFile(dir / "alone.txt", "z");
    for (const fs::path& file : {tree / "inner" / "Только чтение.txt", dir / "alone.txt"})
        fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    EXPECT_TRUE(fileExists(textOf(dir / "alone.txt")));
    EXPECT_FALSE(removeFileOrLink(textOf(dir / "alone.txt")));
    EXPECT_FALSE(fs::exists(dir / "alone.txt"));
    EXPECT_FALSE(fileExists(textOf(tree)));
    EXPECT_TRUE(directoryExists(textOf(tree)));
    EXPECT_EQ(removeEmptyFolder(textOf(tree)), std::errc::directory_not_empty);
    EXPECT_FALSE(removeTree(textOf(tree)));
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_FALSE(directoryExists(textOf(tree)));
    EXPECT_FALSE(removeTree(textOf(tree)));  // nothing there: nothing to report
}

TEST(Files, ResolvesAPathToItsAbsoluteFormAndKnowsItsOwnFolders) {
    TempDir dir;
    const std::string folder = textOf(dir.path()) + "/Папка";
    fs::create_directories(pathOf(folder) / "inner");
    std::string resolved;
    EXPECT_FALSE(resolvePath(folder + "/inner/..", resolved));
    std::string expected;
    ASSERT_FALSE(resolvePath(folder, expected));
    EXPECT_EQ(resolved, expected);
    EXPECT_TRUE(pathOf(resolved).is_absolute());
    EXPECT_EQ(pathOf(resolved).filename(), pathOf("Папка"));

    const std::string exe = executableFolder();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.back(), kSeparator);
    EXPECT_TRUE(directoryExists(exe));
    EXPECT_TRUE(directoryExists(currentFolder()));
    EXPECT_EQ(withTrailingSeparator("a"), std::string("a") + kSeparator);
    EXPECT_EQ(withTrailingSeparator(""), "");
}

} // namespace
} // namespace upd::files
