// The ODBC engine through unixODBC (or Wine's ODBC) and SQLite's ODBC driver on plain SQLite
// files: the same databases, rows, column types and error texts as the SQLCipher engine.
#include "db_test_support.h"

#include "db/ado_connection.h"
#include "db/ado_query.h"
#include "db/ado_table.h"
#include "db/connection_string.h"
#include "db/odbc_connection_string.h"
#include "db/odbc_engine.h"
#include "db/odbc_session.h"
#include "platform/text.h"

namespace upd::db::testing {
namespace {

constexpr const char* kScript =
    "CREATE TABLE prepod (prepod_id COUNTER PRIMARY KEY, prepod_fam VARCHAR(50), prepod_name VARCHAR(50),"
    " prepod_qn BIT, prepod_rate DOUBLE, prepod_note MEMO, prepod_born DATETIME);"
    "CREATE TABLE soato_adress (soato_id INTEGER CONSTRAINT PrimaryKey PRIMARY KEY, soato_name STRING);"
    "CREATE TABLE [Справка] ([код] AUTOINCREMENT PRIMARY KEY, [Текст] VARCHAR(100));"
    "INSERT INTO prepod (prepod_fam, prepod_name, prepod_qn, prepod_rate) VALUES ('Иванов', 'Пётр', 1, 2.5);"
    "INSERT INTO prepod (prepod_fam, prepod_name) VALUES ('Петров', 'Иван');"
    "INSERT INTO [Справка] ([Текст]) VALUES ('Ёлка; \"кавычки\" и ''апостроф''');";

std::string show(const Variant& v) { return v.isNull() ? "NULL" : v.toString() + "#" + std::to_string(static_cast<int>(v.kind())); }

std::string show(const RowSet& rows) {
    std::string out;
    for (const FieldDef& f : rows.fields)
        out += f.Name + ":" + fieldTypeName(f.DataType) + "(" + std::to_string(f.Size) + ") ";
    for (const auto& row : rows.rows) {
        out += "\n";
        for (const Variant& v : row) out += show(v) + " | ";
    }
    return out;
}

std::string describe(const DbError& e) { return std::to_string(static_cast<int>(e.code())) + " " + e.description(); }

template <class F>
std::string errorOf(F&& f) {
    try {
        f();
    } catch (const DbError& e) {
        return describe(e);
    }
    return "no error";
}

// Two copies of one plain database: one for each engine.
class OdbcEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        makeDatabase(sqlcipherPath, "", kScript);
        std::filesystem::copy_file(fsPath(sqlcipherPath), fsPath(odbcPath));
    }

    TempFolder folder;
    std::string sqlcipherPath = folder.file("sqlcipher.accdb");
    std::string odbcPath = folder.file("odbc база.accdb");
    sqlite::SqliteEngine sqlcipher;
    odbc::OdbcEngine odbc{odbc::kSqliteDriver};
};

TEST_F(OdbcEngineTest, ReadsWhatTheSqlCipherEngineReads) {
    auto a = sqlcipher.open(sqlcipherPath, "");
    auto b = odbc.open(odbcPath, "any password: the file has none");
    for (const std::string table : {"prepod", "soato_adress", "Справка", "PREPOD"}) {
        SCOPED_TRACE(table);
        const RowSet ra = a->openTable(table), rb = b->openTable(table);
        EXPECT_EQ(show(rb), show(ra));
        EXPECT_EQ(rb.keys, ra.keys);
        for (const FieldDef& f : rb.fields) EXPECT_TRUE(text::equalsIgnoreCase(f.TableName, table)) << f.TableName;
    }
    for (const std::string select :
         {"SELECT prepod_fam, prepod_qn, prepod_rate FROM prepod WHERE prepod_name = 'Иван'",
          "SELECT count(*) AS n, max(prepod_id) FROM prepod", "SELECT [Текст] FROM [Справка];",
          "SELECT * FROM prepod WHERE prepod_id = 0"}) {
        SCOPED_TRACE(select);
        EXPECT_EQ(show(b->query(select)), show(a->query(select)));
    }
    EXPECT_EQ(b->tableNames(), a->tableNames());
}

TEST_F(OdbcEngineTest, StatementsChangeTheDatabaseAsWithTheSqlCipherEngine) {
    const std::vector<std::string> statements = {
        "ALTER TABLE prepod ADD COLUMN [prepod_kat] VARCHAR(10), [prepod_stag] INTEGER",
        "UPDATE prepod SET prepod_kat = 'ВС', prepod_stag = 12 WHERE prepod_fam LIKE 'Ив%'",
        "CREATE TABLE spravka ([id] COUNTER PRIMARY KEY, [nazv] VARCHAR(255), [flag] YESNO, [dt] DATETIME)",
        "INSERT INTO spravka (nazv, flag, dt) VALUES ('Справка 1', True, #2024-03-15#)",
        "DELETE FROM soato_adress",
    };
    auto a = sqlcipher.open(sqlcipherPath, "");
    auto b = odbc.open(odbcPath, "");
    for (const std::string& s : statements) {
        SCOPED_TRACE(s);
        const int64_t changed = a->execute(s);
        // Rows affected by a change of rows (after a change of schema SQLite repeats the last count).
        if (s.rfind("ALTER", 0) != 0 && s.rfind("CREATE", 0) != 0) EXPECT_EQ(b->execute(s), changed);
        else b->execute(s);
    }
    for (const std::string table : {"prepod", "spravka", "soato_adress"}) {
        SCOPED_TRACE(table);
        EXPECT_EQ(show(b->openTable(table)), show(a->openTable(table)));
    }
}

TEST_F(OdbcEngineTest, ErrorsCarryTheSqlCipherEnginesCodesAndTexts) {
    const std::vector<std::string> statements = {
        "SELECT * FROM nosuch",
        "SELECT nosuch_column FROM prepod",
        "SELEKT * FROM prepod",
        "ALTER TABLE prepod ADD COLUMN prepod_fam VARCHAR(5)",
        "CREATE TABLE prepod (x INTEGER)",
        "INSERT INTO soato_adress (soato_id, soato_name) VALUES (NULL, 'x')",
        "ALTER TABLE nosuch ADD COLUMN x INTEGER",
    };
    auto a = sqlcipher.open(sqlcipherPath, "");
    auto b = odbc.open(odbcPath, "");
    for (const std::string& s : statements) {
        SCOPED_TRACE(s);
        const std::string expected = errorOf([&] { a->execute(s); });
        EXPECT_NE(expected, "no error");
        EXPECT_EQ(errorOf([&] { b->execute(s); }), expected);
    }
    EXPECT_EQ(errorOf([&] { b->openTable("nosuch"); }), errorOf([&] { a->openTable("nosuch"); }));
    // "_" in a table name is no wildcard: soato_adress is not soatoXadress.
    EXPECT_EQ(errorOf([&] { b->openTable("soato%adress"); }), errorOf([&] { a->openTable("soato%adress"); }));
    EXPECT_EQ(errorOf([&] { b->query("DELETE FROM prepod"); }), errorOf([&] { a->query("DELETE FROM prepod"); }));
    // A statement with several columns takes effect whole or not at all.
    const std::string partly = "ALTER TABLE prepod ADD COLUMN fresh INTEGER, prepod_name VARCHAR(5)";
    EXPECT_EQ(errorOf([&] { b->execute(partly); }), errorOf([&] { a->execute(partly); }));
    EXPECT_EQ(show(b->openTable("prepod")), show(a->openTable("prepod")));
}

TEST_F(OdbcEngineTest, OpeningFailsAsWithTheSqlCipherEngine) {
    writeFile(folder.file("text.accdb"), std::string(1024, 'x'));
    writeFile(folder.file("zeros.accdb"), std::string(1024, '\0'));
    std::filesystem::create_directories(fsPath(folder.file("folder.accdb")));
    for (const std::string name : {"missing.accdb", "folder.accdb", "text.accdb", "zeros.accdb"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.file(name);
        const std::string expected = errorOf([&] { sqlcipher.open(path, ""); });
        EXPECT_NE(expected, "no error");
        EXPECT_EQ(errorOf([&] { odbc.open(path, ""); }), expected);
    }
    // SQLite's driver would make a database at a path it is given: none was made.
    EXPECT_FALSE(std::filesystem::exists(fsPath(folder.file("missing.accdb"))));
    // Its connection string has no quoting: a path it would read as another file is refused.
    const std::string odd = folder.file("a;b.accdb");
    std::filesystem::copy_file(fsPath(odbcPath), fsPath(odd));
    try {
        odbc.open(odd, "");
        ADD_FAILURE() << "opened " << odd;
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::Unsupported) << e.what();
    }
}

TEST_F(OdbcEngineTest, TableObjectsStoreRowsAsWithTheSqlCipherEngine) {
    // The same work through the ADO-style objects on each engine gives the same files.
    auto work = [](DbEngine& engine, const std::string& path) {
        TADOConnection connection(engine);
        connection.SetConnectionString(buildConnectionString(path, ""));
        TADOTable table(connection, "ADOTable1");
        table.SetTableName("prepod");
        table.Open();
        EXPECT_TRUE(table.Locate("prepod_fam;prepod_name", {Variant("петров"), Variant("ИВАН")}, TLocateOptions{true, false}));
        table.Edit();
        table.FieldByName("prepod_note").SetAsString(std::string(3000, 'm') + "ё");
        table.FieldByName("prepod_qn").SetAsBoolean(true);
        table.FieldByName("prepod_born").SetAsString("15.03.1980");
        table.Post();
        std::string stored;
        for (int i = 0; i < 3; ++i) {
            table.Append();
            table.FieldByName("prepod_fam").SetAsString("Новый " + std::to_string(i));
            table.FieldByName("prepod_rate").SetValue(Variant(i + 0.25));
            table.Post();
            stored += std::to_string(table.FieldByName("prepod_id").AsInteger()) + " ";
        }
        table.Close();
        table.SetTableName("Справка");
        table.Open();
        table.Edit();
        table.FieldByName("Текст").SetAsString("Изменено");
        table.Post();
        table.Close();
        connection.Close();
        return stored;
    };
    EXPECT_EQ(work(odbc, odbcPath), work(sqlcipher, sqlcipherPath));
    auto a = sqlcipher.open(sqlcipherPath, "");
    auto b = sqlcipher.open(odbcPath, "");
    for (const std::string table : {"prepod", "Справка"}) {
        SCOPED_TRACE(table);
        EXPECT_EQ(show(b->openTable(table)), show(a->openTable(table)));
    }
}

TEST_F(OdbcEngineTest, GroupedRowsAreCommittedForOtherSessions) {
    auto writer = odbc.open(odbcPath, "");
    auto reader = odbc.open(odbcPath, "");
    const int rows = odbc::OdbcSession::kRowsPerCommit + 20;
    for (int i = 0; i < rows; ++i) writer->insertRow("soato_adress", {{"soato_id", Variant(i)}, {"soato_name", Variant("Город")}});
    // The reader's operation commits the writer's open group first.
    EXPECT_EQ(reader->query("SELECT count(*) FROM soato_adress").rows.at(0).at(0), Variant(rows));
    // A refused row keeps the rows before it.
    writer->insertRow("soato_adress", {{"soato_id", Variant(rows)}});
    EXPECT_THROW(writer->insertRow("soato_adress", {{"soato_id", Variant(0)}}), DbError);
    writer.reset();
    EXPECT_EQ(sqlcipher.open(odbcPath, "")->query("SELECT count(*) FROM soato_adress").rows.at(0).at(0), Variant(rows + 1));
}

} // namespace
} // namespace upd::db::testing
