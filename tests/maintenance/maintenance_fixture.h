// A scratch folder and a form context for the maintenance steps' tests.
#pragma once

#include "ui/form_context.h"
#include "maintenance/maintenance_steps.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace upd::testing {

class SilentDialogs : public Dialogs {
public:
    DialogResult message(const MessageRequest&) override {
        ++messages;
        return DialogResult::Ok;
    }
    bool password(const std::string&, const std::string&, std::string&) override { return false; }
    std::optional<std::string> openFile(const OpenFileRequest&) override { return std::nullopt; }
    int messages = 0;
};

class MaintenanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "maintenance_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        Environment env;
        env.updaterFolder = (root / "updater").string() + "/";
        std::filesystem::create_directories(root / "updater" / "res");
        form = std::make_unique<FormContext>(env, dialogs, pump);
        pump.onIdle = [this] { ++idleRounds; };
        steps = std::make_unique<MaintenanceSteps>(*form, (root / "drive").string() + "/");
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
    SilentDialogs dialogs;
    QueuedEventPump pump;
    int idleRounds = 0;
    std::unique_ptr<FormContext> form;
    std::unique_ptr<MaintenanceSteps> steps;
};

} // namespace upd::testing
