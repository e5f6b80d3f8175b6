// A disk that fills during extraction: a small tmpfs is mounted as the base folder's file
// system (root only; skipped elsewhere). The entry fails with native error 65, the file it
// would have replaced keeps its old content, no partial or temporary file stays behind,
// and the space is given back.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "archive_test_support.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;

class HostileDiskFullTest : public ArchiveTest {
protected:
    void SetUp() override {
        ArchiveTest::SetUp();
        disk = root / "disk";
        fs::create_directories(disk);
        if (::geteuid() != 0 || ::mount("tmpfs", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") != 0)
            GTEST_SKIP() << "mounting a small tmpfs needs root";
        mounted = true;
        out = disk / "out";
    }
    void TearDown() override {
        if (mounted) ::umount2(disk.c_str(), MNT_DETACH);
        ArchiveTest::TearDown();
    }
    uint64_t usedBytes() const {
        struct statvfs v {};
        ::statvfs(disk.c_str(), &v);
        return static_cast<uint64_t>(v.f_blocks - v.f_bfree) * v.f_frsize;
    }

    fs::path disk;
    bool mounted = false;
};

TEST_F(HostileDiskFullTest, FullDiskFailsWith65AndKeepsTheOldFile) {
    const std::string big = textOf(3 << 20, 9);  // three times the disk, small when deflated
    struct Case {
        std::string label;
        TestEntry entry;
        bool replaces;  // an old file of that name is there
    };
    const std::vector<Case> cases = {
        {"replacing a file", {.name = "f.txt", .data = big}, true},
        {"a new file", {.name = "f.txt", .data = big}, false},
        {"stored", {.name = "f.txt", .data = big, .method = 0}, true},
        {"encrypted, decoded in chunks", {.name = "f.txt", .data = big, .password = "pw"}, true},
        {"in a new folder", {.name = "sub/f.txt", .data = big}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out);
        if (c.replaces) writeFile((out / c.entry.name).string(), "old");
        const uint64_t usedBefore = usedBytes();
        const std::string path = put({{c.entry, {.name = "small.txt", .data = "small"}}});
        TZipArchiver arc;
        openOn(arc, path);
        arc.setPassword("pw");
        const std::vector<int> natives = extractAll(arc);
        EXPECT_EQ(natives, std::vector<int>{65});
        if (c.replaces) {
            EXPECT_EQ(outFile(c.entry.name), "old");
        } else {
            EXPECT_FALSE(outExists(c.entry.name));
        }
        EXPECT_EQ(outFile("small.txt"), "small");
        for (const auto& name : listOut())
            EXPECT_TRUE(name == "small.txt" || name == c.entry.name || name == "sub") << name;
        // Nothing holds the space any more, not even an open descriptor of a removed file.
        EXPECT_LE(usedBytes(), usedBefore + (64u << 10));
    }
}

} // namespace
} // namespace upd::test
