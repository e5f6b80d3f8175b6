// Every input the fuzzer ever broke the reader with (fuzz/regressions) is opened and
// extracted again: it must end with the component's errors only, and write nothing
// outside the base folder.
#include <gtest/gtest.h>

#include "archive_test_support.h"

namespace upd::test {
namespace {

namespace fs = std::filesystem;
using HostileFuzzFindingsTest = ArchiveTest;

TEST_F(HostileFuzzFindingsTest, EveryFindingEndsCleanly) {
    const fs::path dir = fs::path(UPDATE_SOURCE_DIR) / "fuzz" / "regressions";
    ASSERT_TRUE(fs::is_directory(dir));
    for (const auto& file : fs::directory_iterator(dir)) {
        if (file.path().filename().string().front() == '.') continue;
        SCOPED_TRACE(file.path().filename().string());
        fs::remove_all(out);
        fs::create_directories(out);
        const std::string path = (root / "input.zip").string();
        writeFile(path, readFile(file.path().string()));
        TZipArchiver arc;
        arc.setFileName(path);
        arc.setBaseDir(out.string());
        ScriptedDialogs answers;
        answers.passwordAnswers = {{true, "Xa9Pq2LmT7vRb4NcW8yKd3Hs6Gf1Zj0E"}};
        for (int i = 0; i < 16; ++i) answers.messageAnswers.push_back(DialogResult::Ignore);
        arc.setDialogs(&answers);
        try {
            arc.OpenArchive();
            arc.ExtractFiles("*.*", 10431, "");
        } catch (const EArchiveError&) {
        } catch (const EReadError&) {
        }
        std::vector<std::string> rootNames;
        for (auto& e : fs::directory_iterator(root)) rootNames.push_back(e.path().filename().string());
        std::sort(rootNames.begin(), rootNames.end());
        EXPECT_EQ(rootNames, (std::vector<std::string>{"input.zip", "out"}));
        for (const auto& name : listOut()) EXPECT_FALSE(fs::is_symlink(out / name)) << name;
    }
}

} // namespace
} // namespace upd::test
