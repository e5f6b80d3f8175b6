// Access's column types kept on every path that writes: dates in one stored form, however
// they were written, and refused when they are no date.
#include "db_test_support.h"

#include "db/ado_connection.h"
#include "db/ado_query.h"
#include "db/ado_table.h"
#include "db/connection_string.h"

#include <sqlite3.h>

#include <optional>

namespace upd::db::testing {
namespace {

class AccessTypes : public ::testing::Test {
protected:
    void SetUp() override {
        // No password: the tests that play a file written by an earlier build write it directly.
        makeDatabase(path, "",
                     "CREATE TABLE t (id COUNTER PRIMARY KEY, n INTEGER, s SMALLINT, b BYTE, f BIT, d DATETIME,"
                     " v VARCHAR(5), x DOUBLE, m MEMO);");
        connection.SetConnectionString(buildConnectionString(path, ""));
    }

    void exec(const std::string& sql) {
        TADOQuery q(connection);
        q.SQL.SetText(sql);
        q.ExecSQL();
    }

    // The rows of a SELECT: rows separated by "/", values by "|", null as NULL.
    std::string rows(const std::string& sql) {
        TADOQuery q(connection);
        q.SQL.SetText(sql);
        q.Open();
        std::string out;
        for (q.First(); !q.Eof(); q.Next()) {
            if (!out.empty()) out += "/";
            for (size_t i = 0; i < q.FieldCount(); ++i)
                out += (i ? "|" : "") + (q.Fields(i).IsNull() ? std::string("NULL") : q.Fields(i).AsString());
        }
        return out;
    }

    std::optional<DbError> failure(const std::string& sql) {
        try {
            exec(sql);
        } catch (const DbError& e) {
            return e;
        }
        return std::nullopt;
    }

    // What an earlier build left in the file, written past the engine.
    void writeRaw(const std::string& sql) {
        connection.Close();
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
        sqlite3_close(raw);
    }

    TempFolder folder;
    std::string path = folder.file("base.accdb");
    TADOConnection connection;
};

TEST_F(AccessTypes, EqualDatesHaveOneStoredFormWhateverTheyWereWrittenAs) {
    for (const char* value : {"#1/5/2024 0:00#", "#1/5/2024#", "#2024-01-05 00:00:00#"})
        exec(std::string("INSERT INTO t (d) VALUES (") + value + ")");
    exec("UPDATE t SET d = #01/05/2024 00:00:00# WHERE id = 1");
    TADOTable table(connection, "ADOTable1");
    table.SetTableName("t");
    table.Open();
    table.Append();
    table.FieldByName("d").SetValue(Variant("2024-01-05 00:00:00"));
    table.Post();
    table.Append();
    table.FieldByName("d").SetValue(Variant(45296.0));  // the OLE date of 2024-01-05
    table.Post();
    table.Close();

    EXPECT_EQ(rows("SELECT count(*) FROM t WHERE d = #1/5/2024#"), "5");
    EXPECT_EQ(rows("SELECT DISTINCT d FROM t"), "2024-01-05");
}

TEST_F(AccessTypes, DateLiteralsAsAccessReadsThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"#1/5/2024 10:30#", "2024-01-05 10:30:00"},
        {"#1/5/2024 10:30:15 PM#", "2024-01-05 22:30:15"},
        {"#1/5/2024 12:00 AM#", "2024-01-05"},
        {"#13/5/2024#", "2024-05-13"},  // no thirteenth month: Access reads the day first
        {"#2/29/2024#", "2024-02-29"},
        {"#1/5/24#", "2024-01-05"},
        {"#1/5/95#", "1995-01-05"},
        {"#10:15#", "1899-12-30 10:15:00"},  // a time alone is on Access's day zero
        {"# 2024-12-31 23:59:59 #", "2024-12-31 23:59:59"},
    };
    for (const auto& [literal, stored] : cases) {
        SCOPED_TRACE(literal);
        exec("DELETE FROM t");
        exec(std::string("INSERT INTO t (d) VALUES (") + literal + ")");
        EXPECT_EQ(rows("SELECT d FROM t"), stored);
        EXPECT_EQ(rows(std::string("SELECT count(*) FROM t WHERE d = ") + literal), "1");
    }
}

TEST_F(AccessTypes, ADateThatIsNoDateIsRefused) {
    for (const char* literal : {"#13/13/2024#", "#2/30/2024#", "#2/29/2023#", "#1/5/2024 24:00#", "#1/5/2024 10:60#",
                                "#1/5/2024 13:00 PM#", "#0/5/2024#", "#next week#", "#1/5#", "#1/5/2024x#"}) {
        SCOPED_TRACE(literal);
        const auto e = failure(std::string("INSERT INTO t (d) VALUES (") + literal + ")");
        ASSERT_TRUE(e);
        EXPECT_EQ(e->code(), DbErrc::SyntaxError);
        EXPECT_STREQ(e->what(), (std::string("Синтаксическая ошибка в дате в выражении запроса '") + literal + "'.").c_str());
        // A date literal is refused wherever it stands, not only where it is stored.
        EXPECT_THROW(rows(std::string("SELECT count(*) FROM t WHERE d = ") + literal), DbError);
    }
    EXPECT_EQ(rows("SELECT count(*) FROM t"), "0");
}

TEST_F(AccessTypes, DatesAnEarlierBuildStoredInTheLongFormAreStillFoundAsTheSameDate) {
    exec("INSERT INTO t (n, d) VALUES (1, #1/5/2024#)");
    writeRaw("UPDATE t SET d = '2024-01-05 00:00:00'");
    TADOTable table(connection, "ADOTable1");
    table.SetTableName("t");
    table.Open();
    EXPECT_EQ(table.FieldByName("d").AsString(), "2024-01-05 00:00:00");  // read as stored
    EXPECT_TRUE(table.Locate("d", Variant("2024-01-05")));
    EXPECT_TRUE(table.Locate("d;n", {Variant("05.01.2024"), Variant(1)}));
    EXPECT_FALSE(table.Locate("d", Variant("2024-01-06")));
}

} // namespace
} // namespace upd::db::testing
