#include "install/install_error.h"
#include "install/journal.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <vector>

namespace upd::install {
namespace {

TEST(Journal, RoundTripsEveryName) {
    Journal journal;
    journal.phase = Journal::Phase::Committed;
    journal.newFolders = {"Шаблоны", "doc/2020 год"};
    journal.files = {{"Шаблоны/договор.doc", false}, {"line\nbreak%41.txt", true}, {"tab\there", true}};
    const std::optional<Journal> back = parseJournal(serializeJournal(journal));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, journal);
}

TEST(Journal, RefusesWhatIsNotAWholeJournal) {
    const std::string good = serializeJournal(Journal{Journal::Phase::Prepared, {"d"}, {{"d/f", true}}});
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty", ""},
        {"no end", good.substr(0, good.size() - 4)},
        {"cut in a line", good.substr(0, good.size() - 8)},
        {"other header", "update journal 2\n" + good.substr(good.find('\n') + 1)},
        {"unknown phase", "update_3_2 journal 1\nphase halfway\nend\n"},
        {"unknown record", "update_3_2 journal 1\nphase prepared\nlink a b\nend\n"},
        {"leads out", "update_3_2 journal 1\nphase prepared\nfile 1 ../outside\nend\n"},
        {"absolute", "update_3_2 journal 1\nphase prepared\nfile 0 /etc/passwd\nend\n"},
        {"empty segment", "update_3_2 journal 1\nphase prepared\nfolder a//b\nend\n"},
        {"bad escape", "update_3_2 journal 1\nphase prepared\nfile 0 a%4\nend\n"},
        {"after the end", good + "file 0 x\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(parseJournal(c.text));
    }
}

TEST(Journal, WrittenInOneStepAndReadBack) {
    testing::TempDir dir;
    const std::string path = (dir / "journal").string();
    EXPECT_FALSE(readJournal(path));
    const Journal journal{Journal::Phase::Prepared, {}, {{"a", true}}};
    writeJournal(path, journal);
    EXPECT_EQ(readJournal(path), journal);
    // Nothing beside it: the temporary file it was written to took its name.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"journal"});

    testing::writeFile(path, "update_3_2 journal 1\nphase prepared\n");  // no end: not written by us
    EXPECT_THROW(readJournal(path), InstallError);
}

} // namespace
} // namespace upd::install
