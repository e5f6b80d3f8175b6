// A scratch folder, an updater folder and an event queue for the maintenance steps' tests.
#pragma once

#include "ui/event_pump.h"
#include "maintenance/maintenance_steps.h"
#include "platform/files.h"
#include "platform/fs_path.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace upd::testing {

class MaintenanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        temp = std::make_unique<TempDir>();
        root = temp->path();
        updaterFolder = str(root / "updater") + files::kSeparator;
        std::filesystem::create_directories(root / "updater" / "res");
        pump.onIdle = [this] { ++idleRounds; };
        steps = std::make_unique<MaintenanceSteps>(pump, updaterFolder, str(root / "drive") + files::kSeparator);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(root, std::filesystem::perms::owner_all, ec);
        temp.reset();
    }

    // Paths as the steps take them: UTF-8 text.
    static std::string str(const std::filesystem::path& p) { return files::textOf(p); }
    static std::filesystem::path path(const std::string& utf8) { return files::pathOf(utf8); }

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

    std::unique_ptr<TempDir> temp;
    std::filesystem::path root;
    QueuedEventPump pump;
    int idleRounds = 0;
    std::string updaterFolder;
    std::unique_ptr<MaintenanceSteps> steps;
};

} // namespace upd::testing
