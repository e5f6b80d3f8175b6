// Fixtures of the migration and transfer steps' tests: the form, the database components and
// the steps over a temporary updater folder and registry file, databases made from Access SQL
// scripts (the demo's scripts included), and the update log as recorded by its observer.
#pragma once

#include "app/main_form.h"
#include "app/step_catalogue.h"
#include "registry/file_registry_backend.h"
#include "db/access_sql_translation.h"
#include "db/ado_table.h"
#include "db/database_components.h"
#include "db/sqlite_engine.h"
#include "migration/migration_steps.h"
#include "support/quick_key_derivation.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "platform/files.h"
#include "platform/fs_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace upd {
// Boxes compare by what the user sees.
inline bool operator==(const MessageRequest& a, const MessageRequest& b) {
    return a.text == b.text && a.caption == b.caption && a.buttons == b.buttons && a.icon == b.icon;
}
inline std::ostream& operator<<(std::ostream& os, const MessageRequest& m) {
    return os << "{" << m.text << " | " << m.caption << " | icon " << static_cast<int>(m.icon) << "}";
}
} // namespace upd

namespace upd::testing {

// A path written with '/' in the platform's separators, as the steps build their paths.
inline std::string native(std::string path) {
    for (char& c : path)
        if (c == '/') c = files::kSeparator;
    return path;
}

inline std::string demoScript(const std::string& name) {
    return readFile(std::filesystem::path(UPDATE_SOURCE_DIR) / "tools/accdb/demo" / name);
}

// A database file made by running an Access SQL script; encrypted when `password` is set.
inline void makeBase(const std::string& path, const std::string& password, const std::string& script) {
    std::filesystem::create_directories(files::pathOf(path).parent_path());
    auto session = db::sqlite::createDatabase(path, password);
    for (const std::string& statement : db::sqlite::splitScript(script)) session->execute(statement);
}

// The rows of a SELECT on a database file: values joined by "|" (null as NULL), rows by "/".
inline std::string rowsOf(const std::string& path, const std::string& password, const std::string& select) {
    auto session = db::defaultEngine().open(path, password);
    const db::RowSet rows = session->query(select);
    std::string out;
    for (const auto& row : rows.rows) {
        if (!out.empty()) out += "/";
        for (size_t i = 0; i < row.size(); ++i) out += (i ? "|" : "") + (row[i].isNull() ? std::string("NULL") : row[i].toString());
    }
    return out;
}

// Dialogs whose open-file dialog can be made to fail.
class StepDialogs : public ScriptedDialogs {
public:
    bool openFileFails = false;
    std::vector<OpenFileRequest> openFileRequests;
    std::optional<std::string> openFile(const OpenFileRequest& request) override {
        openFileRequests.push_back(request);
        if (openFileFails) throw std::runtime_error("the dialog could not be created");
        return ScriptedDialogs::openFile(request);
    }
};

inline MessageRequest boxOf(const std::string& text, const std::string& caption) {
    return MessageRequest{text, caption, DialogButtons::Ok, DialogIcon::None, 0};
}

struct MigrationFixture {
    TempDir dir;
    std::string updater;
    std::string registryPath = files::textOf(dir / "registry.reg");
    StepDialogs dialogs;
    QueuedEventPump pump;
    TDM dm;
    // The window model, so that the catalogue runs its steps as the console does.
    TfmMain form;
    DatabaseComponents& db = form.databases;
    Control& Button3 = form.Button3;
    MigrationSteps& steps = form.migration;
    // Each appended line, "*" in front when it was appended and selected.
    std::vector<std::string> log;

    // `updaterFolder`: the updater's folder below the test's folder, with its separator.
    explicit MigrationFixture(const std::string& updaterFolder = "updater/")
        : updater(native(dir.folder() + updaterFolder)), form(dm, environment(), dialogs, pump) {
        std::filesystem::create_directories(files::pathOf(updater));
        form.ListBox1.addObserver([this](size_t index, bool selected) {
            log.push_back((selected ? "*" : "") + form.ListBox1.lines()[index]);
        });
    }
    ~MigrationFixture() { db.closeConnections(); }

    Environment environment() {
        Environment env;
        env.executableName = "update_3_2";
        env.updaterFolder = updater;
        env.openRegistry = fileRegistryOpener(registryPath);
        return env;
    }

    // Registry sections: {section, value name, text}.
    void setRegistry(const std::vector<std::vector<std::string>>& values) {
        std::string body = "Windows Registry Editor Version 5.00\r\n\r\n";
        std::string section;
        for (const auto& v : values) {
            if (v[0] != section) body += "\r\n[HKEY_CURRENT_USER\\Software\\" + (section = v[0]) + "]\r\n";
            std::string value;  // as the export format writes it: backslash and quote escaped
            for (const char c : v[2]) value += c == '\\' || c == '"' ? std::string{'\\', c} : std::string{c};
            body += "\"" + v[1] + "\"=\"" + value + "\"\r\n";
        }
        writeFile(registryPath, body);
    }

    // The templates that come with the update, in the updater's res folder.
    void makeTemplates() {
        makeBase(updater + "res/MainBase.accdb", kMainBasePassword, demoScript("main_base.sql"));
        makeBase(updater + "res/vus_845.accdb", kPlanBasePassword, demoScript("vus_845.sql"));
        makeBase(updater + "res/adress.accdb", "", demoScript("adress.sql") + demoScript("adress_template_rows.sql"));
        makeBase(updater + "res/soato.accdb", "", demoScript("soato.sql"));
    }

    // A user's database (the demo's driving school unless `script` is given), open on ADOConnection1.
    std::string openUserBase(const std::string& script = demoScript("user_base.sql")) {
        const std::string path = dir.folder() + "user.accdb";
        makeBase(path, kMainBasePassword, script);
        EXPECT_TRUE(db.connectToBaseUser(path, kMainBasePassword));
        return path;
    }

    std::string userRows(const std::string& select) {
        return rowsOf(dir.folder() + "user.accdb", kMainBasePassword, select);
    }

    // Runs a catalogue step by name; false (and a test failure) when there is none.
    bool runStep(const std::string& name) {
        const CatalogueStep* step = findCatalogueStep(name);
        if (!step) {
            ADD_FAILURE() << "no " << name << " in the catalogue";
            return false;
        }
        return step->run(form);
    }

    std::vector<std::string> logFrom(size_t start) const {
        return {log.begin() + static_cast<std::ptrdiff_t>(std::min(start, log.size())), log.end()};
    }
};

} // namespace upd::testing
