// The catalogue through both engines: the same steps on the same plain SQLite files, once
// through the SQLCipher engine and once through the ODBC engine with SQLite's driver, leave
// the same databases, log lines and boxes.
#include "migration_fixture.h"

#include "db/engine_choice.h"
#include "db/odbc_connection_string.h"
#include "db/odbc_engine.h"

#include <map>

namespace upd::testing {
namespace {

// The program's engine for the scope's length; then the one the environment names, as for
// the other tests.
class ScopedEngine {
public:
    explicit ScopedEngine(const db::EngineChoice& choice) { db::chooseEngine(choice); }
    ~ScopedEngine() { db::chooseEngine(db::resolveEngineChoice("", "")); }
};

struct Outcome {
    bool result = false;
    std::vector<std::string> log;
    std::vector<std::string> boxes;
    std::map<std::string, std::string> databases;  // relative path: every table's columns and rows
};

// A database file read through the SQLCipher engine, whichever engine wrote it.
std::string dump(const std::string& path) {
    db::sqlite::SqliteEngine engine;
    auto session = engine.open(path, "");
    std::string out;
    for (const std::string& table : session->tableNames()) {
        const db::RowSet rows = session->openTable(table);
        out += "[" + table + "]";
        for (const db::FieldDef& f : rows.fields) out += " " + f.Name + ":" + db::fieldTypeName(f.DataType);
        for (const auto& row : rows.rows) {
            out += "\n ";
            for (const db::Variant& v : row) out += (v.isNull() ? std::string("NULL") : v.toString()) + "|";
        }
        out += "\n";
    }
    return out;
}

using Scenario = std::function<bool(MigrationFixture&)>;

Outcome runWith(const db::EngineChoice& choice, const Scenario& scenario) {
    ScopedEngine engine(choice);
    Outcome o;
    std::string root;
    {
        MigrationFixture f;
        // The form's connections took the chosen engine.
        EXPECT_EQ(dynamic_cast<db::odbc::OdbcEngine*>(&db::defaultEngine()) != nullptr, choice.kind == db::EngineKind::Odbc);
        root = f.dir.folder();
        o.result = scenario(f);
        f.db.closeConnections();
        o.log = f.log;
        for (const MessageRequest& m : f.dialogs.messages()) o.boxes.push_back(m.caption + ": " + m.text);
        for (const auto& e : std::filesystem::recursive_directory_iterator(files::pathOf(root))) {
            const std::string name = files::textOf(e.path().filename());
            if (!e.is_regular_file() || !name.ends_with(".accdb")) continue;
            const std::string relative = files::textOf(std::filesystem::relative(e.path(), files::pathOf(root)));
            o.databases[relative] = dump(files::textOf(e.path()));
        }
        // Every text a box or line shows with the test's folder in it names the same place.
        for (std::string& line : o.log)
            if (const size_t at = line.find(root); at != std::string::npos) line.replace(at, root.size(), "<dir>/");
        for (std::string& line : o.boxes)
            if (const size_t at = line.find(root); at != std::string::npos) line.replace(at, root.size(), "<dir>/");
    }
    return o;
}

void expectSameOutcome(const Scenario& scenario) {
    const Outcome sqlcipher = runWith({db::EngineKind::SqlCipher, ""}, scenario);
    const Outcome odbc = runWith({db::EngineKind::Odbc, db::odbc::kSqliteDriver}, scenario);
    EXPECT_FALSE(sqlcipher.log.empty());
    EXPECT_EQ(odbc.result, sqlcipher.result);
    EXPECT_EQ(odbc.log, sqlcipher.log);
    EXPECT_EQ(odbc.boxes, sqlcipher.boxes);
    EXPECT_FALSE(sqlcipher.databases.empty());
    ASSERT_EQ(odbc.databases.size(), sqlcipher.databases.size());
    for (const auto& [name, content] : sqlcipher.databases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(odbc.databases.at(name), content);
    }
}

// The demo's plain databases: the steps open them with their passwords, which a file
// without one takes, and SQLite's driver reads plain files only.
void makeTemplates(MigrationFixture& f) {
    makeBase(f.updater + "res/MainBase.accdb", "", demoScript("main_base.sql"));
    makeBase(f.updater + "in/Avtoshkola.accdb", "", demoScript("user_base.sql"));
    std::filesystem::create_directories(files::pathOf(f.updater + "out"));
}

TEST(OdbcParity, ProvisioningSteps) {
    for (const char* step : {"CreateTableSpravka", "CreateTableGrafikVojdenija", "AddColumnGrafikHours", "AddColumnGruppa",
                             "AddColumnStudent", "AddColumnTeach_obj"}) {
        SCOPED_TRACE(step);
        expectSameOutcome([step](MigrationFixture& f) {
            const std::string path = f.dir.folder() + "user.accdb";
            makeBase(path, "", demoScript("user_base.sql"));
            EXPECT_TRUE(f.db.connectToBaseUser(path, kMainBasePassword));
            // The second run finds what the first one made.
            return f.runStep(step) && f.runStep(step);
        });
    }
}

TEST(OdbcParity, TableCopies) {
    expectSameOutcome([](MigrationFixture& f) {
        const std::string target = f.dir.folder() + "target.accdb", source = f.dir.folder() + "source.accdb";
        makeBase(target, "",
                 "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(255), nasel_punkt_id INTEGER);"
                 "INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Мира', 1);"
                 "CREATE TABLE soato_adress (soato_id INTEGER CONSTRAINT PrimaryKey PRIMARY KEY, soato_name STRING);");
        // The source's second table has a column the target lacks: the copy fails at the
        // row that sets it, the rows before it stay.
        makeBase(source, "",
                 "CREATE TABLE soato_adress (soato_id INTEGER CONSTRAINT PrimaryKey PRIMARY KEY, soato_name STRING, kod VARCHAR(9));"
                 "INSERT INTO soato_adress (soato_id, soato_name) VALUES (5, 'Минск');"
                 "INSERT INTO soato_adress (soato_id, soato_name, kod) VALUES (7, 'Брест', '01');"
                 "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(255), nasel_punkt_id INTEGER);"
                 "INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Мира', 1);"
                 "INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Ленина', 2);"
                 "INSERT INTO street (street_name, nasel_punkt_id) VALUES ('пр. Победы', NULL);");
        EXPECT_TRUE(f.db.connectToBaseUser(target, ""));
        EXPECT_TRUE(f.db.connectToBase2(source, ""));
        f.steps.tables.CopyTable("street");
        f.steps.tables.CopyTable("nosuch");
        f.steps.tables.CopyTable("soato_adress");
        return true;
    });
    expectSameOutcome([](MigrationFixture& f) {
        makeTemplates(f);
        EXPECT_TRUE(f.db.connectToBaseUser(f.updater + "in/Avtoshkola.accdb", kMainBasePassword));
        EXPECT_TRUE(f.db.connectToBase2(f.updater + "res/MainBase.accdb", kMainBasePassword));
        const bool copied = f.steps.tables.CopyQNToMainBase("car", "car_qn") && f.steps.tables.CopyQNToMainBase("prepod", "prepod_qn");
        return !f.steps.tables.CopyQNToMainBase("nosuch", "nosuch_qn") && copied;
    });
}

TEST(OdbcParity, UpdateBaseQn) {
    expectSameOutcome([](MigrationFixture& f) {
        makeTemplates(f);
        f.dialogs.openFileAnswers.push_back(f.updater + "in/Avtoshkola.accdb");
        const bool first = f.runStep("UpdateBase_QN");
        // Again on the upgraded working copy: only probes, and the rows move again.
        f.dialogs.openFileAnswers.push_back(f.updater + "out/Avtoshkola.accdb");
        return first && f.runStep("UpdateBase_QN");
    });
}

} // namespace
} // namespace upd::testing
