// Column and table provisioning on a driving school's database as release 3.1 left it.
#include "migration_fixture.h"

#include "db/db_error.h"

namespace upd::testing {
namespace {

using Lines = std::vector<std::string>;

struct FixedStepCase {
    const char* name;
    bool (SchemaSteps::*run)();
    Lines firstRun;   // "*": appended and selected
    Lines secondRun;  // the same database again: probes only
    const char* select;
    const char* rowsAfter;
};

class FixedSchemaStep : public ::testing::TestWithParam<FixedStepCase> {};

TEST_P(FixedSchemaStep, AddsWhatIsMissingThenOnlyProbes) {
    const FixedStepCase& c = GetParam();
    MigrationFixture f;
    f.openUserBase();

    EXPECT_TRUE((f.steps.schema.*c.run)());
    EXPECT_EQ(f.log, c.firstRun);
    EXPECT_EQ(f.userRows(c.select), c.rowsAfter);

    const size_t before = f.log.size();
    EXPECT_TRUE((f.steps.schema.*c.run)());
    EXPECT_EQ(f.logFrom(before), c.secondRun);
    EXPECT_EQ(f.userRows(c.select), c.rowsAfter);
    EXPECT_TRUE(f.dialogs.shown.empty());
}

const FixedStepCase kFixedSteps[] = {
    {"AddColumnGrafikHours", &SchemaSteps::AddColumnGrafikHours,
     {"*Таблица grafik_hours... ", "*наличие поля - отказ"},
     {"*Таблица grafik_hours... ", "*наличие поля - ок ", "*Обновление таблицы grafik_hours не требуется..."},
     "SELECT check_1, check_2, check_8 FROM grafik_hours", "True|False|False/True|False|False"},
    {"AddColumnGruppa", &SchemaSteps::AddColumnGruppa,
     {"*Таблица Группа... ", "*успешно..."},
     {"*Таблица Группа... ", "*наличие поля - ок ", "*Обновление таблицы Группа не требуется..."},
     "SELECT grafik_hours_id FROM gruppa", "-1/-1/-1"},
    {"AddColumnStudent", &SchemaSteps::AddColumnStudent,
     {"*Таблица Студент... ", "*успешно..."},
     {"*Таблица Студент... ", "*Обновление поля не требуется  "},
     "SELECT student_fam, student_del_date, student_doc_kod, student_live_stroenie FROM student WHERE student_id = 1",
     "Иванов|NULL|NULL|NULL"},
    {"AddColumnTeach_obj", &SchemaSteps::AddColumnTeach_obj,
     {"*Таблица Предметы... ", "*успешно..."},
     {"*Таблица Предметы... ", "*наличие поля - ок ", "*Обновление таблицы Предметы не требуется..."},
     "SELECT teach_obj_sokr, teach_drive, teach_crypt FROM teach_obj WHERE teach_obj_id >= 4",
     "УТО-B|False|NULL/ВТС-B|True|NULL"},
    {"CreateTableGrafikVojdenija", &SchemaSteps::CreateTableGrafikVojdenija,
     {"Проверка существования таблицы \"График вождения\"... ", "*статус - таблица отсутствует",
      "*Создаем таблицу График вождения... ", "*статус - ок "},
     {"Проверка существования таблицы \"График вождения\"... ", "*статус - ок "},
     "SELECT count(*) FROM GrafikVojdenija WHERE id + student_id + SmenaNum + instruktor_id + teach_obj_id > 0 "
     "OR vypolneno OR zan_date IS NOT NULL",
     "0"},
    {"CreateTableSpravka", &SchemaSteps::CreateTableSpravka,
     {"Проверка существования таблицы справка... ", "*статус - таблица отсутствует", "*Создаем таблицу справки... ",
      "*статус - ок "},
     {"Проверка существования таблицы справка... ", "*статус - ок "},
     "SELECT * FROM spravka",
     "1|kvitancia|Оплата за обучение в автошколе|NULL/2|prihodnokassoviy|Оплата за обучение в автошколе|NULL/"
     "3|platejka|Оплата за обучение в автошколе|NULL"},
};

INSTANTIATE_TEST_SUITE_P(UserBase, FixedSchemaStep, ::testing::ValuesIn(kFixedSteps),
                         [](const auto& info) { return std::string(info.param.name); });

struct FailingStepCase {
    const char* name;
    bool (SchemaSteps::*run)();
    const char* script;  // the database the step fails on
    Lines log;
    bool box;  // "Обновление не корректно!" / "Внимание"
};

class FailingSchemaStep : public ::testing::TestWithParam<FailingStepCase> {};

TEST_P(FailingSchemaStep, ReportsTheFailedChange) {
    const FailingStepCase& c = GetParam();
    MigrationFixture f;
    f.openUserBase(c.script);
    EXPECT_FALSE((f.steps.schema.*c.run)());
    EXPECT_EQ(f.log, c.log);
    if (c.box)
        EXPECT_EQ(f.dialogs.messages(), std::vector{boxOf("Обновление не корректно!", "Внимание")});
    else
        EXPECT_TRUE(f.dialogs.messages().empty());
}

const FailingStepCase kFailingSteps[] = {
    // Only check_8 is probed: a table with some of the others refuses the whole ALTER.
    {"GrafikHoursWithSomeChecks", &SchemaSteps::AddColumnGrafikHours,
     "CREATE TABLE grafik_hours (grafik_hours_id COUNTER PRIMARY KEY, check_1 BIT, check_3 BIT);"
     "INSERT INTO grafik_hours (check_1) VALUES (false);",
     {"*Таблица grafik_hours... ", "*наличие поля - отказ", "Обновление таблицы grafik_hours. Статус - ОШИБКА!"}, true},
    {"GruppaMissing", &SchemaSteps::AddColumnGruppa, "CREATE TABLE other (x INTEGER);",
     {"*Таблица Группа... ", "Обновление таблицы Группа. Статус - ОШИБКА!"}, true},
    {"StudentWithSomeColumns", &SchemaSteps::AddColumnStudent,
     "CREATE TABLE student (student_id COUNTER PRIMARY KEY, student_del_date DATETIME);",
     {"*Таблица Студент... ", "Обновление таблицы Студент. Статус - ОШИБКА!"}, true},
    {"TeachObjMissing", &SchemaSteps::AddColumnTeach_obj, "CREATE TABLE other (x INTEGER);",
     {"*Таблица Предметы... ", "Обновление таблицы Предметы. Статус - ОШИБКА!"}, false},
    {"GrafikVojdenijaNameTaken", &SchemaSteps::CreateTableGrafikVojdenija,
     "CREATE TABLE GrafikVojdenija (id COUNTER PRIMARY KEY, student_id INTEGER);",
     {"Проверка существования таблицы \"График вождения\"... ", "*статус - таблица отсутствует",
      "*Создаем таблицу График вождения... ", "*Внимание! Ошибка cоздания таблицы \"График вождения\"!"},
     false},
    {"SpravkaNameTaken", &SchemaSteps::CreateTableSpravka, "CREATE TABLE spravka (spravka_id COUNTER PRIMARY KEY);",
     {"Проверка существования таблицы справка... ", "*статус - таблица отсутствует", "*Создаем таблицу справки... ",
      "*Внимание! Ошибка обновления базы данных!", "*Невозможно создать таблицу!"},
     false},
};

INSTANTIATE_TEST_SUITE_P(BrokenBase, FailingSchemaStep, ::testing::ValuesIn(kFailingSteps),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FailingSchemaStep, AFailedCheckColumnChangeLeavesTheTableAsItWas) {
    MigrationFixture f;
    f.openUserBase(kFailingSteps[0].script);
    EXPECT_FALSE(f.steps.schema.AddColumnGrafikHours());
    EXPECT_EQ(f.userRows("SELECT * FROM grafik_hours"), "1|False|False");  // a bit reads false, never null
    EXPECT_EQ(f.userRows("SELECT count(*) FROM grafik_hours WHERE check_1"), "0");
}

TEST(FailingSchemaStep, WithoutAnOpenDatabaseEveryStepFailsWithoutThrowing) {
    MigrationFixture f;  // ADOConnection1 has no database
    EXPECT_FALSE(f.steps.schema.AddColumnGruppa());
    EXPECT_FALSE(f.steps.schema.CreateTableSpravka());
    EXPECT_FALSE(f.steps.schema.AddColumn("gruppa", "x", "INTEGER"));
}

struct AddColumnCase {
    const char* name;
    const char* table;
    const char* column;
    const char* type;
    bool result;
    Lines log;
    bool box;
};

class AddColumnStep : public ::testing::TestWithParam<AddColumnCase> {};

TEST_P(AddColumnStep, AddsOnlyAMissingColumn) {
    const AddColumnCase& c = GetParam();
    MigrationFixture f;
    f.openUserBase();
    EXPECT_EQ(f.steps.schema.AddColumn(c.table, c.column, c.type), c.result);
    EXPECT_EQ(f.log, c.log);
    EXPECT_EQ(f.dialogs.messages().size(), c.box ? 1u : 0u);
    if (c.box) {
        EXPECT_EQ(f.dialogs.messages()[0], boxOf("Обновление не корректно!", "Внимание"));
    }
}

const AddColumnCase kAddColumnCases[] = {
    {"Missing", "category_tc", "category_tc_kod", "VARCHAR(20)", true,
     {"*Таблица category_tc, поле category_tc_kod... ", "*успешно..."}, false},
    {"Present", "category_tc", "category_tc_gibdd", "VARCHAR(255)", true,
     {"*Таблица category_tc, поле category_tc_gibdd... ", "*обновление поля не требуется...",
      "*Обновление таблицы category_tc не требуется..."},
     false},
    {"TableMissing", "gibdd", "theory_num", "INTEGER", false,
     {"*Таблица gibdd, поле theory_num... ", "Обновление таблицы gibdd не корректно!"}, true},
    {"TypeRefused", "student", "student_x", "VARCHAR(", false,
     {"*Таблица student, поле student_x... ", "Обновление таблицы student не корректно!"}, true},
};

INSTANTIATE_TEST_SUITE_P(UserBase, AddColumnStep, ::testing::ValuesIn(kAddColumnCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AddColumnStep, TheAddedColumnTakesTheGivenType) {
    MigrationFixture f;
    f.openUserBase();
    ASSERT_TRUE(f.steps.schema.AddColumn("category_tc", "category_tc_kod", "VARCHAR(20)"));
    f.db.ADOTable1.SetTableName("category_tc");
    f.db.ADOTable1.Open();
    const db::TField& field = f.db.ADOTable1.FieldByName("category_tc_kod");
    EXPECT_EQ(field.DataType(), db::FieldType::String);
    EXPECT_EQ(field.Size(), 20);
    f.db.ADOTable1.Close();
}

struct CreateNewTableCase {
    const char* name;
    const char* table;
    const char* columns;
    const char* probe;
    bool result;
    Lines log;
};

class CreateNewTableStep : public ::testing::TestWithParam<CreateNewTableCase> {};

TEST_P(CreateNewTableStep, TellsWhetherThisCallCreatedTheTable) {
    const CreateNewTableCase& c = GetParam();
    MigrationFixture f;
    f.openUserBase();
    EXPECT_EQ(f.steps.schema.CreateNewTable(c.table, c.columns, c.probe), c.result);
    EXPECT_EQ(f.log, c.log);
    EXPECT_TRUE(f.dialogs.shown.empty());
}

const CreateNewTableCase kCreateNewTableCases[] = {
    {"Created", "avto_marka", "marka_id COUNTER PRIMARY KEY, marka_name VARCHAR(100)", "marka_name", true,
     {"Проверка существования таблицы avto_marka... ", "*Таблица отсутствует. Добавляем....",
      "*Создаем таблицу avto_marka... ", "*Таблица создана успешно... "}},
    {"Present", "gruppa", "gruppa_id COUNTER PRIMARY KEY", "gruppa_name", false,
     {"Проверка существования таблицы gruppa... ", "*Таблица gruppa существует..."}},
    // The probed column is missing but the table is there: creating it fails.
    {"NameTaken", "gruppa", "gruppa_id COUNTER PRIMARY KEY", "gruppa_kod", false,
     {"Проверка существования таблицы gruppa... ", "*Таблица отсутствует. Добавляем....", "*Создаем таблицу gruppa... ",
      "*Внимание! Ошибка обновления базы данных!", "*Невозможно создать таблицу!"}},
};

INSTANTIATE_TEST_SUITE_P(UserBase, CreateNewTableStep, ::testing::ValuesIn(kCreateNewTableCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModifyStroenie, NarrowsTheColumnSilentlyAndKeepsTheRows) {
    MigrationFixture f;
    f.openUserBase();
    ASSERT_TRUE(f.steps.schema.AddColumnStudent());
    const size_t before = f.log.size();
    f.steps.schema.modify_stroenie();
    EXPECT_EQ(f.log.size(), before);
    f.db.ADOTable1.SetTableName("student");
    f.db.ADOTable1.Open();
    EXPECT_EQ(f.db.ADOTable1.FieldByName("student_live_stroenie").Size(), 100);
    EXPECT_EQ(f.db.ADOTable1.RecordCount(), 3);
    f.db.ADOTable1.Close();
}

TEST(ModifyStroenie, PassesADatabaseErrorOn) {
    MigrationFixture f;
    f.openUserBase();  // student has no student_live_stroenie yet
    EXPECT_THROW(f.steps.schema.modify_stroenie(), db::DbError);
    EXPECT_TRUE(f.log.empty());
}

} // namespace
} // namespace upd::testing
