// The console updater killed (SIGKILL) at many moments of a large update: right after the
// kill every file of the package folder holds its old or its new content, and the next run
// mends the folder and installs the release.
#include "support/folder_snapshot.h"
#include "support/installation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace upd;
using upd::testing::FolderSnapshot;
using upd::testing::Installation;
using upd::testing::snapshotOf;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Starts the updater; kills it after `killAfter` unless that is zero. True when it exited by itself.
bool runUpdater(const Installation& inst, std::chrono::microseconds killAfter, int* code = nullptr) {
    const std::string exe = inst.updaterFolder + "update_3_2";
    if (!fs::exists(exe)) fs::copy_file(std::string(UPDATE_BINARY_DIR) + "/console/update_3_2_console", exe);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(exe.c_str(), exe.c_str(), "--console", "--registry", inst.registryPath.c_str(), nullptr);
        ::_exit(127);
    }
    if (killAfter.count() > 0) {
        std::this_thread::sleep_for(killAfter);
        ::kill(child, SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (code) *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return WIFEXITED(status);
}

std::vector<tools::ZipEntryInput> largeRelease() {
    std::vector<tools::ZipEntryInput> entries = upd::testing::sampleEntries();
    for (int i = 0; i < 300; ++i) {
        std::string data(32 * 1024, '\0');
        for (size_t j = 0; j < data.size(); ++j) data[j] = static_cast<char>((i * 7919 + j * 31 + (j >> 5)) % 251);
        entries.push_back({"Кордеваль/Данные/файл " + std::to_string(i) + ".bin", data, i % 2 == 0});
    }
    return entries;
}

TEST(ConsoleKill, EveryFileIsOldOrNewAndTheNextRunInstallsTheRelease) {
    Installation inst("3.1", largeRelease());
    upd::testing::writeFile(inst.packageFolder + "top.dll", "old library");
    for (int i = 0; i < 300; i += 3)
        upd::testing::writeFile(inst.packageFolder + "Кордеваль/Данные/файл " + std::to_string(i) + ".bin", "old data");
    const fs::path pristine = inst.dir / "pristine";
    fs::copy(inst.packageFolder, pristine, fs::copy_options::recursive);
    const std::string registry = upd::testing::readFile(inst.registryPath);
    const FolderSnapshot old = snapshotOf(inst.packageFolder);
    const auto restore = [&] {
        fs::remove_all(inst.packageFolder);
        fs::copy(pristine, inst.packageFolder, fs::copy_options::recursive);
        upd::testing::writeFile(inst.registryPath, registry);
    };

    // How long a whole run takes once the files are cached: the kills are spread over it.
    int code = -1;
    std::chrono::microseconds whole = std::chrono::hours(1);
    for (int run = 0; run < 2; ++run) {
        restore();
        const auto start = Clock::now();
        ASSERT_TRUE(runUpdater(inst, {}, &code));
        ASSERT_EQ(code, 0);
        whole = std::min(whole, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start));
    }
    const FolderSnapshot fresh = snapshotOf(inst.packageFolder);

    constexpr int kPoints = 24;
    int killed = 0;
    for (int point = 1; point <= kPoints; ++point) {
        SCOPED_TRACE("killed after " + std::to_string(point) + "/" + std::to_string(kPoints) + " of a run");
        restore();
        if (runUpdater(inst, whole * point / (kPoints + 1))) continue;  // it had already finished
        ++killed;
        for (const auto& [name, node] : snapshotOf(inst.packageFolder)) {
            if (node.folder || name.rfind(".update_3_2", 0) == 0) continue;
            const bool isOld = old.count(name) && old.at(name).content == node.content;
            const bool isNew = fresh.count(name) && fresh.at(name).content == node.content;
            EXPECT_TRUE(isOld || isNew) << name;
        }
        ASSERT_TRUE(runUpdater(inst, {}, &code));
        EXPECT_EQ(code, 0);
        const FolderSnapshot after = snapshotOf(inst.packageFolder);
        ASSERT_EQ(after.size(), fresh.size());
        for (const auto& [name, node] : fresh) {
            ASSERT_TRUE(after.count(name)) << name;
            EXPECT_EQ(after.at(name).content, node.content) << name;
        }
    }
    EXPECT_GE(killed, kPoints / 3);  // the machine's load moves the moments, not the checks
}

} // namespace
