// Access's column types kept on every path that writes (statements and table objects): the
// ranges of the number types, text lengths, Yes/No as -1/0, dates in one stored form and
// refused when they are no date; and Access's + on texts.
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
    for (const char* value : {"#1/5/2024 0:00#", "#1/5/2024#", "#2024-01-05 00:00:00#", "'2024-01-05 00:00:00'", "'05.01.2024'"})
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

    EXPECT_EQ(rows("SELECT count(*) FROM t WHERE d = #1/5/2024#"), "7");
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

struct WriteCase {
    const char* sql;
    std::optional<DbErrc> error;  // else the statement stores the row
    const char* stored;           // "SELECT n, s, b, f, d, v, x FROM t" afterwards
};

TEST_F(AccessTypes, StatementsStoreOnlyWhatTheColumnTakes) {
    const WriteCase cases[] = {
        {"INSERT INTO t (n) VALUES ('abc')", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (n) VALUES ('')", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (n) VALUES (3e9)", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (n) VALUES (2147483648)", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (n) VALUES (-2147483648)", std::nullopt, "-2147483648|NULL|NULL|False|NULL|NULL|NULL"},
        {"INSERT INTO t (n) VALUES (' 12 ')", std::nullopt, "12|NULL|NULL|False|NULL|NULL|NULL"},
        {"INSERT INTO t (s) VALUES (32768)", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (s) VALUES (-32768)", std::nullopt, "NULL|-32768|NULL|False|NULL|NULL|NULL"},
        {"INSERT INTO t (b) VALUES (300)", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (b) VALUES (-5)", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (b) VALUES (255)", std::nullopt, "NULL|NULL|255|False|NULL|NULL|NULL"},
        {"INSERT INTO t (f) VALUES (5)", std::nullopt, "NULL|NULL|NULL|True|NULL|NULL|NULL"},
        {"INSERT INTO t (f) VALUES ('abc')", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (d) VALUES ('not a date')", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (d) VALUES ('31.02.2024')", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (v) VALUES ('abcdef')", DbErrc::ValueTooLong, ""},
        {"INSERT INTO t (v) VALUES (123456)", DbErrc::ValueTooLong, ""},
        {"INSERT INTO t (v) VALUES ('абвгд')", std::nullopt, "NULL|NULL|NULL|False|NULL|абвгд|NULL"},
        {"INSERT INTO t (x) VALUES ('1,5')", std::nullopt, "NULL|NULL|NULL|False|NULL|NULL|1.5"},  // the Russian decimal comma
        {"INSERT INTO t (x) VALUES ('x1')", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (x) VALUES ('2.5')", std::nullopt, "NULL|NULL|NULL|False|NULL|NULL|2.5"},
        {"INSERT INTO t (n, v, f) VALUES (1, 'a', true), (2, 'bbbbbb', false)", DbErrc::ValueTooLong, ""},
        // Every form of INSERT and UPDATE: without a column list, from a SELECT, several rows.
        {"INSERT INTO t VALUES (NULL, 1, 2, 3, true, #1/5/2024#, 'a', 1.5, 'm')", std::nullopt,
         "1|2|3|True|2024-01-05|a|1.5"},
        {"INSERT INTO t VALUES (NULL, 1, 2, 300, true, #1/5/2024#, 'a', 1.5, 'm')", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (b, v) SELECT 256, 'a'", DbErrc::TypeMismatch, ""},
        {"INSERT INTO t (b, v) SELECT 7, 'a' UNION ALL SELECT 8, 'b' ORDER BY 1", std::nullopt,
         "NULL|NULL|7|False|NULL|a|NULL/NULL|NULL|8|False|NULL|b|NULL"},
        {"INSERT INTO [t] ([f], [d]) VALUES (-1, '2024-01-05 00:00:00')", std::nullopt,
         "NULL|NULL|NULL|True|2024-01-05|NULL|NULL"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.sql);
        exec("DELETE FROM t");
        const auto e = failure(c.sql);
        EXPECT_EQ(e ? std::optional<DbErrc>(e->code()) : std::nullopt, c.error) << (e ? e->what() : "stored");
        EXPECT_EQ(rows("SELECT n, s, b, f, d, v, x FROM t"), c.stored);  // a refused statement stores nothing
    }
}

TEST_F(AccessTypes, UpdatesStoreOnlyWhatTheColumnTakes) {
    exec("INSERT INTO t (n, b, v) VALUES (1, 10, 'a')");
    const std::pair<const char*, std::optional<DbErrc>> cases[] = {
        {"UPDATE t SET n = 'abc'", DbErrc::TypeMismatch},
        {"UPDATE t SET b = b + 250", DbErrc::TypeMismatch},
        {"UPDATE t SET v = v & 'bcdef' WHERE n = 1", DbErrc::ValueTooLong},
        {"UPDATE t SET n = 2, d = 'then' WHERE (b = 10)", DbErrc::TypeMismatch},
    };
    for (const auto& [sql, error] : cases) {
        SCOPED_TRACE(sql);
        const auto e = failure(sql);
        EXPECT_EQ(e ? std::optional<DbErrc>(e->code()) : std::nullopt, error);
        EXPECT_EQ(rows("SELECT n, b, v, d FROM t"), "1|10|a|NULL");
    }
    exec("UPDATE t SET b = b + 245, f = 7, d = #2/1/2024 0:00#, v = v & 'bcde' WHERE n = 1");
    EXPECT_EQ(rows("SELECT n, b, f, v, d FROM t WHERE f = -1 AND d = #2/1/2024#"), "1|255|True|abcde|2024-02-01");
}

TEST_F(AccessTypes, RefusalsNameTheValueOrTheColumn) {
    const std::pair<const char*, const char*> cases[] = {
        {"INSERT INTO t (n) VALUES ('abc')", "Несоответствие типа данных: значение 'abc' не является целым числом."},
        {"INSERT INTO t (b) VALUES (300)", "Несоответствие типа данных: значение '300' не является байтом (от 0 до 255)."},
        {"INSERT INTO t (d) VALUES ('not a date')", "Несоответствие типа данных: значение 'not a date' не является датой."},
        {"INSERT INTO t (v) VALUES ('abcdef')", "Поле 'v' слишком мало для вводимых данных (не более 5 знаков)."},
    };
    for (const auto& [sql, message] : cases) {
        SCOPED_TRACE(sql);
        const auto e = failure(sql);
        ASSERT_TRUE(e);
        EXPECT_STREQ(e->what(), message);
        ASSERT_EQ(connection.Errors().size(), 1u);
        EXPECT_EQ(connection.Errors()[0].Description, message);
    }
}

TEST_F(AccessTypes, TableObjectsStoreOnlyWhatTheColumnTakes) {
    TADOTable table(connection, "ADOTable1");
    table.SetTableName("t");
    table.Open();
    table.Append();
    for (int refused : {300, -5, 256}) {
        SCOPED_TRACE(refused);
        try {
            table.FieldByName("b").SetAsInteger(refused);
            FAIL();
        } catch (const DbError& e) {
            EXPECT_EQ(e.code(), DbErrc::TypeMismatch);
        }
    }
    table.FieldByName("b").SetAsInteger(255);
    table.FieldByName("f").SetAsBoolean(true);
    table.Post();
    EXPECT_EQ(table.FieldByName("b").AsInteger(), 255);
    EXPECT_TRUE(table.FieldByName("f").AsBoolean());
    table.Append();
    table.FieldByName("f").SetAsString("нет");
    table.Post();
    table.Close();
    EXPECT_EQ(rows("SELECT id, b FROM t WHERE f = -1"), "1|255");  // True is Access's -1
    EXPECT_EQ(rows("SELECT id FROM t WHERE f = true"), "1");
    EXPECT_EQ(rows("SELECT id FROM t WHERE f = false"), "2");
}

TEST_F(AccessTypes, YesNoAnEarlierBuildStoredAsOneStillReadsTrue) {
    exec("INSERT INTO t (n, f) VALUES (1, true)");
    exec("INSERT INTO t (n, f) VALUES (2, false)");
    writeRaw("UPDATE t SET f = 1 WHERE n = 1");
    EXPECT_EQ(rows("SELECT n, f FROM t ORDER BY n"), "1|True/2|False");
    EXPECT_EQ(rows("SELECT n FROM t WHERE f <> false"), "1");
    TADOTable table(connection, "ADOTable1");
    table.SetTableName("t");
    table.Open();
    EXPECT_TRUE(table.FieldByName("f").AsBoolean());
    EXPECT_TRUE(table.Locate("f", Variant(true)));
    EXPECT_EQ(table.FieldByName("n").AsInteger(), 1);
}

TEST_F(AccessTypes, AlteringAColumnKeepsItsNewTypesRule) {
    exec("INSERT INTO t (n, v, m) VALUES (300, 'abc', '05.01.2024 10:30')");
    const std::pair<const char*, const char*> refused[] = {
        {"ALTER TABLE t ALTER COLUMN n BYTE", "Данные поля 'n' не могут быть преобразованы в новый тип; таблица не изменена."},
        {"ALTER TABLE t ALTER COLUMN v DATETIME", "Данные поля 'v' не могут быть преобразованы в новый тип; таблица не изменена."},
    };
    for (const auto& [sql, message] : refused) {
        SCOPED_TRACE(sql);
        const auto e = failure(sql);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->code(), DbErrc::TypeMismatch);
        EXPECT_STREQ(e->what(), message);
    }
    EXPECT_EQ(rows("SELECT n, v, m FROM t"), "300|abc|05.01.2024 10:30");  // the table as it was
    exec("ALTER TABLE t ALTER COLUMN m DATETIME");
    EXPECT_EQ(rows("SELECT m FROM t WHERE m = #1/5/2024 10:30#"), "2024-01-05 10:30:00");
    exec("UPDATE t SET n = 255");
    exec("ALTER TABLE t ALTER COLUMN n BYTE");
    EXPECT_EQ(rows("SELECT n FROM t"), "255");
}

TEST_F(AccessTypes, PlusJoinsTextsAndAddsNumbers) {
    exec("INSERT INTO t (n, v, x) VALUES (4, 'ab', 0.5)");
    const std::pair<const char*, const char*> cases[] = {
        {"'a' + 'x'", "ax"},
        {"v + 'c' + v", "abcab"},
        {"'x' & 'a' + 'b'", "xab"},  // + before &, as in Access
        {"v + NULL", "NULL"},
        {"1 + 2", "3"},
        {"'1' + 2", "3"},
        {"n + x", "4.5"},
        {"2 * 3 + 1", "7"},
        {"1 + 2 * 3", "7"},
        {"(1 + 2) * 3", "9"},
        {"10 - 2 + 1", "9"},
        {"1 + 2 - 10", "-7"},
        {"-1 + +3", "2"},
        {"abs(-2) + t.n", "6"},
        {"(v + 'c') & (1 + 1)", "abc2"},
        {"9223372036854775807 + 1", "9.223372036854776e+18"},
    };
    for (const auto& [expression, value] : cases) {
        SCOPED_TRACE(expression);
        EXPECT_EQ(rows(std::string("SELECT ") + expression + " AS r FROM t"), value);
    }
    const auto e = failure("UPDATE t SET x = v + 1");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->code(), DbErrc::TypeMismatch);
}

} // namespace
} // namespace upd::db::testing
