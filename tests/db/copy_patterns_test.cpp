// The table copies move values through the table objects: as text (the merge) or untyped
// (the appends). Every kind of column must come back with the same value.
#include "db_test_support.h"

#include "db/database_components.h"

namespace upd::db::testing {
namespace {

const char* kTables =
    "CREATE TABLE street (street_id COUNTER PRIMARY KEY, street_name VARCHAR(100), street_code INTEGER,"
    " street_main BIT, street_since DATETIME, street_len DOUBLE, street_note MEMO);";

class CopyPatterns : public ::testing::Test {
protected:
    void SetUp() override {
        makeDatabase(target, "", kTables);
        makeDatabase(source, "", std::string(kTables) +
                                     "INSERT INTO street (street_name, street_code, street_main, street_since, street_len)"
                                     " VALUES ('ул. Ленина', -42, true, '2001-09-30 08:15:00', 1234.5678);"
                                     "INSERT INTO street (street_name, street_code, street_main, street_since, street_len,"
                                     " street_note) VALUES ('пр. Мира', 7, false, '1999-12-31', 0.1, 'дом ''5''');");
        ASSERT_TRUE(db.connectToBaseUser(target, ""));
        ASSERT_TRUE(db.connectToBase2(source, ""));
        db.ADOTable1.SetTableName("street");
        db.ADOTable2.SetTableName("street");
        db.ADOTable1.Open();
        db.ADOTable2.Open();
    }

    std::vector<std::string> targetRows() {
        db.ADOTable1.Close();
        db.ADOTable1.Open();
        std::vector<std::string> rows;
        for (db.ADOTable1.First(); !db.ADOTable1.Eof(); db.ADOTable1.Next()) {
            std::string row;
            for (size_t i = 1; i < db.ADOTable1.FieldCount(); ++i) {
                const TField& f = db.ADOTable1.Fields(i);
                row += (f.IsNull() ? std::string("NULL") : f.AsString()) + "|";
            }
            rows.push_back(row);
        }
        return rows;
    }

    TempFolder folder;
    std::string target = folder.file("adress.accdb");
    std::string source = folder.file("module.accdb");
    RecordingDialogs dialogs;
    DatabaseComponents db{dialogs};
};

const std::vector<std::string> kExpected = {
    "ул. Ленина|-42|True|2001-09-30 08:15:00|1234.5678|NULL|",
    "пр. Мира|7|False|1999-12-31|0.1|дом '5'|",
};

TEST_F(CopyPatterns, ValuesSurviveTheTripThroughText) {
    for (db.ADOTable2.First(); !db.ADOTable2.Eof(); db.ADOTable2.Next()) {
        std::vector<std::pair<std::string, std::string>> values;
        for (const FieldDef& def : db.ADOTable2.FieldDefs()) {
            if (def.DataType == FieldType::AutoInc) continue;
            const TField& f = db.ADOTable2.FieldByName(def.Name);
            if (f.IsNull()) continue;
            values.emplace_back(def.Name, def.DataType == FieldType::Integer ? std::to_string(f.AsInteger()) : f.AsString());
        }
        ASSERT_FALSE(db.ADOTable1.Locate(values[0].first, Variant(values[0].second)));
        db.ADOTable1.Insert();
        for (const auto& [name, text] : values) db.ADOTable1.FieldByName(name).SetAsString(text);
        db.ADOTable1.Post();
        ASSERT_TRUE(db.ADOTable1.Locate(values[0].first, Variant(values[0].second)));
    }
    EXPECT_EQ(targetRows(), kExpected);
}

TEST_F(CopyPatterns, UntypedValuesCopyAsTheyAre) {
    for (db.ADOTable2.First(); !db.ADOTable2.Eof(); db.ADOTable2.Next()) {
        db.ADOTable1.Insert();
        for (const FieldDef& def : db.ADOTable2.FieldDefs())
            if (def.DataType != FieldType::AutoInc)
                db.ADOTable1.FieldByName(def.Name).SetValue(db.ADOTable2.FieldByName(def.Name).Value());
        db.ADOTable1.Post();
    }
    EXPECT_EQ(targetRows(), kExpected);
    db.ADOQuery2.SQL.Clear();
    db.ADOQuery2.SQL.Add(" UPDATE street SET street_main = true  WHERE (street_main = false) ;");
    EXPECT_EQ(db.ADOQuery2.ExecSQL(), 1);
}

} // namespace
} // namespace upd::db::testing
