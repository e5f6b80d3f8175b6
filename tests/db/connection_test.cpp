#include "db_test_support.h"

#include "db/ado_connection.h"
#include "db/ado_query.h"
#include "db/ado_table.h"
#include "db/connection_string.h"
#include "db/db_engine.h"

#include <filesystem>

namespace upd::db::testing {
namespace {

constexpr const char* kPassword = "Qw7RtYp3LmZx9VbN";
const char* kSchema = "CREATE TABLE gruppa (gruppa_id COUNTER PRIMARY KEY, gruppa_name VARCHAR(50));"
                      "INSERT INTO gruppa (gruppa_name) VALUES ('Группа 1');";

std::string firstName(TADOConnection& c) {
    TADOQuery q(c);
    q.SQL.SetText("SELECT gruppa_name FROM gruppa");
    q.Open();
    return q.FieldByName("gruppa_name").AsString();
}

// --- Opening files: the provider's answers ---

struct OpenCase {
    const char* name;
    const char* make;       // "encrypted", "plain", "missing", "folder", "garbage", "empty", "truncated", "badplain"
    const char* password;   // given to the connection
    std::optional<DbErrc> error;
};

class OpenFile : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenFile, OpensOrNamesTheFault) {
    const OpenCase& c = GetParam();
    TempFolder folder;
    const std::string path = folder.file("base.accdb");
    const std::string kind = c.make;
    if (kind == "encrypted" || kind == "truncated") makeDatabase(path, kPassword, kSchema);
    if (kind == "oddpassword") makeDatabase(path, c.password, kSchema);
    if (kind == "plain" || kind == "badplain") makeDatabase(path, "", kSchema);
    if (kind == "folder") std::filesystem::create_directory(path);
    if (kind == "garbage") writeFile(path, "This is not a database, just a note left in place of one.\n");
    if (kind == "empty") writeFile(path, "");
    // Files of other kinds in whole 512-byte pages, as a real Access file is.
    if (kind == "access") writeFile(path, std::string("\0\x01\0\0Standard ACE DB\0", 20) + std::string(4076, '\x11'));
    if (kind == "text512") writeFile(path, std::string(1024, 'a'));
    if (kind == "zip512") writeFile(path, std::string("PK\x03\x04", 4) + std::string(2044, '\x7f'));
    if (kind == "truncated") std::filesystem::resize_file(path, 1000);
    if (kind == "badplain") {
        std::string bytes(4096, '\x5a');
        bytes.replace(0, 16, std::string("SQLite format 3\0", 16));
        std::filesystem::remove(path);
        writeFile(path, bytes);
    }

    TADOConnection connection;
    connection.SetConnectionString(buildConnectionString(path, c.password));
    if (!c.error) {
        connection.Open();
        EXPECT_TRUE(connection.Connected());
        EXPECT_EQ(firstName(connection), "Группа 1");
        EXPECT_TRUE(connection.Errors().empty());
        return;
    }
    try {
        connection.Open();
        FAIL() << "opened";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), *c.error) << e.what();
    }
    EXPECT_FALSE(connection.Connected());
    ASSERT_EQ(connection.Errors().size(), 1u);
    EXPECT_EQ(connection.Errors()[0].code, *c.error);
    EXPECT_FALSE(connection.Errors()[0].Description.empty());
}

const OpenCase kOpenCases[] = {
    {"EncryptedRightPassword", "encrypted", kPassword, std::nullopt},
    {"EncryptedWrongPassword", "encrypted", "Hk4TmWq8ZrBcE", DbErrc::WrongPassword},
    {"EncryptedEmptyPassword", "encrypted", "", DbErrc::WrongPassword},
    {"PlainEmptyPassword", "plain", "", std::nullopt},
    {"PlainWithPassword", "plain", kPassword, std::nullopt},
    {"PasswordWithQuotesAndEquals", "oddpassword", "Пароль x'y=\"z", std::nullopt},
    {"MissingFile", "missing", kPassword, DbErrc::FileNotFound},
    {"Folder", "folder", kPassword, DbErrc::FileNotFound},
    {"TextFile", "garbage", kPassword, DbErrc::NotADatabase},
    {"EmptyFile", "empty", "", DbErrc::NotADatabase},
    {"TruncatedEncrypted", "truncated", kPassword, DbErrc::NotADatabase},
    {"AccessFile", "access", kPassword, DbErrc::NotADatabase},
    {"TextInWholePages", "text512", kPassword, DbErrc::NotADatabase},
    {"ZipInWholePages", "zip512", kPassword, DbErrc::NotADatabase},
    {"DamagedPlain", "badplain", "", DbErrc::NotADatabase},
};

INSTANTIATE_TEST_SUITE_P(Files, OpenFile, ::testing::ValuesIn(kOpenCases),
                         [](const ::testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

TEST(Connection, WrongPasswordLeavesFileUntouched) {
    TempFolder folder;
    const std::string path = folder.file("base.accdb");
    makeDatabase(path, kPassword, kSchema);
    const auto before = std::filesystem::file_size(path);
    TADOConnection bad;
    bad.SetConnectionString(buildConnectionString(path, "wrong"));
    EXPECT_THROW(bad.Open(), DbError);
    EXPECT_EQ(std::filesystem::file_size(path), before);
    TADOConnection good;
    good.SetConnectionString(buildConnectionString(path, kPassword));
    EXPECT_EQ(firstName(good), "Группа 1");
}

// The connection string quotes what would split it: a path or password with ";" and "=".
TEST(Connection, OpensAPathAndAPasswordHoldingSemicolonsAndEquals) {
    TempFolder folder;
    std::filesystem::create_directory(fsPath(folder.file("Базы;копия=1")));
    const std::string path = folder.file("Базы;копия=1/a=b;c.accdb");
    const std::string password = "p;w=d";
    makeDatabase(path, password, kSchema);
    TADOConnection connection;
    connection.SetConnectionString(buildConnectionString(path, password));
    EXPECT_EQ(firstName(connection), "Группа 1");
}

// --- Lifecycle ---

class ConnectionLifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        makeDatabase(path, kPassword, kSchema);
        connection.SetConnectionString(buildConnectionString(path, kPassword));
    }
    TempFolder folder;
    std::string path = folder.file("base.accdb");
    TADOConnection connection;
};

TEST_F(ConnectionLifecycle, OpensByItselfOnFirstStatement) {
    EXPECT_FALSE(connection.Connected());
    TADOQuery q(connection);
    q.SQL.SetText("UPDATE gruppa SET gruppa_name = 'Г'");
    EXPECT_EQ(q.ExecSQL(), 1);
    EXPECT_TRUE(connection.Connected());
}

TEST_F(ConnectionLifecycle, WithoutKeepConnectionClosesWhenLastResultCloses) {
    connection.KeepConnection = false;
    TADOQuery q(connection);
    TADOTable t(connection);
    t.SetTableName("gruppa");
    q.SQL.SetText("SELECT * FROM gruppa");
    q.Open();
    t.Open();
    q.Close();
    EXPECT_TRUE(connection.Connected());  // the table is still open
    t.Close();
    EXPECT_FALSE(connection.Connected());
    q.SQL.SetText("INSERT INTO gruppa (gruppa_name) VALUES ('Г2')");
    q.ExecSQL();  // reopens with the same string
    EXPECT_TRUE(connection.Connected());
    q.SQL.SetText("SELECT * FROM gruppa");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 2);
    q.SQL.Clear();  // a change of text closes the result, and so the connection
    EXPECT_FALSE(q.Active());
    EXPECT_FALSE(connection.Connected());
}

TEST_F(ConnectionLifecycle, KeepConnectionStaysOpen) {
    TADOQuery q(connection);
    q.SQL.SetText("SELECT * FROM gruppa");
    q.Open();
    q.Close();
    EXPECT_TRUE(connection.Connected());
}

TEST_F(ConnectionLifecycle, CloseClosesEveryResultAndTable) {
    TADOQuery q(connection);
    TADOTable t(connection);
    q.SQL.SetText("SELECT * FROM gruppa");
    q.Open();
    t.SetTableName("gruppa");
    t.Open();
    t.Insert();
    connection.SetConnected(false);
    EXPECT_FALSE(connection.Connected());
    EXPECT_FALSE(q.Active());
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.State(), TDataSetState::dsInactive);
    connection.Close();  // closing a closed connection does nothing
    t.Open();
    EXPECT_EQ(t.RecordCount(), 1);  // the pending insert was dropped
}

TEST_F(ConnectionLifecycle, StringCannotChangeWhileOpen) {
    connection.Open();
    try {
        connection.SetConnectionString(buildConnectionString(path, ""));
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::ObjectOpen);
    }
    connection.Close();
    connection.SetConnectionString(buildConnectionString(path, kPassword));
}

TEST_F(ConnectionLifecycle, WithoutStringNothingOpens) {
    TADOConnection empty;
    TADOQuery q(empty);
    q.SQL.SetText("SELECT 1");
    try {
        q.Open();
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::NotConnected);
    }
    EXPECT_EQ(empty.Errors().size(), 1u);
}

TEST_F(ConnectionLifecycle, TableNamesWithoutSystemTablesInNameOrder) {
    TADOQuery q(connection);
    for (const char* s : {"CREATE TABLE adress (a INTEGER)", "CREATE TABLE Zeta (a INTEGER)", "CREATE VIEW beta AS SELECT * FROM gruppa"}) {
        q.SQL.SetText(s);
        q.ExecSQL();
    }
    EXPECT_EQ(connection.GetTableNames(), (std::vector<std::string>{"adress", "beta", "gruppa", "Zeta"}));
}

TEST_F(ConnectionLifecycle, ErrorsNameTheMissingTableAndClearOnSuccess) {
    TADOQuery q(connection);
    q.SQL.SetText("SELECT * FROM region");
    EXPECT_THROW(q.Open(), DbError);
    ASSERT_EQ(connection.Errors().size(), 1u);
    EXPECT_EQ(connection.Errors()[0].code, DbErrc::NoSuchTable);
    EXPECT_NE(connection.Errors()[0].Description.find("'region'"), std::string::npos);
    q.SQL.SetText("SELECT * FROM gruppa");
    q.Open();
    EXPECT_TRUE(connection.Errors().empty());
}

TEST_F(ConnectionLifecycle, ClosedFileIsCompleteOnItsOwnAndSharedWhileOpen) {
    TADOConnection second;
    second.SetConnectionString(buildConnectionString(path, kPassword));
    TADOTable t(connection);
    t.SetTableName("gruppa");
    t.Open();
    t.Append();
    t.FieldByName("gruppa_name").SetAsString("Группа 2");
    t.Post();
    EXPECT_EQ(second.GetTableNames(), std::vector<std::string>{"gruppa"});
    TADOQuery q(second);
    q.SQL.SetText("SELECT count(*) AS n FROM gruppa");
    q.Open();
    EXPECT_EQ(q.FieldByName("n").AsInteger(), 2);  // the other connection sees the stored row
    second.Close();
    connection.Close();
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
    EXPECT_FALSE(std::filesystem::exists(path + "-shm"));
    const std::string copy = folder.file("copy.accdb");
    std::filesystem::copy_file(path, copy);
    TADOConnection onCopy;
    onCopy.SetConnectionString(buildConnectionString(copy, kPassword));
    TADOQuery c(onCopy);
    c.SQL.SetText("SELECT gruppa_name FROM gruppa WHERE gruppa_id = 2");
    c.Open();
    EXPECT_EQ(c.FieldByName("gruppa_name").AsString(), "Группа 2");
}

// Sessions know each other by the file, not by its name: the row one of them holds in its
// group is stored before the other reads, however each spelt the path.
TEST_F(ConnectionLifecycle, AnotherNameOfTheFileSeesTheStoredRowToo) {
    std::filesystem::create_directory(fsPath(folder.file("Автошкола")));
    TADOConnection second;
    second.SetConnectionString(buildConnectionString(folder.path() + "/Автошкола/../base.accdb", kPassword));
    TADOTable t(connection);
    t.SetTableName("gruppa");
    t.Open();
    t.Append();
    t.FieldByName("gruppa_name").SetAsString("Группа 2");
    t.Post();
    TADOQuery q(second);
    q.SQL.SetText("SELECT count(*) AS n FROM gruppa");
    q.Open();
    EXPECT_EQ(q.FieldByName("n").AsInteger(), 2);
}

TEST_F(ConnectionLifecycle, ReadingLeavesTheFileByteForByte) {
    auto bytes = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string before = bytes();
    EXPECT_EQ(firstName(connection), "Группа 1");
    TADOTable t(connection);
    t.SetTableName("gruppa");
    t.Open();
    EXPECT_TRUE(t.Locate("gruppa_name", Variant("группа 1"), TLocateOptions{true}));
    connection.Close();
    EXPECT_EQ(bytes(), before);
}

TEST(ConnectionOwnership, ObjectsOutlivingTheirConnectionRefuseWork) {
    TempFolder folder;
    const std::string path = folder.file("base.accdb");
    makeDatabase(path, kPassword, kSchema);
    auto connection = std::make_unique<TADOConnection>();
    connection->SetConnectionString(buildConnectionString(path, kPassword));
    TADOQuery q(*connection);
    q.SQL.SetText("SELECT * FROM gruppa");
    q.Open();
    {
        TADOTable t(*connection);
        t.SetTableName("gruppa");
        t.Open();
    }  // a table destroyed while open no longer counts as open
    connection->KeepConnection = false;
    q.Close();
    EXPECT_FALSE(connection->Connected());
    connection.reset();
    EXPECT_FALSE(q.Active());
    try {
        q.Open();
        FAIL();
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::NotConnected);
    }
}

// --- Closing: the rows a session still holds are committed where a failure can be told ---

// A session whose commit fails when told to; counts the commits it was asked for.
struct CommitScript {
    int flushes = 0;
    bool fail = false;
};

class ScriptedSession : public DbSession {
public:
    explicit ScriptedSession(CommitScript& script) : script_(script) {}
    RowSet query(const std::string&) override { return {}; }
    int64_t execute(const std::string&) override { return 0; }
    std::vector<std::string> tableNames() override { return {}; }
    RowSet openTable(const std::string&) override { return {}; }
    std::pair<int64_t, std::vector<Variant>> insertRow(const std::string&, const Assignments&) override { return {}; }
    std::vector<Variant> updateRow(const std::string&, int64_t, const Assignments&) override { return {}; }
    void flush() override {
        ++script_.flushes;
        if (script_.fail) throw DbError(DbErrc::ReadOnly, "Невозможно обновить. База данных или объект доступны только для чтения.");
    }

private:
    CommitScript& script_;
};

class ScriptedEngine : public DbEngine {
public:
    CommitScript script;
    std::unique_ptr<DbSession> open(const std::string&, const std::string&) override {
        return std::make_unique<ScriptedSession>(script);
    }
};

TEST(ConnectionClose, CommitsTheSessionAndRaisesAFailedCommitAfterClosing) {
    for (const bool fail : {false, true}) {
        SCOPED_TRACE(fail ? "failing commit" : "commit");
        ScriptedEngine engine;
        engine.script.fail = fail;
        TADOConnection connection(engine);
        connection.SetConnectionString(buildConnectionString("/base.accdb", kPassword));
        connection.Open();
        if (fail) {
            EXPECT_THROW(connection.Close(), DbError);
            ASSERT_EQ(connection.Errors().size(), 1u);
            EXPECT_EQ(connection.Errors()[0].code, DbErrc::ReadOnly);
        } else {
            EXPECT_NO_THROW(connection.Close());
            EXPECT_TRUE(connection.Errors().empty());
        }
        EXPECT_EQ(engine.script.flushes, 1);
        EXPECT_FALSE(connection.Connected());
        EXPECT_NO_THROW(connection.Close());  // nothing left to commit
        EXPECT_EQ(engine.script.flushes, 1);
    }
}

TEST(ConnectionClose, AConnectionEndingWithAFailedCommitDoesNotThrow) {
    ScriptedEngine engine;
    engine.script.fail = true;
    {
        TADOConnection connection(engine);
        connection.SetConnectionString(buildConnectionString("/base.accdb", kPassword));
        connection.Open();
    }
    EXPECT_EQ(engine.script.flushes, 1);  // tried once, then let go
}

// --- Connection strings ---

TEST(ConnectionString, SixPieces) {
    EXPECT_EQ(buildConnectionString("/base/MainBase.accdb", "pw"),
              "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/base/MainBase.accdb;Persist Security Info=False;"
              "Jet OLEDB:Database Password=pw;");
    EXPECT_EQ(buildConnectionString("x", ""),
              "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x;Persist Security Info=False;Jet OLEDB:Database Password=;");
    EXPECT_EQ(buildConnectionStringWithoutPassword("x"),
              "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=x;Persist Security Info=False;");
}

struct ParseCase {
    std::string text;
    bool valid;
    std::string source;
    std::string password;
};

TEST(ConnectionString, Parses) {
    const ParseCase cases[] = {
        {buildConnectionString("/a/b.accdb", "Qw7"), true, "/a/b.accdb", "Qw7"},
        {buildConnectionStringWithoutPassword("/a/b.accdb"), true, "/a/b.accdb", ""},
        {buildConnectionString("/a;b/c.accdb", "p"), true, "/a;b/c.accdb", "p"},
        {"data source = \"/x y;z.accdb\" ; JET OLEDB:DATABASE PASSWORD='p;q'", true, "/x y;z.accdb", "p;q"},
        {buildConnectionString("/a;b=c/d.accdb", "p;q=r"), true, "/a;b=c/d.accdb", "p;q=r"},
        {buildConnectionString("/a=\"b\";c/d.accdb", " x'y\"z "), true, "/a=\"b\";c/d.accdb", " x'y\"z "},
        {buildConnectionString("/a/tab\t", "\tp\t"), true, "/a/tab\t", "\tp\t"},  // blanks the reader trims
        {"Data Source='it''s;here.accdb';Jet OLEDB:Database Password=\"a\"\"b\"", true, "it's;here.accdb", "a\"b"},
        {"Provider=Microsoft.ACE.OLEDB.12.0;", false, "", ""},
        {"", false, "", ""},
    };
    for (const ParseCase& c : cases) {
        const auto parsed = parseConnectionString(c.text);
        ASSERT_EQ(parsed.has_value(), c.valid) << c.text;
        if (!parsed) continue;
        EXPECT_EQ(parsed->dataSource, c.source) << c.text;
        EXPECT_EQ(parsed->password, c.password) << c.text;
    }
}

} // namespace
} // namespace upd::db::testing
