// Every statement text the migration and transfer steps send, run through the layer on a
// real encrypted database, with the effect Access gives it.
#include "db_test_support.h"

#include "db/ado_connection.h"
#include "db/ado_query.h"
#include "db/ado_table.h"
#include "db/connection_string.h"

#include <optional>

namespace upd::db::testing {
namespace {

constexpr const char* kPassword = "Qw7RtYp3LmZx9VbN";

const std::string kGrafikHours =
    "CREATE TABLE grafik_hours (grafik_hours_id COUNTER PRIMARY KEY, hours INTEGER);"
    "INSERT INTO grafik_hours (hours) VALUES (10);"
    "INSERT INTO grafik_hours (hours) VALUES (20);";
const std::string kGruppa =
    "CREATE TABLE gruppa (gruppa_id COUNTER PRIMARY KEY, gruppa_name VARCHAR(50));"
    "INSERT INTO gruppa (gruppa_name) VALUES ('Группа 1');"
    "INSERT INTO gruppa (gruppa_name) VALUES ('Группа 2');";
const std::string kStudent =
    "CREATE TABLE student (student_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, student_fam VARCHAR(50),"
    " student_live_stroenie VARCHAR(255));"
    "INSERT INTO student (student_fam, student_live_stroenie) VALUES ('Иванов', '12а');"
    "INSERT INTO student (student_fam) VALUES ('Петров');";
const std::string kTeachObj =
    "CREATE TABLE teach_obj (teach_obj_id COUNTER PRIMARY KEY, teach_obj_name VARCHAR(255),"
    " teach_obj_cycle VARCHAR(255), teach_obj_sokr VARCHAR(255));"
    "INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('Вождение ТС', 'П', 'ВТС');"
    "INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('ВОЖДЕНИЕ по городу', 'П', 'ВГ');"
    "INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('Теория вождения', 'Т', 'ТВ');"
    "INSERT INTO teach_obj (teach_obj_name, teach_obj_cycle, teach_obj_sokr) VALUES ('вождение', 'П', 'В');";
const std::string kCategory =
    "CREATE TABLE category_tc (category_tc_id COUNTER PRIMARY KEY, category_tc_name VARCHAR(255),"
    " category_tc_description VARCHAR(255), category_tc_gibdd VARCHAR(255));"
    "INSERT INTO category_tc (category_tc_name) VALUES ('ВУС-124');"
    "INSERT INTO category_tc (category_tc_name) VALUES ('вус-280');"
    "INSERT INTO category_tc (category_tc_name) VALUES ('ВУС-845');"
    "INSERT INTO category_tc (category_tc_name) VALUES ('ВУС-846');"
    "INSERT INTO category_tc (category_tc_name) VALUES ('ВУС-999');";
const std::string kPlan = kCategory + kTeachObj +
    "ALTER TABLE teach_obj ADD COLUMN teach_drive BIT, teach_crypt VARCHAR(255);"
    "INSERT INTO category_tc (category_tc_name) VALUES ('ВУС-845 (переподготовка с B на D)');"
    "CREATE TABLE edu_plan (edu_plan_id COUNTER PRIMARY KEY, category_tc_id INTEGER, teach_obj_id INTEGER,"
    " edu_plan_theory INTEGER, edu_plan_lpz INTEGER, edu_plan_practice INTEGER, edu_plan_prom_attest INTEGER);"
    "INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest)"
    " VALUES (6, 1, 10, 2, 30, 1);"
    "INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest)"
    " VALUES (6, 3, 20, 0, 0, 1);"
    "INSERT INTO edu_plan (category_tc_id, teach_obj_id, edu_plan_theory, edu_plan_lpz, edu_plan_practice, edu_plan_prom_attest)"
    " VALUES (1, 3, 5, 5, 5, 5);";
const std::string kCar =
    "CREATE TABLE car (car_id COUNTER PRIMARY KEY, car_name VARCHAR(50), car_qn BIT);"
    "INSERT INTO car (car_name, car_qn) VALUES ('КамАЗ', false);"
    "INSERT INTO car (car_name, car_qn) VALUES ('ЗИЛ', true);"
    "INSERT INTO car (car_name) VALUES ('УАЗ');";

struct DialectCase {
    const char* name;
    std::string setup;       // Access SQL script that makes the database
    std::string statement;   // the text as the step sends it
    bool open;               // opened as a result, else executed
    std::string after;       // script run after the statement (executed), may be empty
    std::string check;       // query whose rows are compared; empty: the opened result itself
    std::string fields;      // fields of the compared rows, separated by ";"
    std::string expected;    // rows separated by "/", values by "|", null as NULL
    std::optional<DbErrc> error = std::nullopt;  // the statement fails with this instead
};

std::string rowsOf(TADOQuery& q, const std::string& fields) {
    std::vector<std::string> names;
    if (fields.empty())
        for (size_t i = 0; i < q.FieldCount(); ++i) names.push_back(q.Fields(i).FieldName());
    else
        for (size_t p = 0; p <= fields.size();) {
            size_t e = fields.find(';', p);
            if (e == std::string::npos) e = fields.size();
            names.push_back(fields.substr(p, e - p));
            p = e + 1;
        }
    std::string out;
    for (q.First(); !q.Eof(); q.Next()) {
        if (!out.empty()) out += "/";
        for (size_t i = 0; i < names.size(); ++i) {
            TField& f = q.FieldByName(names[i]);
            out += (i ? "|" : "") + (f.IsNull() ? std::string("NULL") : f.AsString());
        }
    }
    return out;
}

class AccessDialect : public ::testing::TestWithParam<DialectCase> {};

TEST_P(AccessDialect, RunsWithAccessEffect) {
    const DialectCase& c = GetParam();
    TempFolder folder;
    const std::string path = folder.file("base.accdb");
    makeDatabase(path, kPassword, c.setup);

    TADOConnection connection;
    connection.SetConnectionString(buildConnectionString(path, kPassword));
    TADOQuery query(connection);
    query.SQL.Clear();
    query.SQL.Add(c.statement);
    if (c.error) {
        try {
            c.open ? query.Open() : void(query.ExecSQL());
            FAIL() << "statement succeeded: " << c.statement;
        } catch (const DbError& e) {
            EXPECT_EQ(e.code(), *c.error) << e.what();
            ASSERT_EQ(connection.Errors().size(), 1u);
            EXPECT_EQ(connection.Errors()[0].code, *c.error);
        }
    } else if (c.open) {
        query.Open();
    } else {
        query.ExecSQL();
    }
    for (const std::string& s : sqlite::splitScript(c.after)) {
        TADOQuery q(connection);
        q.SQL.SetText(s);
        q.ExecSQL();
    }
    if (c.check.empty() && c.error) return;
    if (!c.check.empty()) {
        query.SQL.Clear();
        query.SQL.Add(c.check);
        query.Open();
    }
    EXPECT_EQ(rowsOf(query, c.fields), c.expected);
}

const DialectCase kCases[] = {
    // Existence probes: open "Select column from table".
    {"ProbePresent", kGrafikHours + "ALTER TABLE grafik_hours ADD COLUMN check_8 BIT;", "Select check_8 from grafik_hours",
     true, "", "", "", "False/False"},
    {"ProbeMissingColumn", kGrafikHours, "Select check_8 from grafik_hours", true, "", "", "", "", DbErrc::NoSuchColumn},
    {"ProbeMissingTable", kGruppa, "Select * from gibdd", true, "", "", "", "", DbErrc::NoSuchTable},
    {"ProbeBracketedMissingColumn", kGruppa, "Select [grafik_hours_id] from gruppa", true, "", "", "", "",
     DbErrc::NoSuchColumn},
    // AddColumn's generic statement.
    {"AddColumnBracketed", kCategory, " ALTER TABLE category_tc ADD COLUMN [category_tc_gibdd2] VARCHAR(255);", false, "",
     "SELECT category_tc_name, category_tc_gibdd2 FROM category_tc WHERE category_tc_id = 1", "", "ВУС-124|NULL"},
    {"AddColumnMissingTable", kGruppa, " ALTER TABLE nosuch ADD COLUMN [x] INTEGER;", false, "", "", "", "",
     DbErrc::NoSuchTable},
    {"AddColumnPresent", kGruppa, " ALTER TABLE gruppa ADD COLUMN [gruppa_name] VARCHAR(50);", false, "", "", "", "",
     DbErrc::ColumnExists},
    // AddColumnGrafikHours.
    {"AddEightBitsFalseInOldRows", kGrafikHours,
     " ALTER TABLE grafik_hours ADD COLUMN [check_1] bit, [check_2] bit, [check_3] bit, [check_4] bit, [check_5] bit,"
     " [check_6] bit, [check_7] bit, [check_8] bit;",
     false, "INSERT INTO grafik_hours (hours) VALUES (30);",
     "SELECT check_1, check_7, check_8 FROM grafik_hours", "", "False|False|False/False|False|False/False|False|False"},
    {"UpdateBitTrue", kGrafikHours + "ALTER TABLE grafik_hours ADD COLUMN check_1 BIT;",
     " UPDATE grafik_hours SET check_1 = true ;", false, "", "SELECT check_1 FROM grafik_hours", "", "True/True"},
    // AddColumnGruppa.
    {"AddIntegerColumn", kGruppa, " ALTER TABLE gruppa ADD COLUMN [grafik_hours_id] INTEGER;", false, "",
     "SELECT gruppa_name, grafik_hours_id FROM gruppa", "", "Группа 1|NULL/Группа 2|NULL"},
    {"SelectAllTrailingBlank", kGruppa, " select * from gruppa ;", true, "", "", "", "1|Группа 1/2|Группа 2"},
    {"UpdateMinusOne", kGruppa + "ALTER TABLE gruppa ADD COLUMN grafik_hours_id INTEGER;",
     " UPDATE gruppa SET grafik_hours_id = -1 ;", false, "", "SELECT grafik_hours_id FROM gruppa", "", "-1/-1"},
    // AddColumnStudent.
    {"AddThreeColumnsDoubleBlanks", kStudent,
     " ALTER TABLE student ADD COLUMN  [student_del_date]  DATETIME,  [student_doc_kod]  VARCHAR(255),"
     "  [student_live_stroenie2] VARCHAR(255);",
     false, "", "SELECT student_fam, student_del_date, student_doc_kod, student_live_stroenie2 FROM student", "",
     "Иванов|NULL|NULL|NULL/Петров|NULL|NULL|NULL"},
    {"AddColumnsAllOrNothing", kStudent,
     " ALTER TABLE student ADD COLUMN  [student_del_date]  DATETIME,  [student_doc_kod]  VARCHAR(255),"
     "  [student_live_stroenie] VARCHAR(255);",
     false, "", "", "", "", DbErrc::ColumnExists},
    // AddColumnTeach_obj.
    {"AddBitAndText", kTeachObj, " ALTER TABLE teach_obj ADD COLUMN  [teach_drive]  BIT,  [teach_crypt] VARCHAR(255);",
     false, "", "SELECT teach_drive, teach_crypt FROM teach_obj WHERE teach_obj_id = 2", "", "False|NULL"},
    {"LikeIgnoresCyrillicCase", kTeachObj + "ALTER TABLE teach_obj ADD COLUMN teach_drive BIT;",
     " UPDATE teach_obj SET teach_drive = true  WHERE (teach_obj_name LIKE 'Вождение%');", false, "",
     "SELECT teach_obj_name, teach_drive FROM teach_obj", "",
     "Вождение ТС|True/ВОЖДЕНИЕ по городу|True/Теория вождения|False/вождение|True"},
    // CreateTableGrafikVojdenija, CreateTableSpravka.
    {"CreateGrafikVojdenija", kStudent,
     " CREATE TABLE GrafikVojdenija ([id] AUTOINCREMENT PRIMARY KEY, [student_id]  integer,  [zan_date]  DATETIME,"
     "  [SmenaNum] INTEGER,  [instruktor_id] INTEGER,  [vypolneno] BIT, [teach_obj_id] INTEGER);",
     false,
     "INSERT INTO GrafikVojdenija (student_id, zan_date) VALUES (5, '2024-03-01');"
     "INSERT INTO GrafikVojdenija (student_id) VALUES (6);",
     "SELECT id, student_id, zan_date, vypolneno FROM GrafikVojdenija", "", "1|5|2024-03-01|False/2|6|NULL|False"},
    {"CreateSpravka", "",
     " CREATE TABLE spravka (spravka_id AUTOINCREMENT PRIMARY KEY,  spravka_type VARCHAR(255), spravka_text VARCHAR(255),"
     " spravka_sokr VARCHAR(255));",
     false,
     "INSERT INTO spravka (spravka_type,spravka_text)   VALUES ('kvitancia','Оплата за обучение в автошколе');"
     "INSERT INTO spravka (spravka_type,spravka_text)   VALUES ('prihodnokassoviy','Оплата за обучение в автошколе');"
     "INSERT INTO spravka (spravka_type,spravka_text)   VALUES ('it''s','Оплата за обучение в автошколе')",
     "SELECT * FROM spravka", "", "1|kvitancia|Оплата за обучение в автошколе|NULL/2|prihodnokassoviy|Оплата за обучение "
                                  "в автошколе|NULL/3|it's|Оплата за обучение в автошколе|NULL"},
    {"CreateExistingTable", kGruppa, " CREATE TABLE gruppa (x INTEGER);", false, "", "", "", "", DbErrc::TableExists},
    // modify_stroenie: the column changes, rows and other columns stay.
    {"AlterColumnKeepsRows", kStudent, " ALTER TABLE student  ALTER COLUMN student_live_stroenie VARCHAR(100);", false,
     "INSERT INTO student (student_fam) VALUES ('Сидоров');", "SELECT * FROM student", "",
     "1|Иванов|12а/2|Петров|NULL/3|Сидоров|NULL"},
    {"AlterColumnMissingColumn", kStudent, " ALTER TABLE student  ALTER COLUMN nosuch VARCHAR(100);", false, "", "", "", "",
     DbErrc::NoSuchColumn},
    // FillCategory_tc, FillNewCategory_tc: "=" ignores letter case, Cyrillic too.
    {"UpdateCategoriesOr", kCategory,
     " UPDATE category_tc SET category_tc_gibdd = 'Категория «C»' WHERE (category_tc_name = 'ВУС-124') OR "
     "(category_tc_name = 'ВУС-280') OR (category_tc_name = 'ВУС-283') OR (category_tc_name = 'ВУС-837') OR "
     "(category_tc_name = 'ВУС-837 э/м') OR (category_tc_name = 'ВУС-838') OR (category_tc_name = 'ВУС-859') OR "
     "(category_tc_name = 'ВУС-982');",
     false, "", "SELECT category_tc_name, category_tc_gibdd FROM category_tc", "",
     "ВУС-124|Категория «C»/вус-280|Категория «C»/ВУС-845|NULL/ВУС-846|NULL/ВУС-999|NULL"},
    {"UpdateCategory845", kCategory,
     " UPDATE category_tc SET category_tc_gibdd = 'Переподготовка с категории «С» на категорию «D»' WHERE "
     "(category_tc_name = 'ВУС-845');",
     false, "", "SELECT category_tc_gibdd FROM category_tc WHERE category_tc_id = 3", "",
     "Переподготовка с категории «С» на категорию «D»"},
    {"UpdateCategory846", kCategory,
     " UPDATE category_tc SET category_tc_gibdd = 'Категория «CE»' WHERE (category_tc_name = 'ВУС-846');", false, "",
     "SELECT category_tc_gibdd FROM category_tc WHERE category_tc_id = 4", "", "Категория «CE»"},
    {"RenameCategory", kCategory,
     " UPDATE category_tc SET category_tc_name = 'ВУС-845 (переподготовка с C на D)' WHERE (category_tc_name = 'ВУС-845');",
     false, "", "SELECT category_tc_name FROM category_tc WHERE category_tc_id = 3", "",
     "ВУС-845 (переподготовка с C на D)"},
    {"SelectMissingCategoryEmpty", kCategory,
     " select *  from category_tc  WHERE (category_tc_name = 'ВУС-845 (переподготовка с B на D)');", true, "", "", "", ""},
    {"InsertCategory", kCategory,
     "INSERT INTO category_tc (category_tc_name,category_tc_description, category_tc_gibdd)   VALUES ('ВУС-845 "
     "(переподготовка с B на D)', 'Профессиональная подготовка военных водителей транспортных средств - переподготовка "
     "с категории «B» на категорию «D»', 'Переподготовка с категории «B» на категорию «D»')",
     false, "", "SELECT category_tc_id, category_tc_gibdd FROM category_tc WHERE category_tc_id > 5", "",
     "6|Переподготовка с категории «B» на категорию «D»"},
    // Update_vus_845.
    {"SelectTeachObj", kPlan, " Select *  from teach_obj", true, "", "", "teach_obj_id;teach_obj_name;teach_drive",
     "1|Вождение ТС|False/2|ВОЖДЕНИЕ по городу|False/3|Теория вождения|False/4|вождение|False"},
    {"SelectCategoryNoBlank", kPlan,
     " Select *  from category_tc where (category_tc_name ='ВУС-845 (переподготовка с B на D)')", true, "", "",
     "category_tc_id", "6"},
    {"SelectPlanOfCategory", kPlan, " Select *  from edu_plan where (category_tc_id =6)", true, "", "",
     "teach_obj_id;edu_plan_theory", "1|10/3|20"},
    {"SelectPlanThreeTables", kPlan,
     " Select *  from edu_plan, category_tc, teach_obj where (category_tc_name ='ВУС-845 (переподготовка с B на D)')"
     " and (edu_plan.teach_obj_id = teach_obj.teach_obj_id) and (edu_plan.category_tc_id = category_tc.category_tc_id);",
     true, "", "", "teach_obj_name;teach_obj_cycle;teach_obj_sokr;edu_plan_theory;edu_plan_lpz;edu_plan_practice;"
                   "edu_plan_prom_attest",
     "Вождение ТС|П|ВТС|10|2|30|1/Теория вождения|Т|ТВ|20|0|0|1"},
    {"SelectPlanTwoTables", kPlan,
     " Select *  from edu_plan, teach_obj where (category_tc_id =6) and (edu_plan.teach_obj_id = teach_obj.teach_obj_id);",
     true, "", "", "teach_obj_name;edu_plan.teach_obj_id", "Вождение ТС|1/Теория вождения|3"},
    // copyPlan.
    {"SelectDistinctOrdered", kPlan, "select distinct category_tc_id from obob_uch_plan order by category_tc_id;", true, "",
     "", "", "", DbErrc::NoSuchTable},
    {"SelectDistinctCategories", kPlan, "select distinct category_tc_id from edu_plan order by category_tc_id;", true, "",
     "", "", "1/6"},
    // UpdateBase.
    {"AddIntegerNoSemicolon", "CREATE TABLE diploma (diploma_id COUNTER PRIMARY KEY); INSERT INTO diploma DEFAULT VALUES;",
     " ALTER TABLE diploma ADD COLUMN diploma_theory_num  INTEGER", false, "",
     "SELECT diploma_id, diploma_theory_num FROM diploma", "", "1|NULL"},
    {"AddGibddId", kStudent, " ALTER TABLE student ADD COLUMN gibdd_id  INTEGER", false, "",
     "Select gibdd_id from student", "", "NULL/NULL"},
    {"CreateGibddCounter", "",
     " CREATE TABLE gibdd (gibdd_id COUNTER CONSTRAINT PrimaryKey PRIMARY KEY,  student_id INTEGER, prichina_zameny_id "
     "INTEGER, prepod_id INTEGER, Instruktor_id INTEGER, theory_num INTEGER, square_num INTEGER, city_num INTEGER );",
     false, "INSERT INTO gibdd (student_id) VALUES (7); INSERT INTO gibdd (student_id, city_num) VALUES (8, 3);",
     "Select * from gibdd", "", "1|7|NULL|NULL|NULL|NULL|NULL|NULL/2|8|NULL|NULL|NULL|NULL|NULL|3"},
    // CopyQNToMainBase's flag statement.
    {"UpdateFlagWhereFalse", kCar, " UPDATE car SET car_qn = true  WHERE (car_qn = false) ;", false, "",
     "SELECT car_name, car_qn FROM car", "", "КамАЗ|True/ЗИЛ|True/УАЗ|True"},
    // Update_base_adress.
    {"SelectSoato",
     // A ten-digit code is no Long (Access refuses it there): a number column holds it.
     "CREATE TABLE soato (soato_id DOUBLE, soato_name VARCHAR(255), extra INTEGER);"
     "INSERT INTO soato VALUES (7000000000, 'Минск', 1);",
     "Select soato_id,  soato_name from soato", true, "", "", "", "7000000000|Минск"},
    {"CreateSoatoAdress", "",
     " CREATE TABLE soato_adress (soato_id INTEGER CONSTRAINT PrimaryKey PRIMARY KEY,  soato_name STRING );", false,
     "INSERT INTO soato_adress VALUES (17, 'Брест'); INSERT INTO soato_adress VALUES (3, 'Гомель');",
     "SELECT soato_id, soato_name FROM soato_adress ORDER BY soato_id", "", "3|Гомель/17|Брест"},
    {"SoatoAdressKeyIsNotCounter",
     "CREATE TABLE soato_adress (soato_id INTEGER CONSTRAINT PrimaryKey PRIMARY KEY, soato_name STRING);",
     "INSERT INTO soato_adress (soato_name) VALUES ('без кода')", false, "", "", "", "", DbErrc::ConstraintViolation},
    // Further Access forms.
    {"DoubleQuotedStringLiteral", kGruppa, "SELECT gruppa_id FROM gruppa WHERE gruppa_name = \"группа 2\"", true, "", "", "",
     "2"},
    {"HashDateAndConcat", kStudent + "ALTER TABLE student ADD COLUMN d DATETIME;",
     "UPDATE student SET d = #03/15/2024#, student_fam = student_fam & '!' WHERE student_id = 1", false, "",
     "SELECT student_fam, d FROM student WHERE student_id = 1", "", "Иванов!|2024-03-15"},
    {"SelectTop", kGruppa, "SELECT TOP 1 gruppa_name FROM gruppa ORDER BY gruppa_id DESC", true, "", "", "", "Группа 2"},
    {"NamesWithBlanks", "CREATE TABLE [Мои данные] ([Имя поля] TEXT(20), [Флаг] YESNO);",
     "INSERT INTO [Мои данные] ([Имя поля]) VALUES ('x')", false, "", "SELECT * FROM [Мои данные]", "", "x|False"},
    {"DropColumn", kStudent, "ALTER TABLE student DROP COLUMN student_live_stroenie", false, "", "SELECT * FROM student", "",
     "1|Иванов/2|Петров"},
    {"CounterKeyedByTableConstraint", "", "CREATE TABLE u (id AUTOINCREMENT(1,1), n MEMO, CONSTRAINT pk PRIMARY KEY (id))",
     false, "INSERT INTO u (n) VALUES ('y'); INSERT INTO u (n) VALUES ('z')", "SELECT * FROM u", "", "1|y/2|z"},
    {"CompositeKey", "", "CREATE TABLE v (a INTEGER, b TEXT(10), CONSTRAINT pk PRIMARY KEY (a, b))", false,
     "INSERT INTO v VALUES (1, 'q'); INSERT INTO v VALUES (1, 'r')", "SELECT * FROM v", "", "1|q/1|r"},
    {"IndexOptionsDropped", kGruppa, "CREATE UNIQUE INDEX ix ON gruppa (gruppa_name) WITH DISALLOW NULL", false, "",
     "SELECT count(*) FROM gruppa", "", "2"},
    {"UniqueIndexIgnoresCase", kGruppa + "CREATE UNIQUE INDEX ix ON gruppa (gruppa_name);",
     "INSERT INTO gruppa (gruppa_name) VALUES ('ГРУППА 1')", false, "", "", "", "", DbErrc::ConstraintViolation},
    {"AddCounterRefused", kGruppa, "ALTER TABLE gruppa ADD COLUMN k COUNTER", false, "", "", "", "", DbErrc::Unsupported},
    {"TwoStatementsRefused", kGruppa, "DELETE FROM gruppa; DELETE FROM gruppa", false, "", "SELECT count(*) FROM gruppa", "",
     "2", DbErrc::SyntaxError},
    {"UnknownTypeRefused", "", "CREATE TABLE t (a WIDGET)", false, "", "", "", "", DbErrc::SyntaxError},
    {"TypeSizeOtherThanNumbersRefused", "", "CREATE TABLE t (a VARCHAR(50) /* b, c VARCHAR(10))", false, "", "", "", "",
     DbErrc::SyntaxError},
    // "--" subtracts a negative number in Access; SQLite must not read it as a comment that
    // drops the rest of the statement (here: the condition's last term).
    {"DoubleMinusSubtracts", kCar, "SELECT car_name, 5--3 AS x FROM car WHERE car_id = 2", true, "", "", "car_name;x",
     "ЗИЛ|8"},
    {"DoubleMinusInAConditionIsNoComment", kCar, "UPDATE car SET car_name = 'x' WHERE car_id = 2--1", false, "",
     "SELECT car_name FROM car ORDER BY car_id", "", "КамАЗ/ЗИЛ/x"},
    // SQLite's text ends at a NUL: the condition after it would be dropped.
    {"NulRefused", kCar, std::string("DELETE FROM car\0 WHERE car_id = 1", 34), false, "", "", "", "",
     DbErrc::SyntaxError},
};

INSTANTIATE_TEST_SUITE_P(Statements, AccessDialect, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DialectCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace upd::db::testing
