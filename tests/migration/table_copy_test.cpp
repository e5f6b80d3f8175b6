// Table copy between the two open databases: the merge's key rules, the append with its flag
// and the write over the current row, with their failures.
#include "migration_fixture.h"

namespace upd::testing {
namespace {

using Lines = std::vector<std::string>;

// Target on ADOConnection1 (CopyTable) and source on ADOConnection2; the other way round for
// CopyQNToMainBase and CopySchoolMainBase ("first" on ADOConnection1, "second" on 2).
struct CopyFixture : MigrationFixture {
    std::string first = dir.folder() + "first.accdb";
    std::string second = dir.folder() + "second.accdb";
    void open(const std::string& firstScript, const std::string& secondScript) {
        makeBase(first, "", firstScript);
        makeBase(second, "", secondScript);
        EXPECT_TRUE(db.connectToBaseUser(first, ""));
        EXPECT_TRUE(db.connectToBase2(second, ""));
    }
    void expectTablesClosed() {
        EXPECT_FALSE(db.ADOTable1.Active());
        EXPECT_FALSE(db.ADOTable2.Active());
    }
};

constexpr const char* kStreet =
    "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(255), nasel_punkt_id INTEGER);";
// A table whose first column is not a counter: the key is the first column itself.
constexpr const char* kSoato = "CREATE TABLE soato_adress (soato_id INTEGER CONSTRAINT PrimaryKey PRIMARY KEY, soato_name STRING);";
constexpr const char* kPerson =
    "CREATE TABLE person (person_id COUNTER PRIMARY KEY, fam VARCHAR(50), born DATETIME, height DOUBLE, driver BIT,"
    " note VARCHAR(50));";

// No text and no id: every column is the key.
constexpr const char* kVisit = "CREATE TABLE visit (visit_id COUNTER PRIMARY KEY, visit_day DATETIME, visit_hours INTEGER);";

std::string streets(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::string script;
    for (const auto& [name, place] : rows)
        script += "INSERT INTO street (street_name, nasel_punkt_id) VALUES (" + name + ", " + place + ");";
    return script;
}

struct MergeCase {
    const char* name;
    std::string target;  // ADOConnection1
    std::string source;  // ADOConnection2
    const char* table;
    const char* select;  // on the target afterwards
    const char* rows;
};

class CopyTableMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(CopyTableMerge, AddsOnlyTheRowsWhoseKeyTheTargetLacks) {
    const MergeCase& c = GetParam();
    CopyFixture f;
    f.open(c.target, c.source);
    f.steps.tables.CopyTable(c.table);
    EXPECT_TRUE(f.log.empty());
    f.expectTablesClosed();
    EXPECT_EQ(rowsOf(f.first, "", c.select), c.rows);
}

const MergeCase kMerges[] = {
    // The counter is never the key nor written: the key is street_name with its place.
    {"CounterFirstColumn", std::string(kStreet) + streets({{"'ул. Ленина'", "1"}}),
     std::string(kStreet) + streets({{"'ул. Советская'", "2"}, {"'ул. Ленина'", "9"}, {"'ул. Гагарина'", "1"}}), "street",
     "SELECT * FROM street", "1|ул. Ленина|1/2|ул. Советская|2/3|ул. Ленина|9/4|ул. Гагарина|1"},
    // A row is the same only when its name and its parent are: a null name is a row of its
    // own, never keyed by its parent's id; an empty name is stored as no name.
    {"ANullNameIsARowOfItsOwn", std::string(kStreet) + streets({{"'ул. Ленина'", "5"}}),
     std::string(kStreet) + streets({{"NULL", "5"}, {"NULL", "6"}, {"NULL", "6"}}), "street", "SELECT * FROM street",
     "1|ул. Ленина|5/2|NULL|5/3|NULL|6"},
    {"AnEmptyNameIsNoName", kStreet, std::string(kStreet) + streets({{"''", "5"}, {"'ул. Мира'", "7"}}), "street",
     "SELECT * FROM street", "1|NULL|5/2|ул. Мира|7"},
    // The same name in another place is another street.
    {"SameNameOtherParent", std::string(kStreet) + streets({{"'ул. Ленина'", "1"}}),
     std::string(kStreet) + streets({{"'ул. Ленина'", "2"}, {"'ул. Ленина'", "1"}}), "street", "SELECT * FROM street",
     "1|ул. Ленина|1/2|ул. Ленина|2"},
    // Access compares text without regard to case, Cyrillic included.
    {"KeysIgnoreLetterCase", std::string(kStreet) + streets({{"'ул. Ленина'", "1"}}),
     std::string(kStreet) + streets({{"'УЛ. ЛЕНИНА'", "1"}, {"'ул. ленина'", "1"}, {"'ул. Мира'", "1"}}), "street",
     "SELECT * FROM street", "1|ул. Ленина|1/2|ул. Мира|1"},
    // A flag is no key: two kinds of place with the same flag are two rows.
    {"AFlagIsNoKey",
     "CREATE TABLE kind (kind_id COUNTER PRIMARY KEY, kind_city BIT, kind_name VARCHAR(50));"
     "INSERT INTO kind (kind_city, kind_name) VALUES (false, 'деревня');",
     "CREATE TABLE kind (kind_id COUNTER PRIMARY KEY, kind_city BIT, kind_name VARCHAR(50));"
     "INSERT INTO kind (kind_city, kind_name) VALUES (false, 'посёлок');"
     "INSERT INTO kind (kind_city, kind_name) VALUES (true, 'Деревня');",
     "kind", "SELECT kind_name FROM kind ORDER BY kind_id", "деревня/посёлок"},
    {"AllNullIsPassedOver", kStreet, std::string(kStreet) + streets({{"NULL", "NULL"}}), "street", "SELECT count(*) FROM street",
     "0"},
    // A later column holding the empty text keeps the target's default.
    {"LaterEmptyTextNotSet", kStreet,
     std::string(kStreet) + "INSERT INTO street (nasel_punkt_id, street_name) VALUES (3, 'ул. Мира');",
     "street", "SELECT * FROM street", "1|ул. Мира|3"},
    // A code of its own (an id that is no counter) is the key alone.
    {"IntegerKey", std::string(kSoato) + "INSERT INTO soato_adress VALUES (6208, 'Борисовский район');",
     std::string(kSoato) + "INSERT INTO soato_adress VALUES (6208, 'Другое имя');"
                           "INSERT INTO soato_adress VALUES (-12, 'Отрицательный');",
     "soato_adress", "SELECT * FROM soato_adress ORDER BY soato_id", "-12|Отрицательный/6208|Борисовский район"},
    // Two source rows with the same key: the second finds the first one just posted.
    {"DuplicateInSourceAddedOnce", kStreet, std::string(kStreet) + streets({{"'ул. Мира'", "1"}, {"'ул. МИРА'", "1"}}),
     "street", "SELECT * FROM street", "1|ул. Мира|1"},
    // Values other than texts and integers go through their text form and come back the same.
    {"ValuesThroughText", kPerson,
     std::string(kPerson) + "INSERT INTO person (fam, born, height, driver, note) VALUES ('Иванов', '2004-05-17', 1.85, true, '');",
     "person", "SELECT fam, born, height, driver, note FROM person", "Иванов|2004-05-17|1.85|True|NULL"},
    // Equal dates are one key however each base wrote them, and a flag copies as Access's True.
    {"EqualDatesAreOneKey", std::string(kVisit) + "INSERT INTO visit (visit_day, visit_hours) VALUES (#1/5/2024 0:00#, 2);",
     std::string(kVisit) + "INSERT INTO visit (visit_day, visit_hours) VALUES (#1/5/2024#, 2);"
                           "INSERT INTO visit (visit_day, visit_hours) VALUES (#1/6/2024 10:30#, 2);",
     "visit", "SELECT visit_day, visit_hours FROM visit ORDER BY visit_id", "2024-01-05|2/2024-01-06 10:30:00|2"},
    {"FlagCopiedAsAccessTrue", kPerson,
     std::string(kPerson) + "INSERT INTO person (fam, driver) VALUES ('Иванов', true);"
                            "INSERT INTO person (fam, driver) VALUES ('Петров', false);",
     "person", "SELECT fam FROM person WHERE driver = -1", "Иванов"},
    {"TableNamesIgnoreCase", kStreet, std::string(kStreet) + streets({{"'ул. Мира'", "1"}}), "STREET",
     "SELECT street_name FROM street", "ул. Мира"},
    {"EmptySource", std::string(kStreet) + streets({{"'ул. Ленина'", "1"}}), kStreet, "street", "SELECT count(*) FROM street",
     "1"},
    {"MissingInTarget", "CREATE TABLE other (x INTEGER);", std::string(kStreet) + streets({{"'ул. Мира'", "1"}}), "street",
     "SELECT count(*) FROM other", "0"},
    {"MissingInSource", kStreet, "CREATE TABLE other (x INTEGER);", "street", "SELECT count(*) FROM street", "0"},
};

INSTANTIATE_TEST_SUITE_P(Keys, CopyTableMerge, ::testing::ValuesIn(kMerges),
                         [](const auto& info) { return std::string(info.param.name); });

struct MergeFailureCase {
    const char* name;
    std::string target;
    std::string source;
    const char* rows;  // the target afterwards: the rows posted before the failure stay
};

class CopyTableFailure : public ::testing::TestWithParam<MergeFailureCase> {};

TEST_P(CopyTableFailure, LogsTheTableAndKeepsTheRowsBefore) {
    const MergeFailureCase& c = GetParam();
    CopyFixture f;
    f.open(c.target, c.source);
    f.steps.tables.CopyTable("street");
    EXPECT_EQ(f.log, Lines{"*Ошибка обновления таблицы = street"});
    f.expectTablesClosed();
    EXPECT_EQ(rowsOf(f.first, "", "SELECT street_name FROM street ORDER BY street_id"), c.rows);
}

const MergeFailureCase kMergeFailures[] = {
    {"ColumnTheTargetLacks", kStreet,
     "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(255), nasel_punkt_id INTEGER, kod VARCHAR(9));"
     "INSERT INTO street (street_name) VALUES ('ул. Мира');"
     "INSERT INTO street (street_name, kod) VALUES ('ул. Ленина', '01');"
     "INSERT INTO street (street_name) VALUES ('ул. Гагарина');",
     "ул. Мира"},
    {"TextTooLong", "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(8), nasel_punkt_id INTEGER);",
     std::string(kStreet) + streets({{"'ул. Мира'", "1"}, {"'ул. Первомайская'", "1"}, {"'ул. Ленина'", "1"}}), "ул. Мира"},
    {"NumberOutOfTheColumnsRange",
     "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(255), nasel_punkt_id BYTE);",
     std::string(kStreet) + streets({{"'ул. Мира'", "1"}, {"'ул. Ленина'", "300"}, {"'ул. Гагарина'", "2"}}), "ул. Мира"},
    {"TextNoNumber",
     std::string(kStreet),
     "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(255), nasel_punkt_id VARCHAR(9));"
     "INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Мира', '1');"
     "INSERT INTO street (street_name, nasel_punkt_id) VALUES ('ул. Ленина', 'один');",
     "ул. Мира"},
};

INSTANTIATE_TEST_SUITE_P(Refused, CopyTableFailure, ::testing::ValuesIn(kMergeFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CopyTable, LooksTheTargetUpOncePerSourceRowWithoutWalkingIt) {
    // Every target row has the key that the last source row looks for only at its end: a walk
    // per row would still find it; the lookup index must too, including rows it posted itself.
    CopyFixture f;
    std::string target = kStreet, source = kStreet;
    for (int i = 0; i < 300; ++i) target += "INSERT INTO street (street_name) VALUES ('ул. " + std::to_string(2 * i) + "');";
    for (int i = 0; i < 600; ++i) source += "INSERT INTO street (street_name) VALUES ('ул. " + std::to_string(i) + "');";
    for (int i = 0; i < 600; ++i) source += "INSERT INTO street (street_name) VALUES ('ул. " + std::to_string(i) + "');";
    f.open(target, source);
    f.steps.tables.CopyTable("street");
    EXPECT_EQ(rowsOf(f.first, "", "SELECT count(*), count(DISTINCT street_name) FROM street"), "600|600");
}

TEST(CopyTable, AnErrorLateInALongCopyKeepsEveryRowPostedBefore) {
    // Rows are committed in groups: the group open at the error must stay too.
    CopyFixture f;
    std::string source = kStreet;
    for (int i = 1; i <= 1200; ++i)
        source += "INSERT INTO street (street_name) VALUES ('" + std::string(i == 1100 ? "ул. Очень длинное имя " : "ул. ") +
                  std::to_string(i) + "');";
    f.open("CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(12), nasel_punkt_id INTEGER);", source);
    f.steps.tables.CopyTable("street");
    EXPECT_EQ(f.log, Lines{"*Ошибка обновления таблицы = street"});
    EXPECT_EQ(rowsOf(f.first, "", "SELECT count(*), max(street_name) FROM street"), "1099|ул. 999");
}

// CopyQNToMainBase: the user's table (ADOConnection1) appended to the main base's (ADOConnection2).
constexpr const char* kUserCar = "CREATE TABLE car (car_id COUNTER PRIMARY KEY, car_name VARCHAR(100), car_number VARCHAR(20));";
constexpr const char* kMainCar =
    "CREATE TABLE car (car_id COUNTER PRIMARY KEY, car_name VARCHAR(100), car_number VARCHAR(20), car_qn BIT, car_vus BIT);";

TEST(CopyQNToMainBase, AppendsEveryRowAndFlagsTheNewOnes) {
    CopyFixture f;
    f.open(std::string(kUserCar) + "INSERT INTO car (car_name, car_number) VALUES ('МАЗ-5337', '7777 КХ-5');"
                                   "INSERT INTO car (car_name) VALUES ('ПАЗ-3205');",
           std::string(kMainCar) + "INSERT INTO car (car_name, car_qn) VALUES ('Учебный', false);");
    EXPECT_TRUE(f.steps.tables.CopyQNToMainBase("car", "_qn"));
    EXPECT_EQ(f.log, Lines{"*Обновление таблицы car = успешно"});
    f.expectTablesClosed();
    EXPECT_EQ(rowsOf(f.second, "", "SELECT * FROM car"),
              "1|Учебный|NULL|True|False/2|МАЗ-5337|7777 КХ-5|True|False/3|ПАЗ-3205|NULL|True|False");
    // No duplicate check: a second run adds the rows again.
    EXPECT_TRUE(f.steps.tables.CopyQNToMainBase("car", "_qn"));
    EXPECT_EQ(rowsOf(f.second, "", "SELECT count(*) FROM car"), "5");
}

TEST(CopyQNToMainBase, AnotherSuffixSetsItsColumnWhereTheQnFlagIsFalse) {
    CopyFixture f;
    f.open(kUserCar, std::string(kMainCar) + "INSERT INTO car (car_name, car_qn) VALUES ('Учебный', false);"
                                            "INSERT INTO car (car_name, car_qn) VALUES ('Служебный', true);");
    EXPECT_TRUE(f.steps.tables.CopyQNToMainBase("car", "_vus"));  // an empty source still runs the flag statement
    EXPECT_EQ(f.log, Lines{"*Обновление таблицы car = успешно"});
    EXPECT_EQ(rowsOf(f.second, "", "SELECT car_name, car_qn, car_vus FROM car"), "Учебный|False|True/Служебный|True|False");
}

struct AppendFailureCase {
    const char* name;
    std::string user;
    std::string main;
    const char* select;  // on the main base afterwards
    const char* rows;
};

class CopyQNFailure : public ::testing::TestWithParam<AppendFailureCase> {};

TEST_P(CopyQNFailure, LogsTheTableAndSkipsTheRest) {
    const AppendFailureCase& c = GetParam();
    CopyFixture f;
    f.open(c.user, c.main);
    EXPECT_FALSE(f.steps.tables.CopyQNToMainBase("car", "_qn"));
    EXPECT_EQ(f.log, Lines{"*Ошибка обновления таблицы = car"});
    f.expectTablesClosed();
    EXPECT_EQ(rowsOf(f.second, "", c.select), c.rows);
}

const AppendFailureCase kAppendFailures[] = {
    {"MissingInSource", "CREATE TABLE other (x INTEGER);", std::string(kMainCar), "SELECT count(*) FROM car", "0"},
    {"MissingInTarget", std::string(kUserCar) + "INSERT INTO car (car_name) VALUES ('МАЗ');", "CREATE TABLE other (x INTEGER);",
     "SELECT count(*) FROM other", "0"},
    // Every source column is set, null or not: a column the target lacks fails the first row.
    {"ColumnTheTargetLacks",
     "CREATE TABLE car (car_id COUNTER PRIMARY KEY, car_name VARCHAR(100), car_vin VARCHAR(20));"
     "INSERT INTO car (car_name) VALUES ('МАЗ');",
     std::string(kMainCar), "SELECT count(*) FROM car", "0"},
    // The second row is refused: the first stays, the flag statement does not run.
    {"SecondRowRefused",
     std::string(kUserCar) + "INSERT INTO car (car_name) VALUES ('МАЗ');INSERT INTO car (car_name) VALUES ('ПАЗ-3205');",
     "CREATE TABLE car (car_id COUNTER PRIMARY KEY, car_name VARCHAR(5), car_number VARCHAR(20), car_qn BIT);",
     "SELECT * FROM car", "1|МАЗ|NULL|False"},
    // The flag statement fails after every row was added.
    {"FlagColumnMissing", std::string(kUserCar) + "INSERT INTO car (car_name) VALUES ('МАЗ');",
     "CREATE TABLE car (car_id COUNTER PRIMARY KEY, car_name VARCHAR(100), car_number VARCHAR(20));", "SELECT * FROM car",
     "1|МАЗ|NULL"},
};

INSTANTIATE_TEST_SUITE_P(Refused, CopyQNFailure, ::testing::ValuesIn(kAppendFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// CopySchoolMainBase: every source row written over the target's current row.
constexpr const char* kSchool = "CREATE TABLE school (school_id COUNTER PRIMARY KEY, school_name VARCHAR(100), school_city VARCHAR(50));";

struct OverwriteCase {
    const char* name;
    std::string source;
    std::string target;
    const char* rows;
};

class CopySchoolOverwrite : public ::testing::TestWithParam<OverwriteCase> {};

TEST_P(CopySchoolOverwrite, WritesOverTheFirstRowOnly) {
    const OverwriteCase& c = GetParam();
    CopyFixture f;
    f.open(std::string(kSchool) + c.source, std::string(kSchool) + c.target);
    EXPECT_TRUE(f.steps.tables.CopySchoolMainBase("school"));
    EXPECT_EQ(f.log, Lines{"*Обновление таблицы school = успешно"});
    f.expectTablesClosed();
    EXPECT_EQ(rowsOf(f.second, "", "SELECT * FROM school"), c.rows);
}

const std::string kThreeSchools = "INSERT INTO school (school_name, school_city) VALUES ('Первая', 'Брест');"
                                  "INSERT INTO school (school_name, school_city) VALUES ('Вторая', 'Пинск');"
                                  "INSERT INTO school (school_name) VALUES ('Третья');";

const OverwriteCase kOverwrites[] = {
    {"EmptyTargetGetsTheLastRow", kThreeSchools, "", "1|Третья|NULL"},
    {"OnlyTheFirstTargetRowChanges", kThreeSchools,
     "INSERT INTO school (school_name, school_city) VALUES ('Старая', 'Минск');"
     "INSERT INTO school (school_name, school_city) VALUES ('Другая', 'Гомель');",
     "1|Третья|NULL/2|Другая|Гомель"},
    {"EmptySourceChangesNothing", "", "INSERT INTO school (school_name, school_city) VALUES ('Старая', 'Минск');",
     "1|Старая|Минск"},
};

INSTANTIATE_TEST_SUITE_P(Rows, CopySchoolOverwrite, ::testing::ValuesIn(kOverwrites),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CopySchoolMainBase, AMissingTableGetsTheErrorLine) {
    CopyFixture f;
    f.open(kSchool, "CREATE TABLE other (x INTEGER);");
    EXPECT_FALSE(f.steps.tables.CopySchoolMainBase("school"));
    EXPECT_EQ(f.log, Lines{"*Ошибка обновления таблицы = school"});
    f.expectTablesClosed();
}

} // namespace
} // namespace upd::testing
