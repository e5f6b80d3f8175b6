// Fixtures for the database layer's tests: a private folder per test, databases made from
// Access SQL scripts, and dialogs that record what they were asked to show.
#pragma once

#include "ui/dialogs.h"
#include "db/access_sql_translation.h"
#include "db/sqlite_engine.h"
#include "support/quick_key_derivation.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace upd::db::testing {

// Paths travel as UTF-8 strings; the standard library takes them as char8_t, which
// Windows receives as UTF-16 rather than through the ANSI code page.
inline std::filesystem::path fsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string utf8Path(const std::filesystem::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

// The shared temporary folder, with the UTF-8 paths the database layer takes.
class TempFolder {
public:
    std::string file(const std::string& name) const { return utf8Path(dir_.path() / fsPath(name)); }
    const std::string& path() const { return path_; }

private:
    upd::testing::TempDir dir_;
    std::string path_ = utf8Path(dir_.path());
};

// A database file made by running an Access SQL script; encrypted when `password` is set.
inline void makeDatabase(const std::string& path, const std::string& password, const std::string& script) {
    auto session = sqlite::createDatabase(path, password);
    for (const std::string& statement : sqlite::splitScript(script)) session->execute(statement);
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(fsPath(path), std::ios::binary) << bytes;
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
