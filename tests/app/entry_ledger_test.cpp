#include "app/entry_ledger.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace upd {
namespace {

using testing::TempDir;
using testing::writeFile;

// What the archive reports for its entries, in order, and what stands in the staging folder
// once it is done.
struct LedgerCase {
    const char* name;
    std::vector<std::string> staged;  // files made in the staging folder ("x/" a folder)
    size_t expected;
    std::function<void(EntryLedger&)> events;
    std::optional<std::string> problem;
};

TEST(EntryLedger, TellsWhetherEveryEntryArrivedAndNamesTheFirstThatDidNot) {
    const std::vector<LedgerCase> cases = {
        {"every entry arrived", {"a.txt", "doc/", "doc/b.txt"}, 3,
         [](EntryLedger& l) {
             l.ended("a.txt");
             l.ended("doc/");
             l.ended("doc/b.txt");
         },
         std::nullopt},
        {"ended without arriving and without a report: the password was refused", {"a.txt"}, 2,
         [](EntryLedger& l) {
             l.ended("a.txt");
             l.ended("b.txt");
         },
         "Файл \"b.txt\" не распакован: пароль архива не подошёл"},
        {"a failure report names its cause, whatever the staging folder holds", {"a.txt"}, 1,
         [](EntryLedger& l) {
             l.ended("a.txt");
             l.failed("a.txt", "ошибка контрольной суммы");
         },
         "Файл \"a.txt\" не распакован: ошибка контрольной суммы"},
        {"a retry that succeeded mends the failure", {"a.txt"}, 1,
         [](EntryLedger& l) {
             l.ended("a.txt");
             l.failed("a.txt", "диск заполнен");
             l.ended("a.txt");
         },
         std::nullopt},
        {"the first problem is named", {}, 2,
         [](EntryLedger& l) {
             l.ended("a.txt");
             l.failed("a.txt", "первая");
             l.ended("b.txt");
             l.failed("b.txt", "вторая");
         },
         "Файл \"a.txt\" не распакован: первая"},
        {"a failure before the entry began", {"a.txt"}, 1,
         [](EntryLedger& l) {
             l.failed("b.txt", "имя отклонено");
             l.ended("a.txt");
         },
         "Файл \"b.txt\" не распакован: имя отклонено"},
        {"fewer entries than the archive lists", {"a.txt"}, 2, [](EntryLedger& l) { l.ended("a.txt"); },
         "Распаковано файлов: 1 из 2"},
        {"a name spelled otherwise than the listing is looked at", {"doc/b.txt"}, 1,
         [](EntryLedger& l) { l.ended("doc//b.txt"); }, std::nullopt},
    };
    for (const LedgerCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir staging;
        for (const std::string& name : c.staged) {
            if (name.back() == '/')
                std::filesystem::create_directories(staging / name);
            else
                writeFile(staging / name, "data");
        }
        EntryLedger ledger;
        ledger.start(staging.folder(), c.expected);
        c.events(ledger);
        EXPECT_EQ(ledger.problem(), c.problem);
    }
}

TEST(EntryLedger, ALinkInTheStagingFolderIsNoEntry) {
    TempDir staging;
    writeFile(staging / "target.txt", "data");
    std::error_code ec;
    std::filesystem::create_symlink(staging / "target.txt", staging / "a.txt", ec);
    if (ec) GTEST_SKIP() << "no symbolic links here";
    EntryLedger ledger;
    ledger.start(staging.folder(), 1);
    ledger.ended("a.txt");
    EXPECT_EQ(ledger.problem(), "Файл \"a.txt\" не распакован: пароль архива не подошёл");
}

} // namespace
} // namespace upd
