// A disk that fills during extraction: a small tmpfs is mounted as the base folder's file
// system (root only; skipped elsewhere). The entry fails with native error 65, the file it
// would have replaced keeps its old content, no partial or temporary file stays behind,
// and the space is given back.
#include <gtest/gtest.h>

#include <unistd.h>

#include "small_disk.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;

class HostileDiskFullTest : public SmallDiskTest {
protected:
    HostileDiskFullTest() : SmallDiskTest("size=1m") {}
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
