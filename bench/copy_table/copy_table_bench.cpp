// Merges 200,000 street rows of a module's address base, half of which the common base has
// already, once through CopyTable (every row through the table objects, one lookup and one
// post each) and once as one SQL statement over an index, and prints the ratio of the times.
//
//   copy_table_bench [ROWS]        (run by hand; ROWS defaults to 200000)
#include "db/access_sql_translation.h"
#include "db/database_components.h"
#include "db/sqlite_engine.h"
#include "migration/table_copy.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kStreet =
    "CREATE TABLE street (street_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, street_name VARCHAR(255), nasel_punkt_id INTEGER)";

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "?"));
}

void exec(sqlite3* db, const std::string& sql) { check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), db, sql.c_str()); }

// An address base with the street table holding rows first..last stepping by `step`.
void makeStreets(const std::string& path, int first, int last, int step) {
    upd::db::sqlite::createDatabase(path, "")->execute(kStreet);
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db), db, "open");
    exec(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO street (street_name, nasel_punkt_id) VALUES (?1, ?2)", -1, &st, nullptr), db,
          "prepare");
    for (int i = first; i <= last; i += step) {
        const std::string name = "ул. Улица номер " + std::to_string(i);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 2, 1 + i % 977);
        check(sqlite3_step(st), db, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    exec(db, "COMMIT");
    sqlite3_close(db);
}

long long count(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db), db, "open");
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), db, "prepare");
    check(sqlite3_step(st), db, "count");
    const long long n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class NoDialogs : public upd::Dialogs {
public:
    upd::DialogResult message(const upd::MessageRequest& r) override {
        std::fprintf(stderr, "box: %s\n", r.text.c_str());
        return upd::DialogResult::Ok;
    }
    bool password(const std::string&, const std::string&, std::string&) override { return false; }
    std::optional<std::string> openFile(const upd::OpenFileRequest&) override { return std::nullopt; }
};



// The merge as one SQL statement over an index on the key CopyTable uses (the name without
// regard to case, and the settlement; built beforehand); seconds.
double mergeBySql(const std::string& target, const std::string& source) {
    sqlite3* sql = nullptr;
    check(sqlite3_open(target.c_str(), &sql), sql, "open");
    exec(sql, "CREATE INDEX street_key_index ON street (street_name COLLATE NOCASE, nasel_punkt_id)");
    const auto start = Clock::now();
    exec(sql, "ATTACH DATABASE '" + source + "' AS module");
    exec(sql, "INSERT INTO main.street (street_name, nasel_punkt_id) SELECT s.street_name, s.nasel_punkt_id FROM "
              "module.street s WHERE s.street_name <> '' AND NOT EXISTS (SELECT 1 FROM main.street t WHERE "
              "t.street_name = s.street_name COLLATE NOCASE AND t.nasel_punkt_id IS s.nasel_punkt_id) ORDER BY s.street_id");
    const double time = seconds(Clock::now() - start);
    sqlite3_close(sql);
    return time;
}

// CopyTable through the window's components, the connections opened beforehand; seconds
// without and with closing the connections.
std::pair<double, double> mergeByCopyTable(const std::string& target, const std::string& source) {
    NoDialogs dialogs;
    upd::UpdateLog log;
    upd::MessageBoxes boxes(dialogs, "update_3_2");
    const upd::RegistryOpener noRegistry;
    const std::string updaterFolder;
    upd::DatabaseComponents components(dialogs);
    upd::TableCopySteps steps(upd::StepContext{log, boxes, noRegistry, updaterFolder, components});
    if (!components.connectToBaseUser(target, "") || !components.connectToBase2(source, ""))
        throw std::runtime_error("cannot open the address bases");
    const auto start = Clock::now();
    steps.CopyTable("street");
    const double copied = seconds(Clock::now() - start);
    components.closeConnections();
    const double closed = seconds(Clock::now() - start);
    for (const std::string& line : log.lines()) std::fprintf(stderr, "log: %s\n", line.c_str());
    return {copied, closed};
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
    constexpr int kRounds = 3;  // best of three for each, alternating
    std::string pattern = (fs::temp_directory_path() / "copy_table_bench_XXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    try {
        const std::string source = (dir / "module.accdb").string();
        const std::string common = (dir / "common.accdb").string();
        makeStreets(source, 1, rows, 1);
        makeStreets(common, 2, rows, 2);  // every second source row is there already

        double sqlBest = 1e9, copyBest = 1e9, closedBest = 1e9;
        long long viaStatement = 0, viaCopy = 0, distinct = 0;
        for (int round = 0; round < kRounds; ++round) {
            const std::string bySql = (dir / "common_sql.accdb").string();
            const std::string byCopy = (dir / "common_copy.accdb").string();
            fs::copy_file(common, bySql, fs::copy_options::overwrite_existing);
            fs::copy_file(common, byCopy, fs::copy_options::overwrite_existing);
            sqlBest = std::min(sqlBest, mergeBySql(bySql, source));
            const auto [copied, closed] = mergeByCopyTable(byCopy, source);
            copyBest = std::min(copyBest, copied);
            closedBest = std::min(closedBest, closed);
            viaStatement = count(bySql, "SELECT count(*) FROM street");
            viaCopy = count(byCopy, "SELECT count(*) FROM street");
            distinct = count(byCopy, "SELECT count(DISTINCT street_name) FROM street");
        }
        std::printf("rows in the module's table:   %d (half of them in the common base)\n", rows);
        std::printf("rows after the merge:         CopyTable %lld, SQL %lld, distinct names %lld\n", viaCopy, viaStatement,
                    distinct);
        std::printf("one SQL statement with index: %.3f s (best of %d)\n", sqlBest, kRounds);
        std::printf("CopyTable:                    %.3f s, %.3f s with closing the connections (best of %d)\n", copyBest,
                    closedBest, kRounds);
        std::printf("ratio CopyTable / SQL:        %.2f (with closing %.2f)\n", copyBest / sqlBest, closedBest / sqlBest);
        fs::remove_all(dir);
        return viaCopy == viaStatement && distinct == viaCopy ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "copy_table_bench: %s\n", e.what());
        fs::remove_all(dir);
        return 2;
    }
}
