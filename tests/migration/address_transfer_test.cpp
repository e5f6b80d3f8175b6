// The address base transfer on the demo's template and the three modules' address bases, and
// the region codes table.
#include "migration_fixture.h"

#include "db/db_error.h"

#include <set>

namespace upd::testing {
namespace {

using Lines = std::vector<std::string>;

const Lines kAllModules = {"*Перенос базы адресов ВУСа - успешно", "*Перенос базы адресов КН - успешно",
                           "*Перенос базы адресов ДОПов - успешно"};

struct AddressFixture : MigrationFixture {
    std::string install = native(dir.folder() + "install/Мирела/");
    std::string common = native(install + "OtherBase/adress.accdb");
    AddressFixture() {
        makeTemplates();
        std::filesystem::create_directories(files::pathOf(install + "OtherBase"));
        makeModule("Kestrin", demoScript("adress_rows.sql"));
        makeModule("Lornet", demoScript("adress_rows_lornet.sql"));
        makeModule("Varsel", demoScript("adress_rows_varsel.sql"));
        register_({"Kestrin", "Lornet", "Varsel"});
    }
    std::string moduleFolder(const std::string& name) { return dir.folder() + "modules/" + name; }
    void makeModule(const std::string& name, const std::string& rows, const std::string& tables = demoScript("adress.sql")) {
        std::filesystem::remove(files::pathOf(moduleFolder(name) + "/adress.accdb"));
        makeBase(moduleFolder(name) + "/adress.accdb", "", tables + rows);
    }
    // The shell program and the given modules; module folders without a trailing separator.
    void register_(const std::vector<std::string>& modules, bool shell = true) {
        std::vector<std::vector<std::string>> values;
        for (const std::string& m : modules) values.push_back({m, "ProgrammPath", moduleFolder(m)});
        if (shell) values.push_back({"mirela", "ProgrammPath", install});
        setRegistry(values);
    }
    std::string commonRows(const std::string& select) { return rowsOf(common, "", select); }
};

TEST(TransferAdress, InstallsTheCommonBaseAndAddsSharedRowsOnce) {
    AddressFixture f;
    EXPECT_TRUE(f.steps.addresses.TransferAdress());
    EXPECT_EQ(f.log, kAllModules);
    EXPECT_TRUE(f.dialogs.shown.empty());
    // ADOConnection1 closes by itself with its last table but keeps the common base's string.
    EXPECT_EQ(db::parseConnectionString(f.db.ADOConnection1.ConnectionString())->dataSource, f.common);
    EXPECT_TRUE(f.db.ADOConnection2.Connected());
    f.db.closeConnections();
    // Template rows first, then each module's new rows in module order.
    EXPECT_EQ(f.commonRows("SELECT count(*), count(DISTINCT region_name) FROM region"), "7|7");
    EXPECT_EQ(f.commonRows("SELECT raion_name FROM raion WHERE raion_id > 8"),
              "Крупский район/Вилейский район/Ляховичский район");
    EXPECT_EQ(f.commonRows("SELECT street_name FROM street WHERE street_id > 11"),
              "ул. Чапаева/ул. Строителей/ул. Черняховского/ул. Притыцкого/ул. Чапаева/ул. Тельмана");
    EXPECT_EQ(f.commonRows("SELECT count(*) FROM grajdanstvo"), "5");
    EXPECT_EQ(f.commonRows("SELECT * FROM soato_adress ORDER BY soato_id"), "6208|Борисовский район/6236|Молодечненский район");
    EXPECT_EQ(f.commonRows("SELECT count(*) FROM organ_passport"), "4");
    EXPECT_EQ(f.commonRows("SELECT nas_punkt_nazv_sokr FROM nas_punkt_nazv WHERE nas_punkt_nazv_name = 'город'"), "г.");
    // The template itself is left as it was.
    EXPECT_EQ(rowsOf(f.updater + "res/adress.accdb", "", "SELECT count(*) FROM street"), "11");
}

TEST(TransferAdress, AnInstalledCommonBaseIsLeftAlone) {
    AddressFixture f;
    ASSERT_TRUE(f.steps.addresses.TransferAdress());
    f.db.closeConnections();
    f.log.clear();
    const std::string before = readFile(f.common);
    EXPECT_TRUE(f.steps.addresses.TransferAdress());
    EXPECT_TRUE(f.log.empty());
    EXPECT_FALSE(f.db.ADOConnection1.Connected());
    EXPECT_FALSE(f.db.ADOConnection2.Connected());
    EXPECT_EQ(readFile(f.common), before);
}

// Every settlement stays in its own district and region, every street in its own settlement:
// the modules' ids mean nothing in the common base, so parents are found by what they are.
TEST(TransferAdress, EveryRowKeepsItsParentsByName) {
    AddressFixture f;
    const std::string chains =
        "SELECT s.street_name, n.nasel_punkt_name, r.raion_name, g.region_name FROM street s"
        " LEFT JOIN nasel_punkt n ON s.nasel_punkt_id = n.nasel_punkt_id"
        " LEFT JOIN raion r ON n.raion_id = r.raion_id LEFT JOIN region g ON r.region_id = g.region_id"
        " UNION SELECT NULL, n.nasel_punkt_name, r.raion_name, g.region_name FROM nasel_punkt n"
        " LEFT JOIN raion r ON n.raion_id = r.raion_id LEFT JOIN region g ON r.region_id = g.region_id";
    const auto split = [](const std::string& rows) {
        std::set<std::string> out;
        for (size_t start = 0; start <= rows.size();) {
            size_t end = rows.find('/', start);
            if (end == std::string::npos) end = rows.size();
            if (end > start) out.insert(rows.substr(start, end - start));
            start = end + 1;
        }
        return out;
    };
    std::set<std::string> expected = split(rowsOf(f.updater + "res/adress.accdb", "", chains));
    for (const char* module : {"Kestrin", "Lornet", "Varsel"}) {
        const auto rows = split(rowsOf(f.moduleFolder(module) + "/adress.accdb", "", chains));
        ASSERT_FALSE(rows.empty()) << module;
        expected.insert(rows.begin(), rows.end());
    }
    ASSERT_TRUE(f.steps.addresses.TransferAdress());
    f.db.closeConnections();
    EXPECT_EQ(split(f.commonRows(chains)), expected);
    // The case from the field: Крупки and Вилейка in their own districts.
    EXPECT_EQ(f.commonRows("SELECT r.raion_name FROM nasel_punkt n JOIN raion r ON n.raion_id = r.raion_id"
                           " WHERE n.nasel_punkt_name IN ('Крупки', 'Вилейка') ORDER BY n.nasel_punkt_name"),
              "Вилейский район/Крупский район");
}

// A module that could not be merged (its base not there yet) is merged by a later run; the
// modules merged before are not merged again.
TEST(TransferAdress, ALaterRunFinishesTheModulesAnEarlierOneCouldNotMerge) {
    AddressFixture f;
    const std::string lornet = f.moduleFolder("Lornet") + "/adress.accdb";
    const std::string kept = readFile(lornet);
    std::filesystem::remove(files::pathOf(lornet));
    EXPECT_TRUE(f.steps.addresses.TransferAdress());
    EXPECT_EQ(f.log, (Lines{"*Перенос базы адресов ВУСа - успешно", "*Перенос базы адресов ДОПов - успешно"}));
    f.db.closeConnections();
    const std::string streetsBefore = f.commonRows("SELECT count(*) FROM street");

    writeFile(lornet, kept);
    f.log.clear();
    EXPECT_TRUE(f.steps.addresses.TransferAdress());
    EXPECT_EQ(f.log, Lines{"*Перенос базы адресов КН - успешно"});
    f.db.closeConnections();
    EXPECT_NE(f.commonRows("SELECT count(*) FROM street"), streetsBefore);
    EXPECT_EQ(f.commonRows("SELECT count(*) FROM nasel_punkt WHERE nasel_punkt_name = 'Радошковичи'"), "1");
}

TEST(TransferAdress, AModuleThatIsNotInstalledGetsNoLine) {
    AddressFixture f;
    f.register_({"Kestrin", "Lornet"});                                     // Varsel not registered
    std::filesystem::remove(files::pathOf(f.moduleFolder("Lornet") + "/adress.accdb"));  // Lornet without its base
    EXPECT_TRUE(f.steps.addresses.TransferAdress());
    EXPECT_EQ(f.log, Lines{"*Перенос базы адресов ВУСа - успешно"});
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(TransferAdress, AModuleBaseWithSomeTablesIsStillTransferred) {
    AddressFixture f;
    f.makeModule("Varsel", "INSERT INTO street (street_name) VALUES ('ул. Тельмана');",
                 "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(255), nasel_punkt_id INTEGER);");
    EXPECT_TRUE(f.steps.addresses.TransferAdress());
    EXPECT_EQ(f.log, kAllModules);
    f.db.closeConnections();
    EXPECT_EQ(f.commonRows("SELECT count(*) FROM street WHERE street_name = 'ул. Тельмана'"), "1");
}

TEST(TransferAdress, ATableThatCannotBeMergedIsLoggedAndTheModuleGoesOn) {
    AddressFixture f;
    f.makeModule("Lornet", "INSERT INTO street (street_name, street_kod) VALUES ('ул. Притыцкого', '01');",
                 "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(255), street_kod VARCHAR(9));"
                 "CREATE TABLE region (region_id COUNTER PRIMARY KEY, region_name VARCHAR(255));"
                 "INSERT INTO region (region_name) VALUES ('Витебская область');");
    EXPECT_FALSE(f.steps.addresses.TransferAdress());
    EXPECT_EQ(f.log, (Lines{"*Перенос базы адресов ВУСа - успешно", "*Ошибка обновления таблицы = street",
                            "*Перенос базы адресов КН - успешно", "*Перенос базы адресов ДОПов - успешно"}));
}

struct TransferStopCase {
    const char* name;
    std::function<void(AddressFixture&)> prepare;
    const char* line;
    size_t boxes;
};

class TransferAdressStop : public ::testing::TestWithParam<TransferStopCase> {};

TEST_P(TransferAdressStop, LogsWhyAndOpensNothingMore) {
    const TransferStopCase& c = GetParam();
    AddressFixture f;
    c.prepare(f);
    EXPECT_FALSE(f.steps.addresses.TransferAdress());
    EXPECT_EQ(f.log, Lines{c.line});
    EXPECT_EQ(f.dialogs.messages().size(), c.boxes);
    EXPECT_FALSE(f.db.ADOConnection2.Connected());
}

const TransferStopCase kTransferStops[] = {
    {"ShellProgramNotRegistered", [](AddressFixture& f) { f.register_({"Kestrin"}, false); },
     "*Ошибка копирования файла базы адресов!", 0},
    {"NoOtherBaseFolder", [](AddressFixture& f) { std::filesystem::remove_all(files::pathOf(f.install + "OtherBase")); },
     "*Ошибка копирования файла базы адресов!", 0},
    {"NoTemplate", [](AddressFixture& f) { std::filesystem::remove(files::pathOf(f.updater + "res/adress.accdb")); },
     "*Ошибка копирования файла базы адресов!", 0},
    // A damaged template is copied but cannot be opened: the provider's box, then the line.
    {"TemplateNoDatabase", [](AddressFixture& f) { writeFile(f.updater + "res/adress.accdb", std::string(4096, 'x')); },
     "*Ошибка соединения с основной базой адресов", 1},
};

INSTANTIATE_TEST_SUITE_P(Stops, TransferAdressStop, ::testing::ValuesIn(kTransferStops),
                         [](const auto& info) { return std::string(info.param.name); });

// Update_base_adress: soato_adress filled from res/soato.accdb in the address base beside the
// updater, or beside its Архив folder.
struct SoatoCase {
    const char* name;
    const char* updaterFolder;
    const char* target;
};

class UpdateBaseAdress : public ::testing::TestWithParam<SoatoCase> {};

constexpr const char* kRegionOnly = "CREATE TABLE region (region_id COUNTER PRIMARY KEY, region_name VARCHAR(255));";

TEST_P(UpdateBaseAdress, CreatesAndFillsTheRegionCodes) {
    const SoatoCase& c = GetParam();
    MigrationFixture f(c.updaterFolder);
    f.makeTemplates();
    const std::string target = native(f.dir.folder() + c.target);
    makeBase(target, "", kRegionOnly);
    EXPECT_EQ(f.steps.addresses.soatoTargetPath(), target);
    f.steps.addresses.Update_base_adress();
    EXPECT_TRUE(f.dialogs.shown.empty());
    EXPECT_TRUE(f.log.empty());
    EXPECT_FALSE(f.db.ADOConnection1.Connected());
    EXPECT_FALSE(f.db.ADOConnection2.Connected());
    EXPECT_EQ(rowsOf(target, "", "SELECT count(*), min(soato_id), max(soato_id) FROM soato_adress"), "15|1000|7000");
    EXPECT_EQ(rowsOf(target, "", "SELECT soato_name FROM soato_adress WHERE soato_id = 6208"), "Борисовский район");
}

const SoatoCase kSoatoCases[] = {
    {"ArchiveFolder", "X/Архив/", "X/adress.accdb"},
    {"ArchiveFolderLowerCase", "X/архив/", "X/adress.accdb"},
    {"ItsOwnFolder", "X/", "X/adress.accdb"},
    {"NameOnlyBeginningWithArchive", "X/Архивы/", "X/Архивы/adress.accdb"},
};

INSTANTIATE_TEST_SUITE_P(Folders, UpdateBaseAdress, ::testing::ValuesIn(kSoatoCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateBaseAdress, AnExistingTableEndsItWithTheErrorAndCopiesNothing) {
    MigrationFixture f;
    f.makeTemplates();
    makeBase(f.updater + "adress.accdb", "", demoScript("adress.sql"));
    EXPECT_THROW(f.steps.addresses.Update_base_adress(), db::DbError);
    EXPECT_EQ(rowsOf(f.updater + "adress.accdb", "", "SELECT count(*) FROM soato_adress"), "0");
}

TEST(UpdateBaseAdress, AnEmptySourceGivesAnEmptyTable) {
    MigrationFixture f;
    makeBase(f.updater + "res/soato.accdb", "", "CREATE TABLE soato (soato_id INTEGER, soato_name VARCHAR(255));");
    makeBase(f.updater + "adress.accdb", "", kRegionOnly);
    f.steps.addresses.Update_base_adress();
    EXPECT_EQ(rowsOf(f.updater + "adress.accdb", "", "SELECT count(*) FROM soato_adress"), "0");
    EXPECT_FALSE(f.db.ADOConnection1.Connected());
    EXPECT_FALSE(f.db.ADOConnection2.Connected());
}

TEST(UpdateBaseAdress, WithoutTheCodesItCreatesNothing) {
    MigrationFixture f;  // no res/soato.accdb
    makeBase(f.updater + "adress.accdb", "", kRegionOnly);
    f.steps.addresses.Update_base_adress();
    const std::vector<MessageRequest> shown = f.dialogs.messages();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, "Ошибка!");  // the provider's error on opening
    EXPECT_EQ(shown[1], boxOf("Ошибка копирования базы адресов регионов!", "update_3_2"));
    EXPECT_EQ(rowsOf(f.updater + "adress.accdb", "", "SELECT count(*) FROM sqlite_master WHERE name = 'soato_adress'"), "0");
}

TEST(UpdateBaseAdress, RunsAfterTheTransferLeftBothConnectionsOpen) {
    AddressFixture f;
    ASSERT_TRUE(f.steps.addresses.TransferAdress());
    makeBase(f.updater + "adress.accdb", "", kRegionOnly);
    f.steps.addresses.Update_base_adress();
    EXPECT_TRUE(f.dialogs.shown.empty());
    EXPECT_EQ(rowsOf(f.updater + "adress.accdb", "", "SELECT count(*) FROM soato_adress"), "15");
}

} // namespace
} // namespace upd::testing
