// The update installs the whole new release or leaves the installation exactly as it was:
// whatever stops an entry stops the update, reported as a failure, with no file changed and
// the registry untouched; a run after an interrupted one first mends the package folder.
#include "install/staged_install.h"
#include "platform/scope_guard.h"
#include "support/folder_snapshot.h"
#include "support/update_fixture.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace upd;
using upd::testing::FolderSnapshot;
using upd::testing::snapshotOf;
using upd::testing::UpdateFixture;
using upd::testing::readFile;
using upd::testing::writeFile;

namespace {

namespace fs = std::filesystem;

constexpr const char* kUnchangedLine = "Установленные файлы оставлены без изменений.";

// Old files the archive replaces, beside the shell program and database the fixture makes.
void installOldRelease(UpdateFixture& u) {
    writeFile(u.inst.packageFolder + "top.dll", "old library");
    writeFile(u.inst.packageFolder + "Кордеваль/readme.txt", "Кордеваль 3.1\n");
    writeFile(u.inst.packageFolder + "Кордеваль/notes.txt", "not in the archive");
}

void damageEntryData(UpdateFixture& u, const std::string& name) {
    std::string bytes = readFile(u.inst.archivePath);
    const size_t at = bytes.find(name);
    ASSERT_NE(at, std::string::npos);
    bytes[at + name.size() + 20] ^= 0x5A;  // inside the first local header's data
    writeFile(u.inst.archivePath, bytes);
}

// Points the second directory record at the first entry's data: a zip bomb by overlap in
// its smallest form.
void shareTheFirstEntrysData(UpdateFixture& u) {
    std::string bytes = readFile(u.inst.archivePath);
    std::vector<size_t> files;  // directory records of files (folders carry no data)
    for (size_t at = bytes.find("PK\x01\x02"); at != std::string::npos && files.size() < 2;
         at = bytes.find("PK\x01\x02", at + 4)) {
        const size_t nameLength = static_cast<unsigned char>(bytes[at + 28]) | static_cast<unsigned char>(bytes[at + 29]) << 8;
        if (bytes[at + 46 + nameLength - 1] != '/') files.push_back(at);
    }
    ASSERT_EQ(files.size(), 2u);
    bytes.replace(files[1] + 42, 4, bytes.substr(files[0] + 42, 4));  // the local header's offset
    writeFile(u.inst.archivePath, bytes);
}

struct FailureCase {
    const char* name;
    void (*spoil)(UpdateFixture& u);
    std::vector<DialogResult> answers;  // to the failure questions, in order
    std::string named;                  // what the error line must name
};

class UpdateFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(UpdateFailure, LeavesTheInstallationAndTheRegistryAsTheyWere) {
    const FailureCase& c = GetParam();
    UpdateFixture u;
    installOldRelease(u);
    c.spoil(u);
    u.f.dialogs.messageAnswers.assign(c.answers.begin(), c.answers.end());
    const FolderSnapshot before = snapshotOf(u.inst.packageFolder);
    const std::string registryBefore = readFile(u.inst.registryPath);

    ASSERT_TRUE(u.press());
    EXPECT_EQ(u.form().lastUpdateOutcome, UpdateOutcome::ArchiveError);
    EXPECT_EQ(snapshotOf(u.inst.packageFolder), before);
    EXPECT_EQ(readFile(u.inst.registryPath), registryBefore);
    const auto log = u.log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.back(), kUnchangedLine);
    const std::string error = log[log.size() - 2];
    EXPECT_EQ(error.rfind("Ошибка: ", 0), 0u) << error;
    EXPECT_NE(error.find(c.named), std::string::npos) << error;
    EXPECT_EQ(std::count(log.begin(), log.end(), "Процедура обновления успешно завершена..."), 0);
    ASSERT_FALSE(u.f.dialogs.messages().empty());
    EXPECT_EQ(u.f.dialogs.messages().back().text, "Ошибка обновления!");
    EXPECT_EQ(u.f.dialogs.messages().back().caption, "Неудачно!");
    EXPECT_TRUE(u.form().Button3.Enabled());
    EXPECT_TRUE(u.form().Button1.Enabled());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateFailure,
    ::testing::Values(
        FailureCase{"BadChecksumAborted", [](UpdateFixture& u) { damageEntryData(u, "Договор 1.rtf"); },
                    {DialogResult::Abort}, "Договор 1.rtf"},
        FailureCase{"BadChecksumRetriedThenAborted", [](UpdateFixture& u) { damageEntryData(u, "Договор 1.rtf"); },
                    {DialogResult::Retry, DialogResult::Abort}, "Договор 1.rtf"},
        FailureCase{"BadChecksumIgnored", [](UpdateFixture& u) { damageEntryData(u, "Договор 1.rtf"); },
                    {DialogResult::Ignore}, "Договор 1.rtf"},
        FailureCase{"OtherPassword",
                    [](UpdateFixture& u) { u.inst.writeArchive(upd::testing::sampleEntries(), "another password"); }, {},
                    "пароль"},
        FailureCase{"RefusedName",
                    [](UpdateFixture& u) {
                        auto entries = upd::testing::sampleEntries();
                        entries.push_back({"../outside.txt", "x", false});
                        u.inst.writeArchive(entries);
                    },
                    {DialogResult::Abort}, "outside.txt"},
        FailureCase{"TruncatedArchive",
                    [](UpdateFixture& u) {
                        const std::string bytes = readFile(u.inst.archivePath);
                        writeFile(u.inst.archivePath, bytes.substr(0, bytes.size() * 3 / 5));  // an interrupted copy
                    },
                    {}, "повреждён"},
        FailureCase{"EntriesSharingData", shareTheFirstEntrysData, {}, "entry"},
        FailureCase{"FolderWhereAFileGoes",
                    [](UpdateFixture& u) {
                        fs::remove(u.inst.packageFolder + "top.dll");
                        writeFile(u.inst.packageFolder + "top.dll/inside.txt", "a folder's file");
                    },
                    {}, "top.dll"},
        FailureCase{"FileWhereAFolderGoes",
                    [](UpdateFixture& u) {
                        fs::remove_all(u.inst.packageFolder + "Кордеваль");
                        writeFile(u.inst.packageFolder + "Кордеваль", "a file");
                    },
                    {}, "Кордеваль"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateAllOrNothing, IgnoreGoesOnDecodingSoThatEveryProblemShowsInOneRun) {
    UpdateFixture u;
    damageEntryData(u, "Договор 1.rtf");
    u.f.dialogs.messageAnswers = {DialogResult::Ignore};
    ASSERT_TRUE(u.press());
    const auto log = u.log();
    EXPECT_NE(std::find(log.begin(), log.end(), "top.dll"), log.end());  // the last entry was decoded
    EXPECT_EQ(u.form().lastUpdateOutcome, UpdateOutcome::ArchiveError);
    EXPECT_FALSE(fs::exists(u.inst.packageFolder + "top.dll"));
}

TEST(UpdateAllOrNothing, NotEnoughRoomFailsBeforeAnythingIsDecoded) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    UpdateFixture u;
    // The package on a file system with less room than the archive declares.
    const std::string disk = u.inst.dir.folder() + "disk";
    fs::create_directories(disk);
    ASSERT_EQ(::mount("tmpfs", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k"), 0);
    ScopeGuard unmount([&disk] { ::umount2(disk.c_str(), MNT_DETACH); });
    const std::string install = disk + "/Веспер/";
    writeFile(install + "mirela.exe", "old shell program");
    writeFile(install + "base/MainBase.accdb", "database");
    u.inst.setRegistry("\"ProgrammPath\"=\"" + install + "\"\r\n\"ProgrammVersion\"=\"3.1\"\r\n");
    auto entries = upd::testing::sampleEntries();
    entries.push_back({"big.bin", std::string(1 << 20, 'b'), true});
    u.inst.writeArchive(entries);
    const FolderSnapshot before = snapshotOf(disk);

    ASSERT_TRUE(u.press());
    EXPECT_EQ(u.form().lastUpdateOutcome, UpdateOutcome::ArchiveError);
    const auto log = u.log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Кордеваль/"), 0);  // nothing decoded
    EXPECT_NE(log[log.size() - 2].find("Disk is full. There is not enough free space on disk."), std::string::npos);
    EXPECT_NE(log[log.size() - 2].find("00065"), std::string::npos);
    EXPECT_EQ(snapshotOf(disk), before);
}

TEST(UpdateAllOrNothing, ARunAfterAnInterruptedCommitRestoresTheOldFilesThenUpdates) {
    UpdateFixture u;
    installOldRelease(u);
    const FolderSnapshot old = snapshotOf(u.inst.packageFolder);
    // A commit killed half-way: some new files in place, some old ones moved aside.
    if (const pid_t child = ::fork(); child == 0) {
        install::StagedInstall staged(u.inst.packageFolder);
        writeFile(staged.prepareStaging() + "top.dll", "half-way release");
        writeFile(u.inst.packageFolder + install::kStagingFolder + "/Кордеваль/readme.txt", "half-way readme");
        int changes = 0;
        staged.beforeChange = [&](std::string_view) {
            if (++changes == 5) ::_exit(0);
        };
        staged.commit();
        ::_exit(1);
    } else {
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ASSERT_TRUE(fs::exists(u.inst.packageFolder + install::kJournalFile));

    ASSERT_TRUE(u.press());
    const auto log = u.log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[2], "Прерванное обновление отменено: восстановлены прежние файлы");
    EXPECT_EQ(u.form().lastUpdateOutcome, UpdateOutcome::Success);
    EXPECT_EQ(readFile(u.inst.packageFolder + "top.dll"), std::string(5000, '\x07'));
    EXPECT_EQ(readFile(u.inst.packageFolder + "Кордеваль/notes.txt"), old.at("Кордеваль/notes.txt").content);
    for (const char* leftover : {install::kStagingFolder, install::kBackupFolder, install::kJournalFile})
        EXPECT_FALSE(fs::exists(u.inst.packageFolder + leftover)) << leftover;
}

} // namespace
