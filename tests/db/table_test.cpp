#include "db_test_support.h"

#include "db/ado_connection.h"
#include "db/ado_query.h"
#include "db/ado_table.h"
#include "db/connection_string.h"

namespace upd::db::testing {
namespace {

constexpr const char* kPassword = "Qw7RtYp3LmZx9VbN";

class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        makeDatabase(path, kPassword,
                     " CREATE TABLE GrafikVojdenija ([id] AUTOINCREMENT PRIMARY KEY, [student_id]  integer,  [zan_date]  DATETIME,"
                     "  [SmenaNum] INTEGER,  [instruktor_id] INTEGER,  [vypolneno] BIT, [teach_obj_id] INTEGER);"
                     "CREATE TABLE soato_adress (soato_id INTEGER CONSTRAINT PrimaryKey PRIMARY KEY,  soato_name STRING );"
                     "CREATE TABLE prepod (prepod_id COUNTER PRIMARY KEY, prepod_fam VARCHAR(50), prepod_name VARCHAR(50),"
                     " prepod_qn BIT, prepod_rate DOUBLE, prepod_note MEMO);"
                     "INSERT INTO prepod (prepod_fam, prepod_name) VALUES ('Иванов', 'Пётр');"
                     "INSERT INTO prepod (prepod_fam, prepod_name) VALUES ('Петров', 'Иван');"
                     "INSERT INTO prepod (prepod_fam, prepod_name) VALUES ('ИВАНОВ', 'Сидор');");
        connection.SetConnectionString(buildConnectionString(path, kPassword));
    }

    TADOTable& open(const std::string& name) {
        table.SetTableName(name);
        table.Open();
        return table;
    }

    TempFolder folder;
    std::string path = folder.file("base.accdb");
    TADOConnection connection;
    TADOTable table{connection, "ADOTable1"};
};

TEST_F(TableTest, ColumnDefinitionsInOrderTellCounterFromInteger) {
    struct Expected {
        const char* name;
        FieldType type;
        int size;
    };
    const std::vector<std::pair<std::string, std::vector<Expected>>> tables = {
        {"GrafikVojdenija",
         {{"id", FieldType::AutoInc, 0}, {"student_id", FieldType::Integer, 0}, {"zan_date", FieldType::DateTime, 0},
          {"SmenaNum", FieldType::Integer, 0}, {"instruktor_id", FieldType::Integer, 0}, {"vypolneno", FieldType::Boolean, 0},
          {"teach_obj_id", FieldType::Integer, 0}}},
        {"soato_adress", {{"soato_id", FieldType::Integer, 0}, {"soato_name", FieldType::String, 255}}},
        {"prepod",
         {{"prepod_id", FieldType::AutoInc, 0}, {"prepod_fam", FieldType::String, 50}, {"prepod_name", FieldType::String, 50},
          {"prepod_qn", FieldType::Boolean, 0}, {"prepod_rate", FieldType::Float, 0}, {"prepod_note", FieldType::Memo, 0}}},
    };
    for (const auto& [name, columns] : tables) {
        open(name);
        const auto& defs = table.FieldDefs();
        ASSERT_EQ(defs.size(), columns.size()) << name;
        for (size_t i = 0; i < defs.size(); ++i) {
            EXPECT_EQ(defs[i].Name, columns[i].name);
            EXPECT_EQ(defs[i].DataType, columns[i].type) << name << "." << defs[i].Name;
            EXPECT_EQ(defs[i].Size, columns[i].size) << name << "." << defs[i].Name;
        }
        table.Close();
    }
}

TEST_F(TableTest, PostFillsCounterAndDefaults) {
    open("GrafikVojdenija");
    EXPECT_TRUE(table.Eof());
    for (int student : {5, 6}) {
        table.Insert();
        table.FieldByName("student_id").SetAsInteger(student);
        table.FieldByName("zan_date").SetAsString("15.03.2024");
        table.Post();
        EXPECT_EQ(table.FieldByName("id").AsInteger(), student - 4);  // the inserted row is current
        EXPECT_FALSE(table.FieldByName("vypolneno").AsBoolean());
        EXPECT_TRUE(table.FieldByName("SmenaNum").IsNull());
    }
    EXPECT_EQ(table.RecordCount(), 2);
    table.Close();
    open("GrafikVojdenija");
    table.Last();
    EXPECT_EQ(table.FieldByName("zan_date").AsString(), "2024-03-15");
    EXPECT_EQ(table.FieldByName("student_id").Value(), Variant(6));
}

TEST_F(TableTest, EditOfEmptyTableInsertsThenKeepsTheSameRow) {
    open("soato_adress");
    for (int i = 1; i <= 3; ++i) {
        table.Edit();
        table.FieldByName("soato_id").SetAsInteger(100);
        table.FieldByName("soato_name").SetAsString("Город " + std::to_string(i));
        table.Post();
    }
    table.Close();
    open("soato_adress");
    ASSERT_EQ(table.RecordCount(), 1);
    EXPECT_EQ(table.FieldByName("soato_name").AsString(), "Город 3");
}

TEST_F(TableTest, EditChangesOnlyTheCurrentRow) {
    open("prepod");
    table.Edit();
    table.FieldByName("prepod_name").SetValue(Variant("Павел"));
    table.FieldByName("prepod_qn").SetAsBoolean(true);
    table.Post();
    table.Close();
    TADOQuery q(connection);
    q.SQL.SetText("SELECT prepod_name, prepod_qn FROM prepod ORDER BY prepod_id");
    q.Open();
    EXPECT_EQ(q.FieldByName("prepod_name").AsString(), "Павел");
    EXPECT_TRUE(q.FieldByName("prepod_qn").AsBoolean());
    q.Next();
    EXPECT_EQ(q.FieldByName("prepod_name").AsString(), "Иван");
    EXPECT_FALSE(q.FieldByName("prepod_qn").AsBoolean());
}

TEST_F(TableTest, FieldSettingRules) {
    open("prepod");
    auto codeOf = [](auto&& action) {
        try {
            action();
        } catch (const DbError& e) {
            return e.code();
        }
        return DbErrc::Other;
    };
    EXPECT_EQ(codeOf([&] { table.FieldByName("prepod_fam").SetAsString("x"); }), DbErrc::NotEditing);
    table.Insert();
    EXPECT_EQ(codeOf([&] { table.FieldByName("prepod_id").SetAsInteger(9); }), DbErrc::ReadOnlyField);
    EXPECT_EQ(codeOf([&] { table.FieldByName("prepod_rate").SetAsString("много"); }), DbErrc::TypeMismatch);
    EXPECT_EQ(codeOf([&] { table.FieldByName("nosuch"); }), DbErrc::FieldNotFound);
    EXPECT_EQ(codeOf([&] { table.FieldByName("prepod_name").SetAsString(std::string(51, 'x')); }), DbErrc::ValueTooLong);
    table.FieldByName("prepod_name").SetAsString("Ю" + std::string(49, 'x'));  // 50 letters fit
    table.FieldByName("prepod_rate").SetAsString("1,5");  // the target converts text to its type
    table.FieldByName("prepod_qn").SetAsString("True");
    table.FieldByName("prepod_fam").SetValue(Variant(42));
    table.Post();
    EXPECT_DOUBLE_EQ(table.FieldByName("prepod_rate").AsFloat(), 1.5);
    EXPECT_TRUE(table.FieldByName("prepod_qn").AsBoolean());
    EXPECT_EQ(table.FieldByName("prepod_fam").AsString(), "42");
    EXPECT_EQ(table.FieldByName("prepod_id").AsInteger(), 4);
}

TEST_F(TableTest, RefusedPostStoresNothing) {
    open("soato_adress");
    table.Insert();
    table.FieldByName("soato_id").SetAsInteger(1);
    table.Post();
    table.Insert();
    table.FieldByName("soato_id").SetAsInteger(1);
    try {
        table.Post();
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::ConstraintViolation);
    }
    EXPECT_EQ(table.State(), TDataSetState::dsInsert);
    table.Close();
    open("soato_adress");
    EXPECT_EQ(table.RecordCount(), 1);
}

TEST_F(TableTest, LocateWithAndWithoutCase) {
    open("prepod");
    struct Case {
        std::string fields;
        std::vector<Variant> values;
        bool ignoreCase;
        int expectedId;  // 0: not found
    };
    const Case cases[] = {
        {"prepod_fam", {"Иванов"}, false, 1},
        {"prepod_fam", {"ИВАНОВ"}, false, 3},
        {"prepod_fam", {"иванов"}, false, 0},
        {"prepod_fam", {"иванов"}, true, 1},
        {"prepod_fam;prepod_name", {"иванов", "СИДОР"}, true, 3},
        {"prepod_fam;prepod_name", {"Иванов", "Сидор"}, false, 0},
        {"prepod_fam; prepod_name", {"петров", "иван"}, true, 2},
        {"prepod_id", {"2"}, false, 2},  // a key given as text
        {"prepod_id", {Variant(3.0)}, false, 3},
        {"prepod_id", {"два"}, false, 0},
        {"prepod_note", {Variant()}, false, 1},
    };
    for (const Case& c : cases) {
        table.First();
        table.Next();  // from the second row: a miss leaves the cursor there
        const bool found = table.Locate(c.fields, c.values, TLocateOptions{c.ignoreCase});
        EXPECT_EQ(found, c.expectedId != 0) << c.fields;
        EXPECT_EQ(table.FieldByName("prepod_id").AsInteger(), found ? c.expectedId : 2) << c.fields;
    }
    EXPECT_TRUE(table.Locate("prepod_fam", Variant("Петр"), TLocateOptions{true, true}));
    EXPECT_EQ(table.FieldByName("prepod_id").AsInteger(), 2);
}

TEST_F(TableTest, LocateSeesPostedRows) {
    open("prepod");
    EXPECT_FALSE(table.Locate("prepod_fam", Variant("Сидоров")));
    table.Append();
    table.FieldByName("prepod_fam").SetAsString("Сидоров");
    table.Post();
    table.First();
    ASSERT_TRUE(table.Locate("prepod_fam", Variant("Сидоров")));
    EXPECT_EQ(table.FieldByName("prepod_id").AsInteger(), 4);
    table.Edit();
    table.FieldByName("prepod_fam").SetAsString("Смирнов");
    table.Post();
    EXPECT_FALSE(table.Locate("prepod_fam", Variant("Сидоров")));
    EXPECT_TRUE(table.Locate("prepod_fam", Variant("смирнов"), TLocateOptions{true}));
}

// A merge walks thousands of source rows and looks each key up in the target.
TEST_F(TableTest, LocateOnALargeTableFindsEveryKey) {
    TADOQuery q(connection);
    q.SQL.SetText("CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(100), street_code INTEGER)");
    q.ExecSQL();
    open("street");
    for (int i = 0; i < 3000; ++i) {
        table.Append();
        table.FieldByName("street_name").SetAsString("улица " + std::to_string(i));
        table.FieldByName("street_code").SetAsInteger(i * 7);
        table.Post();
    }
    for (int i = 0; i < 3000; ++i) {
        ASSERT_TRUE(table.Locate("street_name", Variant("УЛИЦА " + std::to_string(i)), TLocateOptions{true}));
        ASSERT_EQ(table.FieldByName("street_code").AsInteger(), i * 7);
    }
    EXPECT_FALSE(table.Locate("street_code", Variant("5")));
}

TEST_F(TableTest, NameCannotChangeWhileOpenAndMissingTableIsNamed) {
    open("prepod");
    try {
        table.SetTableName("car");
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::ObjectOpen);
    }
    table.Close();
    table.SetTableName("car");
    try {
        table.Open();
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::NoSuchTable);
        EXPECT_NE(std::string(e.what()).find("'car'"), std::string::npos);
    }
    EXPECT_FALSE(table.Active());
}

// --- Statement results ---

TEST_F(TableTest, QueryWalkReadAndLocate) {
    TADOQuery q(connection, "ADOQuery1");
    q.SQL.SetText("SELECT * FROM prepod WHERE prepod_id > 100");
    q.Open();
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(q.RecordCount(), 0);
    EXPECT_EQ(q.FieldByName("prepod_id").AsInteger(), 0);  // an empty result reads null
    EXPECT_EQ(q.FieldByName("prepod_fam").AsString(), "");

    q.SQL.Clear();
    q.SQL.Add("SELECT prepod_id, prepod_fam, prepod_qn, prepod_rate");
    q.SQL.Add("FROM prepod ORDER BY prepod_id");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 3);
    std::vector<std::string> names;
    for (q.First(); !q.Eof(); q.Next()) names.push_back(q.FieldByName("prepod_fam").AsString());
    EXPECT_EQ(names, (std::vector<std::string>{"Иванов", "Петров", "ИВАНОВ"}));
    EXPECT_TRUE(q.Locate("prepod_fam;prepod_qn", {Variant("иванов"), Variant(false)}, TLocateOptions{true}));
    EXPECT_EQ(q.FieldByName("prepod_id").AsInteger(), 1);
    EXPECT_EQ(q.FieldByName("prepod_qn").Value(), Variant(false));
    EXPECT_TRUE(q.FieldByName("prepod_rate").Value().isNull());
    try {
        q.FieldByName("prepod_fam").SetAsString("x");
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::ReadOnlyField);
    }
}

TEST_F(TableTest, OpeningAStatementWithoutRowsRunsNothing) {
    TADOQuery q(connection);
    q.SQL.SetText("DELETE FROM prepod");
    try {
        q.Open();
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::NoRows);
    }
    q.SQL.SetText("SELECT count(*) AS n FROM prepod");
    q.Open();
    EXPECT_EQ(q.FieldByName("n").AsInteger(), 3);
}

TEST_F(TableTest, AddColumnsAllOrNothingLeavesTableAsItWas) {
    TADOQuery q(connection);
    q.SQL.SetText(" ALTER TABLE prepod ADD COLUMN [check_1] bit, [check_2] bit, [prepod_qn] bit;");
    EXPECT_THROW(q.ExecSQL(), DbError);
    open("prepod");
    EXPECT_EQ(table.FieldDefs().size(), 6u);
    EXPECT_EQ(table.FindField("check_1"), nullptr);
}

TEST_F(TableTest, AlterColumnRefusesToCutTextAndKeepsCounter) {
    TADOQuery q(connection);
    q.SQL.SetText("UPDATE prepod SET prepod_name = '" + std::string(45, 'x') + "' WHERE prepod_id = 2");
    q.ExecSQL();
    q.SQL.SetText("ALTER TABLE prepod ALTER COLUMN prepod_name VARCHAR(40)");
    try {
        q.ExecSQL();
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::ValueTooLong);
    }
    q.SQL.SetText("DELETE FROM prepod WHERE prepod_id = 3");
    q.ExecSQL();
    q.SQL.SetText("ALTER TABLE prepod ALTER COLUMN prepod_name VARCHAR(100)");
    q.ExecSQL();
    open("prepod");
    EXPECT_EQ(table.FieldDefs()[2].Size, 100);
    EXPECT_EQ(table.FieldDefs()[0].DataType, FieldType::AutoInc);
    EXPECT_EQ(table.RecordCount(), 2);
    table.Append();
    table.FieldByName("prepod_fam").SetAsString("Новый");
    table.Post();
    EXPECT_EQ(table.FieldByName("prepod_id").AsInteger(), 4);  // the counter does not reuse 3
}

} // namespace
} // namespace upd::db::testing
