#include "install/install_error.h"
#include "install/staged_install.h"
#include "platform/file_handle.h"
#include "platform/fs_path.h"
#include "support/folder_snapshot.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace upd::install {
namespace {

using testing::FolderSnapshot;
using testing::snapshotOf;

// An installed release and a staged new one: files replaced, kept, added in old and new
// folders, a read-only file replaced, an empty new folder.
struct Release {
    testing::TempDir dir;
    fs::path package = dir.path() / files::pathOf("Тарвенит");
    std::string packageFolder = files::textOf(package) + "/";

    Release() {
        put(package / "mirela.exe", "old exe");
        put(package / "keep.txt", "not in the archive");
        put(package / "doc" / "a.txt", "old a");
        put(package / "doc" / "b.txt", "old b");
        put(package / "ro.txt", "old read-only");
        fs::permissions(package / "ro.txt", fs::perms::owner_read | fs::perms::group_read);
    }

    // The staged release, as the archive leaves it in the staging folder.
    void stage(StagedInstall& install) {
        const fs::path staging = files::pathOf(install.prepareStaging());
        put(staging / "mirela.exe", "new exe");
        put(staging / "doc" / "a.txt", "new a");
        put(staging / "doc" / "new.txt", "new in an old folder");
        put(staging / "doc" / "2021" / "y.txt", "new in a new folder in an old one");
        put(staging / files::pathOf("Шаблоны") / "2020" / "x.txt", "new in new folders");
        put(staging / "ro.txt", "new read-only");
        fs::create_directories(staging / "empty");
    }

    static void put(const fs::path& path, const std::string& content) {
        testing::writeFile(path, content);
#ifdef _WIN32
        // The library converts between its file clock and the system's through the current
        // time there, a second off now and then: the platform sets the time exactly.
        files::FileHandle file;
        ASSERT_FALSE(file.openForUpdate(files::textOf(path)));
        ASSERT_FALSE(file.setModifiedTime(1'600'000'000));
        ASSERT_FALSE(file.close());
#else
        fs::last_write_time(path, fs::file_time_type(std::chrono::seconds(1'600'000'000)));
#endif
    }
};

FolderSnapshot committedRelease() {
    Release r;
    StagedInstall install(r.packageFolder);
    r.stage(install);
    install.commit();
    return snapshotOf(r.package);
}

TEST(StagedInstall, CommitPutsEveryStagedFileInPlaceAndLeavesTheRest) {
    Release r;
    const FolderSnapshot before = snapshotOf(r.package);
    StagedInstall install(r.packageFolder);
    r.stage(install);
    install.commit();
    const FolderSnapshot after = snapshotOf(r.package);

    EXPECT_EQ(after.at("mirela.exe").content, "new exe");
    EXPECT_EQ(after.at("doc/a.txt").content, "new a");
    EXPECT_EQ(after.at("doc/new.txt").content, "new in an old folder");
    EXPECT_EQ(after.at("Шаблоны/2020/x.txt").content, "new in new folders");
    EXPECT_EQ(after.at("doc/2021/y.txt").content, "new in a new folder in an old one");
    EXPECT_EQ(after.at("ro.txt").content, "new read-only");
    EXPECT_TRUE(after.at("empty").folder);
    for (const char* untouched : {"keep.txt", "doc/b.txt"}) {
        SCOPED_TRACE(untouched);
        EXPECT_EQ(after.at(untouched), before.at(untouched));
    }
    EXPECT_EQ(after.size(), before.size() + 7);  // 3 new files, 4 new folders; nothing of the update's own
    EXPECT_EQ(install.recover(), Recovery::Nothing);
}

TEST(StagedInstall, WhatCannotBePutInPlaceStopsTheCommitBeforeAnyChange) {
    struct Case {
        const char* name;
        void (*spoil)(const fs::path& package);
    };
    const Case cases[] = {
        {"a folder where a file goes", [](const fs::path& p) { fs::create_directories(p / "mirela.exe"); }},
        {"a file where a folder goes", [](const fs::path& p) { Release::put(p / files::pathOf("Шаблоны"), "a file"); }},
        {"a file where a new folder's parent goes", [](const fs::path& p) { Release::put(p / "empty", "a file"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Release r;
        if (std::string(c.name) == "a folder where a file goes") fs::remove(r.package / "mirela.exe");
        c.spoil(r.package);
        const FolderSnapshot before = snapshotOf(r.package);
        StagedInstall install(r.packageFolder);
        r.stage(install);
        EXPECT_THROW(install.commit(), InstallError);
        EXPECT_EQ(snapshotOf(r.package), before);
        EXPECT_EQ(install.recover(), Recovery::Nothing);
    }
}

// A file another program holds open cannot be moved aside (Windows): the commit finds out
// before it changes anything, and asks whether to look again.
TEST(StagedInstall, AFileHeldByAnotherProgramStopsTheCommitBeforeAnyChangeUnlessRetried) {
    struct Case {
        const char* name;
        int heldChecks;        // how many checks find mirela.exe held before it is free
        bool answerRetry;      // the answer to "look again?"
        std::errc error;       // what the held file's check reports
        bool commits;
        int questions;         // times the user is asked
    };
    const Case cases[] = {
        {"held, no question wired", 1'000, false, std::errc::device_or_resource_busy, false, 0},
        {"held, the user gives up", 1'000, false, std::errc::device_or_resource_busy, false, 1},
        {"held, closed after the first retry", 1, true, std::errc::device_or_resource_busy, true, 1},
        {"held, closed after three retries", 3, true, std::errc::device_or_resource_busy, true, 3},
        {"not held but refused", 1'000, true, std::errc::permission_denied, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Release r;
        const FolderSnapshot old = snapshotOf(r.package);
        StagedInstall install(r.packageFolder);
        r.stage(install);
        int checks = 0;
        std::vector<std::string> asked;
        install.checkMovable = [&](const std::string& path) -> std::error_code {
            if (files::pathOf(path).filename() != "mirela.exe" || checks++ >= c.heldChecks) return {};
            return std::make_error_code(c.error);
        };
        if (std::string(c.name) != "held, no question wired")
            install.retryHeldFile = [&](const std::string& file) {
                asked.push_back(file);
                return c.answerRetry;
            };
        std::string message;
        try {
            install.commit();
        } catch (const InstallError& e) {
            message = e.what();
        }
        EXPECT_EQ(static_cast<int>(asked.size()), c.questions);
        for (const std::string& file : asked) EXPECT_EQ(file, files::textOf(r.package / "mirela.exe"));
        if (c.commits) {
            EXPECT_EQ(message, "");
            EXPECT_EQ(snapshotOf(r.package), committedRelease());
        } else {
            EXPECT_NE(message.find("mirela.exe"), std::string::npos) << message;
            if (c.error == std::errc::device_or_resource_busy) {
                EXPECT_EQ(message, heldFileMessage(files::textOf(r.package / "mirela.exe")));
            }
            EXPECT_EQ(snapshotOf(r.package), old);
        }
        EXPECT_EQ(install.recover(), Recovery::Nothing);
    }
}

#ifdef _WIN32
// The real hold: a handle opened without delete sharing, as a running program or a database
// engine keeps one. The platform waits it out briefly; the commit asks and goes on once it
// is closed.
TEST(StagedInstall, AFileHeldOpenWithoutDeleteSharingIsFoundAndTheCommitGoesOnOnceItIsClosed) {
    Release r;
    const FolderSnapshot old = snapshotOf(r.package);
    const std::string held = files::textOf(r.package / "doc" / "a.txt");
    HANDLE holder = CreateFileW((r.package / "doc" / "a.txt").wstring().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        StagedInstall install(r.packageFolder);
        r.stage(install);
        EXPECT_THROW(install.commit(), InstallError);
        EXPECT_EQ(snapshotOf(r.package), old);
    }
    StagedInstall install(r.packageFolder);
    r.stage(install);
    int asked = 0;
    install.retryHeldFile = [&](const std::string& file) {
        EXPECT_EQ(file, held);
        ++asked;
        CloseHandle(holder);
        return true;
    };
    install.commit();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(snapshotOf(r.package), committedRelease());
}
#endif

TEST(StagedInstall, AFailureAtAnyChangeRollsBackToTheOldRelease) {
    for (int failAt = 0;; ++failAt) {
        SCOPED_TRACE("failure before change " + std::to_string(failAt));
        Release r;
        const FolderSnapshot old = snapshotOf(r.package);
        StagedInstall install(r.packageFolder);
        r.stage(install);
        int changes = 0;
        bool failed = false, committed = false;
        install.beforeChange = [&](std::string_view change) {
            if (changes++ != failAt) {
                committed = committed || change == "committed";
                return;
            }
            failed = true;
            throw std::runtime_error("injected");
        };
        bool reported = false;
        try {
            install.commit();
        } catch (const std::runtime_error&) {
            reported = true;
        }
        if (!failed) break;
        if (committed) {
            // Past the journal's "committed" the new release stands: a failed clean-up is left
            // to the next run and is no failure of the update.
            EXPECT_FALSE(reported);
            EXPECT_EQ(install.recover(), Recovery::Completed);
            EXPECT_EQ(snapshotOf(r.package), committedRelease());
        } else {
            EXPECT_TRUE(reported);
            EXPECT_EQ(snapshotOf(r.package), old);
        }
        EXPECT_EQ(install.recover(), Recovery::Nothing);
    }
}

// Windows has no fork(): the kill is tested on Linux only.
#ifndef _WIN32
// Runs the commit in a child process that dies at its `killAt`-th change (as after kill -9);
// false when the commit ended before that.
bool commitKilledAt(const std::string& packageFolder, int killAt) {
    const pid_t child = ::fork();
    if (child == 0) {
        StagedInstall install(packageFolder);
        int changes = 0;
        install.beforeChange = [&](std::string_view) {
            if (changes++ == killAt) ::_exit(0);
        };
        try {
            install.commit();
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(StagedInstall, AfterAKillAtAnyPointEveryFileIsOldOrNewAndTheNextRunFinishes) {
    const FolderSnapshot newRelease = committedRelease();
    for (int killAt = 0;; ++killAt) {
        SCOPED_TRACE("killed before change " + std::to_string(killAt));
        Release r;
        const FolderSnapshot old = snapshotOf(r.package);
        {
            StagedInstall install(r.packageFolder);
            r.stage(install);
        }
        if (!commitKilledAt(r.packageFolder, killAt)) break;

        // Right after the kill: no file torn, whatever its folder holds.
        for (const auto& [name, node] : snapshotOf(r.package)) {
            if (node.folder || name.rfind(".update_3_2", 0) == 0) continue;
            const bool isOld = old.count(name) && old.at(name).content == node.content;
            const bool isNew = newRelease.count(name) && newRelease.at(name).content == node.content;
            EXPECT_TRUE(isOld || isNew) << name << ": " << node.content;
        }

        StagedInstall next(r.packageFolder);
        const Recovery recovery = next.recover();
        const FolderSnapshot after = snapshotOf(r.package);
        if (recovery == Recovery::Completed) {
            EXPECT_EQ(after, newRelease);
        } else {
            EXPECT_TRUE(recovery == Recovery::RolledBack || recovery == Recovery::LeftoversRemoved);
            EXPECT_EQ(after, old);
        }
        EXPECT_EQ(next.recover(), Recovery::Nothing);
    }
}
#endif

// A kill while the journal is written leaves its temporary file beside it: the next run
// removes it, whether or not a journal stands.
TEST(StagedInstall, AJournalWriteCutShortLeavesNothingAfterTheNextRun) {
    for (bool committed : {false, true}) {
        SCOPED_TRACE(committed ? "committed journal beside it" : "no journal");
        Release r;
        const FolderSnapshot old = snapshotOf(r.package);
        if (committed) {
            Release::put(r.package / kJournalFile, "update_3_2 journal 1\nphase committed\nend\n");
        }
        Release::put(r.package / (std::string(kJournalFile) + ".new-4242-0"), "update_3_2 jour");
        Release::put(r.package / (std::string(kJournalFile) + ".new"), "");
        StagedInstall install(r.packageFolder);
        EXPECT_EQ(install.recover(), committed ? Recovery::Completed : Recovery::LeftoversRemoved);
        EXPECT_EQ(snapshotOf(r.package), old);
        EXPECT_EQ(install.recover(), Recovery::Nothing);
    }
}

TEST(StagedInstall, ADamagedJournalStopsTheRecoveryAndChangesNothing) {
    Release r;
    StagedInstall install(r.packageFolder);
    r.stage(install);
    Release::put(r.package / kJournalFile, "update_3_2 journal 1\nphase prepared\nfile 1 mirela.exe\n");
    const FolderSnapshot before = snapshotOf(r.package);
    EXPECT_THROW(install.recover(), InstallError);
    EXPECT_EQ(snapshotOf(r.package), before);
}

} // namespace
} // namespace upd::install
