// The console's choice of database engine: UpdateBase_QN on a plain copy of the demo's
// driving school, through the SQLCipher engine and through the ODBC engine with SQLite's
// driver, prints the same log and leaves the same working copies.
#include "support/temp_dir.h"
#include "db/access_sql_translation.h"
#include "db/sqlite_engine.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using upd::testing::TempDir;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void makeBase(const std::string& path, const std::string& scriptName) {
    const std::string script = readAll(fs::path(UPDATE_SOURCE_DIR) / "tools/accdb/demo" / scriptName);
    auto session = upd::db::sqlite::createDatabase(path, "");
    for (const std::string& statement : upd::db::sqlite::splitScript(script)) session->execute(statement);
}

std::string dump(const std::string& path) {
    upd::db::sqlite::SqliteEngine engine;
    auto session = engine.open(path, "");
    std::string out;
    for (const std::string& table : session->tableNames()) {
        const upd::db::RowSet rows = session->openTable(table);
        out += "[" + table + "]";
        for (const auto& f : rows.fields) out += " " + f.Name + ":" + upd::db::fieldTypeName(f.DataType);
        for (const auto& row : rows.rows) {
            out += "\n ";
            for (const auto& v : row) out += (v.isNull() ? std::string("NULL") : v.toString()) + "|";
        }
        out += "\n";
    }
    return out;
}

struct QnRun {
    int code = -1;
    std::string out, err, user, main;
};

// An updater folder with the demo's plain templates; the program run there with `options`.
QnRun runQn(const std::string& options) {
    TempDir dir;
    const std::string updater = dir.folder() + "updater/";
    fs::create_directories(updater + "res");
    fs::create_directories(updater + "in");
    fs::create_directories(updater + "out");
    fs::copy_file(std::string(UPDATE_BINARY_DIR) + "/console/update_3_2_console", updater + "update_3_2");
    makeBase(updater + "res/MainBase.accdb", "main_base.sql");
    makeBase(updater + "in/Avtoshkola.accdb", "user_base.sql");
    const std::string command = "cd '" + updater + "' && ./update_3_2 --console --registry '" + dir.folder() +
                                "registry.reg' --step UpdateBase_QN --open '" + updater + "in/Avtoshkola.accdb' " + options +
                                " >'" + dir.folder() + "stdout' 2>'" + dir.folder() + "stderr' </dev/null";
    const int status = std::system(command.c_str());
    QnRun r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readAll(dir.folder() + "stdout");
    r.err = readAll(dir.folder() + "stderr");
    // The step's one box names the chosen file, which lies in this run's folder.
    if (const size_t at = r.err.find(dir.folder()); at != std::string::npos) r.err.replace(at, dir.folder().size(), "<dir>/");
    if (r.code == 0) {
        r.user = dump(updater + "out/Avtoshkola.accdb");
        r.main = dump(updater + "out/MainBase.accdb");
    }
    return r;
}

TEST(ConsoleDbEngine, UpdateBaseQnThroughOdbcEqualsTheSqlCipherEngine) {
    ::unsetenv("UPDATE_DB_ENGINE");
    ::setenv("UPDATE_ODBC_DRIVER", "SQLite3", 1);
    const QnRun sqlcipher = runQn("");
    const QnRun odbc = runQn("--db-engine odbc");
    ::unsetenv("UPDATE_ODBC_DRIVER");
    ASSERT_EQ(sqlcipher.code, 0) << sqlcipher.err;
    EXPECT_EQ(odbc.code, 0) << odbc.err;
    EXPECT_NE(sqlcipher.out.find("Обновление таблицы Instruktor = успешно"), std::string::npos) << sqlcipher.out;
    EXPECT_EQ(odbc.out, sqlcipher.out);
    EXPECT_EQ(odbc.err, sqlcipher.err);
    EXPECT_EQ(odbc.user, sqlcipher.user);
    EXPECT_EQ(odbc.main, sqlcipher.main);
    // The driver from the command line, the engine from the environment.
    ::setenv("UPDATE_DB_ENGINE", "odbc", 1);
    const QnRun fromEnvironment = runQn("--odbc-driver SQLite3");
    ::unsetenv("UPDATE_DB_ENGINE");
    EXPECT_EQ(fromEnvironment.code, 0) << fromEnvironment.err;
    EXPECT_EQ(fromEnvironment.main, sqlcipher.main);
}

TEST(ConsoleDbEngine, TheEngineIsReallyUsedAndAnUnknownOneIsAUsageError) {
    // A driver that does not exist: the ODBC engine fails to connect, so the step fails.
    const QnRun missingDriver = runQn("--db-engine odbc --odbc-driver 'No Such Driver'");
    EXPECT_EQ(missingDriver.code, 11) << missingDriver.out << missingDriver.err;
    const QnRun unknown = runQn("--db-engine access");
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("unknown database engine access"), std::string::npos) << unknown.err;
    ::setenv("UPDATE_DB_ENGINE", "jet", 1);
    const QnRun unknownInEnvironment = runQn("");
    ::unsetenv("UPDATE_DB_ENGINE");
    EXPECT_EQ(unknownInEnvironment.code, 2);
    EXPECT_NE(unknownInEnvironment.err.find("UPDATE_DB_ENGINE"), std::string::npos) << unknownInEnvironment.err;
}

} // namespace
