#include "db_test_support.h"

#include "db/database_components.h"

#include <filesystem>

namespace upd::db::testing {
namespace {

class Components : public ::testing::Test {
protected:
    void SetUp() override {
        makeDatabase(user, kMainBasePassword, "CREATE TABLE car (car_id COUNTER PRIMARY KEY, car_name VARCHAR(50));");
        makeDatabase(main, kMainBasePassword, "CREATE TABLE prepod (prepod_id COUNTER PRIMARY KEY);");
        makeDatabase(plain, "", "CREATE TABLE region (region_id COUNTER PRIMARY KEY);");
    }

    TempFolder folder;
    std::string user = folder.file("user.accdb");
    std::string main = folder.file("MainBase.accdb");
    std::string plain = folder.file("adress.accdb");
    RecordingDialogs dialogs;
    DatabaseComponents db{dialogs};
};

TEST_F(Components, FixedPasswordsAndSettings) {
    EXPECT_EQ(std::string(kMainBasePassword).size(), 16u);
    EXPECT_EQ(std::string(kPlanBasePassword).size(), 13u);
    EXPECT_FALSE(db.ADOConnection1.KeepConnection);
    EXPECT_TRUE(db.ADOConnection2.KeepConnection);
    EXPECT_FALSE(db.ADOConnection1.Connected());
    EXPECT_FALSE(db.ADOConnection2.Connected());
    EXPECT_EQ(&db.ADOQuery1.Connection(), &db.ADOConnection1);
    EXPECT_EQ(&db.ADOTable1.Connection(), &db.ADOConnection1);
    EXPECT_EQ(&db.ADOTable11.Connection(), &db.ADOConnection1);
    EXPECT_EQ(&db.ADOQuery2.Connection(), &db.ADOConnection2);
    EXPECT_EQ(&db.ADOTable2.Connection(), &db.ADOConnection2);
}

TEST_F(Components, ConnectsWithTheSixPieceString) {
    ASSERT_TRUE(db.connectToBaseUser(user, kMainBasePassword));
    EXPECT_TRUE(db.ADOConnection1.Connected());
    EXPECT_EQ(db.ADOConnection1.ConnectionString(), buildConnectionString(user, kMainBasePassword));
    EXPECT_FALSE(db.ADOConnection1.LoginPrompt);
    ASSERT_TRUE(db.connectToBase2(plain, ""));
    EXPECT_EQ(db.ADOConnection2.GetTableNames(), std::vector<std::string>{"region"});
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Components, NoFileOrAFolderLeavesTheConnectionAsItWas) {
    std::filesystem::create_directory(folder.file("dir.accdb"));
    ASSERT_TRUE(db.connectToBase2(main, kMainBasePassword));
    ASSERT_TRUE(db.connectToBaseUser(user, kMainBasePassword));
    for (const std::string& path : {folder.file("missing.accdb"), folder.file("dir.accdb"), std::string()}) {
        EXPECT_FALSE(db.connectToBaseUser(path, kMainBasePassword));
        EXPECT_FALSE(db.connectToBase2(path, kMainBasePassword));
    }
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(db.ADOConnection1.Connected());
    EXPECT_TRUE(db.ADOConnection2.Connected());
    EXPECT_EQ(db.ADOConnection2.GetTableNames(), std::vector<std::string>{"prepod"});
}

TEST_F(Components, ProviderErrorsShowOneBoxEachThenFalse) {
    const std::string damaged = folder.file("damaged.accdb");
    writeFile(damaged, "not a database");
    struct Case {
        std::string path, password;
    };
    for (const Case& c : {Case{user, kPlanBasePassword}, Case{user, ""}, Case{damaged, kMainBasePassword}}) {
        dialogs.messages.clear();
        EXPECT_FALSE(db.connectToBaseUser(c.path, c.password));
        EXPECT_FALSE(db.ADOConnection1.Connected());
        EXPECT_FALSE(db.connectToBase2(c.path, c.password));
        EXPECT_FALSE(db.ADOConnection2.Connected());
        ASSERT_EQ(dialogs.messages.size(), 2u);
        for (const MessageRequest& m : dialogs.messages) {
            EXPECT_EQ(m.caption, "Ошибка!");
            EXPECT_EQ(m.icon, DialogIcon::Warning);
            EXPECT_EQ(m.buttons, DialogButtons::Ok);
            EXPECT_EQ(m.text, db.ADOConnection2.Errors().at(0).Description);
        }
    }
}

TEST_F(Components, SecondConnectOfConnection2HoldsOnlyTheSecondFile) {
    ASSERT_TRUE(db.connectToBase2(user, kMainBasePassword));
    db.ADOTable2.SetTableName("car");
    db.ADOTable2.Open();
    ASSERT_TRUE(db.connectToBase2(main, kMainBasePassword));
    EXPECT_FALSE(db.ADOTable2.Active());  // closed with the first file
    EXPECT_EQ(db.ADOConnection2.GetTableNames(), std::vector<std::string>{"prepod"});
}

TEST_F(Components, Connection1ClosesItselfAndConnection2StaysOpen) {
    ASSERT_TRUE(db.connectToBaseUser(user, kMainBasePassword));
    ASSERT_TRUE(db.connectToBase2(main, kMainBasePassword));
    db.ADOQuery1.SQL.Clear();
    db.ADOQuery1.SQL.Add("Select car_name from car");
    db.ADOQuery1.Open();
    db.ADOQuery2.SQL.Clear();
    db.ADOQuery2.SQL.Add("Select * from prepod");
    db.ADOQuery2.Open();
    db.ADOQuery1.SQL.Clear();
    db.ADOQuery2.SQL.Clear();
    EXPECT_FALSE(db.ADOConnection1.Connected());
    EXPECT_TRUE(db.ADOConnection2.Connected());
    db.ADOQuery1.SQL.Add("INSERT INTO car (car_name) VALUES ('ГАЗ')");
    db.ADOQuery1.ExecSQL();  // reopens with the same string
    EXPECT_TRUE(db.ADOConnection1.Connected());
}

TEST_F(Components, ConnectToBaseUserMovesAnOpenConnectionToTheNewFile) {
    ASSERT_TRUE(db.connectToBaseUser(user, kMainBasePassword));
    db.ADOTable1.SetTableName("car");
    db.ADOTable1.Open();
    ASSERT_TRUE(db.connectToBaseUser(plain, ""));
    EXPECT_FALSE(db.ADOTable1.Active());
    EXPECT_EQ(db.ADOConnection1.GetTableNames(), std::vector<std::string>{"region"});
}

TEST_F(Components, CloseConnectionsClosesBothAndToleratesClosedOnes) {
    db.closeConnections();
    ASSERT_TRUE(db.connectToBaseUser(user, kMainBasePassword));
    ASSERT_TRUE(db.connectToBase2(main, kMainBasePassword));
    db.ADOTable1.SetTableName("car");
    db.ADOTable1.Open();
    db.closeConnections();
    EXPECT_FALSE(db.ADOConnection1.Connected());
    EXPECT_FALSE(db.ADOConnection2.Connected());
    EXPECT_FALSE(db.ADOTable1.Active());
}

} // namespace
} // namespace upd::db::testing
