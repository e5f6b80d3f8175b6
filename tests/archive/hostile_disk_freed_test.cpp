// A disk that fills in the middle of a large entry and is given space by the full-disk
// handler: the entry goes on where it stopped and completes, whether it was decoded on the
// caller's thread or ahead by a worker (root only: a small tmpfs is mounted).
#include <gtest/gtest.h>

#include <unistd.h>

#include "small_disk.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;

class Archiver : public TZipArchiver {
public:
    explicit Archiver(bool ahead) { setDecodeAhead(ahead); }
};

class HostileDiskFreedTest : public SmallDiskTest {
protected:
    HostileDiskFreedTest() : SmallDiskTest("size=4m") {}
};

TEST_F(HostileDiskFreedTest, HandlerFreesSpaceAndTheEntryCompletes) {
    std::string noise(2 << 20, '\0');
    uint32_t x = 7;
    for (auto& c : noise) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    struct Case {
        std::string label;
        TestEntry entry;
        bool ahead;
    };
    const std::vector<Case> cases = {
        {"stored, on the caller's thread", {.name = "f.bin", .data = noise, .method = 0, .password = "pw"}, false},
        {"stored, decoded ahead", {.name = "f.bin", .data = noise, .method = 0, .password = "pw"}, true},
        {"deflated, decoded ahead", {.name = "f.bin", .data = noise, .password = "pw"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(out);
        fs::create_directories(out);
        const fs::path filler = disk / "filler";
        writeFile(filler.string(), std::string(5 << 19, 'f'));  // 2.5 of the 4 MiB
        const std::string path = put({{c.entry, {.name = "small.txt", .data = "small"}}});
        Archiver arc(c.ahead);
        openOn(arc, path);
        arc.setPassword("pw");
        int asked = 0, failures = 0;
        arc.OnDiskFull = [&](TBaseArchiver&, int, const std::string&, bool& cancel) {
            ++asked;
            fs::remove(filler);
            cancel = false;
        };
        arc.OnProcessFileFailure = [&](TBaseArchiver&, const std::string&, TProcessOperation, int, int,
                                       const std::string&, TFailureAction& a) {
            ++failures;
            a = TFailureAction::fxaIgnore;
        };
        arc.ExtractFiles("*.*", 10431, "");
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(failures, 0);
        EXPECT_TRUE(outFile("f.bin") == noise);
        EXPECT_EQ(outFile("small.txt"), "small");
        EXPECT_EQ(listOut(), (std::vector<std::string>{"f.bin", "small.txt"}));
    }
}

} // namespace
} // namespace upd::test
