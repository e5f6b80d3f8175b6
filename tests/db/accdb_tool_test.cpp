// The fixture tool, run as the demo and the fixture scripts run it.
#include "db_test_support.h"

#include <cstdio>
#include <filesystem>

namespace upd::db::testing {
namespace {

const std::string kTool = std::string(UPDATE_BINARY_DIR) + "/tools/accdb/accdb";

struct Run {
    int status;
    std::string output;
};

Run run(const std::string& arguments, const std::string& input = {}) {
    TempFolder scratch;
    const std::string in = scratch.file("in.sql");
    writeFile(in, input);
    const std::string command = "'" + kTool + "' " + arguments + " < '" + in + "' 2>/dev/null";
    Run r{-1, {}};
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
        r.status = pclose(p);
    }
    return r;
}

class AccdbTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kTool)) GTEST_SKIP() << "build the accdb target first: " << kTool;
    }
    TempFolder folder;
    std::string file = folder.file("MainBase.accdb");
};

TEST_F(AccdbTool, CreatesAndInspectsAnEncryptedDatabase) {
    const std::string script =
        "CREATE TABLE car (car_id COUNTER PRIMARY KEY, car_name VARCHAR(50), car_qn BIT);\n"
        "INSERT INTO car (car_name) VALUES ('КамАЗ; 6x6');\n"
        "INSERT INTO car (car_name, car_qn) VALUES ('ЗИЛ', true);\n";
    ASSERT_EQ(run("create '" + file + "' --password pw", script).status, 0);
    EXPECT_EQ(run("query '" + file + "' --password pw \"SELECT * FROM car WHERE car_name LIKE 'кам%'\"").output,
              "car_id\tcar_name\tcar_qn\n1\tКамАЗ; 6x6\tFalse\n");
    EXPECT_EQ(run("tables '" + file + "' --password pw").output, "car\n");
    EXPECT_EQ(run("columns '" + file + "' car --password pw").output,
              "car_id\tAutoInc\ncar_name\tString\t50\ncar_qn\tBoolean\n");
    EXPECT_NE(run("tables '" + file + "'").status, 0);  // encrypted: no password, no entry
    ASSERT_EQ(run("exec '" + file + "' --password pw \"UPDATE car SET car_qn = true\"").status, 0);
    EXPECT_EQ(run("query '" + file + "' --password pw \"SELECT count(*) AS n FROM car WHERE car_qn\"").output, "n\n2\n");
}

TEST_F(AccdbTool, NeverReplacesOrLeavesATornFile) {
    ASSERT_EQ(run("create '" + file + "'", "CREATE TABLE a (x INTEGER);").status, 0);
    const auto size = std::filesystem::file_size(file);
    EXPECT_NE(run("create '" + file + "'", "CREATE TABLE b (x INTEGER);").status, 0);
    EXPECT_EQ(run("tables '" + file + "'").output, "a\n");
    const std::string other = folder.file("other.accdb");
    EXPECT_NE(run("create '" + other + "'", "CREATE TABLE b (x INTEGER); CREATE TABLE b (y INTEGER);").status, 0);
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    EXPECT_EQ(std::filesystem::file_size(file), size);
}

} // namespace
} // namespace upd::db::testing

namespace upd::db::testing {
namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The demo's databases come from these scripts; each must build.
TEST(DemoScripts, EveryScriptBuildsADatabase) {
    const std::string demo = std::string(UPDATE_SOURCE_DIR) + "/tools/accdb/demo/";
    TempFolder folder;
    for (const char* name : {"user_base.sql", "main_base.sql", "vus_845.sql", "adress.sql", "soato.sql"}) {
        const std::string path = folder.file(std::string(name) + ".accdb");
        std::string script = readText(demo + name);
        if (std::string(name) == "adress.sql") script += readText(demo + "adress_rows.sql");
        ASSERT_FALSE(script.empty()) << name;
        EXPECT_NO_THROW(makeDatabase(path, "pw", script)) << name;
    }
}

TEST(DemoScripts, CommentsAndEmptyStatementsAreDropped) {
    EXPECT_EQ(sqlite::splitScript("-- note; with a semicolon\nSELECT 1;;\n SELECT '--x;y' -- tail\n"),
              (std::vector<std::string>{"\nSELECT 1", "\n SELECT '--x;y' \n"}));
}

} // namespace
} // namespace upd::db::testing
