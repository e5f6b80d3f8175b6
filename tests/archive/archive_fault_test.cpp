// Faults made by changing bytes: every byte of a small archive is flipped in turn. Opening
// and extracting may fail, but only with the component's or the stream's errors, never by
// crashing, and nothing appears outside the output folder or as a left-over temporary file.
#include <gtest/gtest.h>

#include "archive_test_support.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;
using ArchiveFaultTest = ArchiveTest;

TEST_F(ArchiveFaultTest, EveryFlippedByteFailsCleanly) {
    TestArchive a{{{.name = "dir/", .method = 0, .externalAttr = 0x10},
                   {.name = "dir/a.txt", .data = textOf(300), .password = "pw"},
                   {.name = "b.bin", .data = "stored bytes", .method = 0, .dataDescriptor = true},
                   {.name = "c.txt", .data = textOf(200, 4), .nucxName = "ц.txt"}},
                  "comment"};
    const std::string original = buildZip(a).bytes;
    const std::string path = (root / "f.zip").string();
    size_t opened = 0, extracted = 0, tried = 0;
    for (size_t at = 0; at < original.size(); at += kEveryPositionStep, ++tried) {
        std::string bytes = original;
        bytes[at] = static_cast<char>(bytes[at] ^ 0xFF);
        writeFile(path, bytes);
        fs::remove_all(out);
        TZipArchiver arc;
        arc.setFileName(path);
        arc.setPassword("pw");
        arc.setBaseDir(out.string());
        ScriptedDialogs quiet;  // refuses every question
        arc.setDialogs(&quiet);
        arc.OnProcessFileFailure = [](TBaseArchiver&, const std::string&, TProcessOperation, int, int,
                                      const std::string&, TFailureAction& action) { action = TFailureAction::fxaIgnore; };
        try {
            arc.OpenArchive();
            ++opened;
            arc.ExtractFiles("*.*", 10431, "");
            ++extracted;
        } catch (const EArchiveError&) {
        } catch (const EReadError&) {
        }
        for (const auto& name : listOut()) {
            EXPECT_EQ(name.find(".upd~"), std::string::npos) << "byte " << at << ": " << name;
            EXPECT_EQ(name.find(".."), std::string::npos) << "byte " << at << ": " << name;
        }
        std::vector<std::string> rootEntries;
        for (auto& e : fs::directory_iterator(root)) rootEntries.push_back(e.path().filename().string());
        std::sort(rootEntries.begin(), rootEntries.end());
        EXPECT_TRUE(rootEntries == std::vector<std::string>({"f.zip"}) ||
                    rootEntries == std::vector<std::string>({"f.zip", "out"}))
            << "byte " << at;
    }
    EXPECT_GT(opened, tried / 2);
    EXPECT_GT(extracted, tried / 2);
}

} // namespace
} // namespace upd::test
