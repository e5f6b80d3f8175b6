// A scratch folder, an updater folder and an event queue for the maintenance steps' tests.
#pragma once

#include "ui/event_pump.h"
#include "maintenance/maintenance_steps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace upd::testing {

class MaintenanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "maintenance_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        updaterFolder = (root / "updater").string() + "/";
        std::filesystem::create_directories(root / "updater" / "res");
        pump.onIdle = [this] { ++idleRounds; };
        steps = std::make_unique<MaintenanceSteps>(pump, updaterFolder, (root / "drive").string() + "/");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(root, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(root, ec);
    }

    std::filesystem::path makeFolder(const std::filesystem::path& p) {
        std::filesystem::create_directories(p);
        return p;
    }
    std::filesystem::path makeFile(const std::filesystem::path& p, const std::string& content = "x") {
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << content;
        return p;
    }
    void writeRemovalList(const std::string& bytes) { makeFile(root / "updater" / "res" / "files.txt", bytes); }

    std::filesystem::path root;
    QueuedEventPump pump;
    int idleRounds = 0;
    std::string updaterFolder;
    std::unique_ptr<MaintenanceSteps> steps;
};

} // namespace upd::testing
