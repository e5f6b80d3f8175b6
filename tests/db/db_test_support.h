// Fixtures for the database layer's tests: a private folder per test, databases made from
// Access SQL scripts, and dialogs that record what they were asked to show.
#pragma once

#include "ui/dialogs.h"
#include "db/access_sql_translation.h"
#include "db/sqlite_engine.h"
#include "support/quick_key_derivation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace upd::db::testing {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "db_tests_XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A database file made by running an Access SQL script; encrypted when `password` is set.
inline void makeDatabase(const std::string& path, const std::string& password, const std::string& script) {
    auto session = sqlite::createDatabase(path, password);
    for (const std::string& statement : sqlite::splitScript(script)) session->execute(statement);
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class RecordingDialogs : public Dialogs {
public:
    DialogResult message(const MessageRequest& request) override {
        messages.push_back(request);
        return DialogResult::Ok;
    }
    bool password(const std::string&, const std::string&, std::string&) override { return false; }
    std::optional<std::string> openFile(const OpenFileRequest&) override { return std::nullopt; }

    std::vector<MessageRequest> messages;
};

} // namespace upd::db::testing
