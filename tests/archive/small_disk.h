// A small tmpfs mounted as the base folder's file system, for the tests of a full disk
// (root only; the test is skipped elsewhere).
#pragma once

#include <string>
#include <utility>

#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "archive_test_support.h"

namespace upd::test {

class SmallDiskTest : public ArchiveTest {
protected:
    // mountSize: the tmpfs option, e.g. "size=1m".
    explicit SmallDiskTest(std::string mountSize) : mountSize_(std::move(mountSize)) {}

    void SetUp() override {
        ArchiveTest::SetUp();
        disk = root / "disk";
        std::filesystem::create_directories(disk);
        if (::geteuid() != 0 || ::mount("tmpfs", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, mountSize_.c_str()) != 0)
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

    std::filesystem::path disk;
    bool mounted = false;

private:
    std::string mountSize_;
};

} // namespace upd::test
