// The ODBC engine's parts that need no driver: connection strings, the reading of a driver's
// diagnostics and column types (Access's driver's among them), and the choice of engine.
#include "db/engine_choice.h"
#include "db/odbc_connection_string.h"
#include "db/odbc_handle.h"
#include "db/odbc_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace upd::db::odbc {
namespace {

TEST(OdbcConnectionString, FileAndPasswordByDriver) {
    struct Case {
        const char* driver;
        const char* path;
        const char* password;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {kAccessDriver, "C:\\Автошкола\\base\\MainBase.accdb", "Qw7RtYp3LmZx9VbN",
         "Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=C:\\Автошкола\\base\\MainBase.accdb;PWD=Qw7RtYp3LmZx9VbN;"},
        {kAccessDriver, "C:\\a\\b.accdb", "", "Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=C:\\a\\b.accdb;PWD=;"},
        // ";" and "=" in the path or the password stay inside braces, "}" doubled.
        {kAccessDriver, "C:\\a;b=c\\d.accdb", "p}w;d",
         "Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ={C:\\a;b=c\\d.accdb};PWD={p}}w;d};"},
        {kAccessDriver, " C:\\x.accdb", "{pw", "Driver={Microsoft Access Driver (*.mdb, *.accdb)};DBQ={ C:\\x.accdb};PWD={{pw};"},
        // SQLite's driver: no password, and no quoting to put such a path in.
        {kSqliteDriver, "/tmp/база.accdb", "Qw7", "Driver={SQLite3};Database=/tmp/база.accdb;"},
        {kSqliteDriver, "/tmp/a;b.accdb", "", std::nullopt},
        {kSqliteDriver, "/tmp/{a}.accdb", "", std::nullopt},
        {"Other Driver", "/x.db", "pw", "Driver={Other Driver};DBQ=/x.db;PWD=pw;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.driver) + " " + c.path);
        EXPECT_EQ(connectionString(c.driver, c.path, c.password), c.expected);
    }
}

TEST(OdbcConnectionString, OnlyAccessDriverTakesAccessSqlUntranslated) {
    EXPECT_EQ(dialectOf(kAccessDriver), Dialect::Access);
    EXPECT_EQ(dialectOf(" microsoft access driver (*.MDB, *.ACCDB) "), Dialect::Access);
    EXPECT_EQ(dialectOf(kSqliteDriver), Dialect::Sqlite);
    EXPECT_EQ(dialectOf("Microsoft Access Driver (*.mdb)"), Dialect::Sqlite);
    EXPECT_EQ(dialectOf("PostgreSQL Unicode"), Dialect::Sqlite);
}

TEST(OdbcDiagnostics, CodesAndTheDatabasesOwnText) {
    struct Case {
        Diagnostic record;
        DbErrc code;
        const char* text;
    };
    const Case cases[] = {
        {{"HY000", -1905, "[Microsoft][ODBC Microsoft Access Driver] Not a valid password."}, DbErrc::WrongPassword,
         "Not a valid password."},
        {{"HY000", -1811, "[Microsoft][ODBC Microsoft Access Driver] Could not find file 'C:\\x.accdb'."},
         DbErrc::FileNotFound, "Could not find file 'C:\\x.accdb'."},
        {{"42S02", -1305,
          "[Microsoft][Драйвер ODBC Microsoft Access] Ядру СУБД Microsoft Access не удается найти входную таблицу или "
          "запрос 'nosuch'."},
         DbErrc::NoSuchTable,
         "Ядру СУБД Microsoft Access не удается найти входную таблицу или запрос 'nosuch'."},
        {{"42S22", -1, "[x] unknown field"}, DbErrc::NoSuchColumn, "unknown field"},
        {{"42S21", -1, "field exists"}, DbErrc::ColumnExists, "field exists"},
        {{"42000", -3100, "[Microsoft][ODBC] Syntax error in FROM clause."}, DbErrc::SyntaxError, "Syntax error in FROM clause."},
        {{"23000", -1605, "duplicate"}, DbErrc::ConstraintViolation, "duplicate"},
        {{"22001", 0, "too long"}, DbErrc::ValueTooLong, "too long"},
        {{"HY000", 1, "[SQLite]no such table: t (1)"}, DbErrc::NoSuchTable, "no such table: t (1)"},
        {{"HY000", 5, "[SQLite]database is locked (5)"}, DbErrc::Busy, "database is locked (5)"},
        {{"IM002", 0, "[unixODBC][Driver Manager]Data source name not found and no default driver specified"},
         DbErrc::Other, "Data source name not found and no default driver specified"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.record.message);
        const DbError e = errorOf({c.record, {"01000", 0, "second record"}}, "fallback");
        EXPECT_EQ(e.code(), c.code);
        EXPECT_EQ(e.description(), c.text);
        EXPECT_EQ(e.nativeError(), c.record.native);
    }
    EXPECT_EQ(errorOf({}, "fallback").description(), "fallback");
    EXPECT_EQ(errorOf({{"HY000", 0, "[only][prefixes]"}}, "fallback").description(), "fallback");
}

TEST(OdbcColumnTypes, AccessDriverByTypeSqliteDriverByDeclaredType) {
    struct Case {
        short sqlType;
        const char* typeName;
        bool autoIncrement;
        Dialect dialect;
        FieldType expected;
    };
    // The codes of sql.h, which this test does not include.
    constexpr short kChar = 1, kNumeric = 2, kInteger = 4, kSmallint = 5, kReal = 7, kDouble = 8, kVarchar = 12,
                    kTimestamp = 93, kLongvarchar = -1, kBinary = -2, kLongvarbinary = -4, kTinyint = -6, kBit = -7,
                    kWvarchar = -9, kWlongvarchar = -10, kGuid = -11;
    const Case cases[] = {
        {kInteger, "COUNTER", true, Dialect::Access, FieldType::AutoInc},
        {kInteger, "COUNTER", false, Dialect::Access, FieldType::AutoInc},
        {kInteger, "INTEGER", false, Dialect::Access, FieldType::Integer},
        {kSmallint, "SMALLINT", false, Dialect::Access, FieldType::SmallInt},
        {kTinyint, "BYTE", false, Dialect::Access, FieldType::SmallInt},
        {kBit, "BIT", false, Dialect::Access, FieldType::Boolean},
        {kWvarchar, "VARCHAR", false, Dialect::Access, FieldType::String},
        {kChar, "CHAR", false, Dialect::Access, FieldType::String},
        {kWlongvarchar, "LONGCHAR", false, Dialect::Access, FieldType::Memo},
        {kLongvarchar, "LONGCHAR", false, Dialect::Access, FieldType::Memo},
        {kTimestamp, "DATETIME", false, Dialect::Access, FieldType::DateTime},
        {kNumeric, "CURRENCY", false, Dialect::Access, FieldType::Currency},
        {kNumeric, "DECIMAL", false, Dialect::Access, FieldType::Float},
        {kDouble, "DOUBLE", false, Dialect::Access, FieldType::Float},
        {kReal, "REAL", false, Dialect::Access, FieldType::Float},
        {kGuid, "GUID", false, Dialect::Access, FieldType::Guid},
        {kLongvarbinary, "LONGBINARY", false, Dialect::Access, FieldType::Blob},
        {kBinary, "BINARY", false, Dialect::Access, FieldType::Blob},
        // SQLite's driver: the declared type decides, as in the SQLCipher engine.
        {kVarchar, "TEXT", false, Dialect::Sqlite, FieldType::Memo},
        {kVarchar, "varchar", false, Dialect::Sqlite, FieldType::String},
        {kInteger, "bit", false, Dialect::Sqlite, FieldType::Boolean},
        {kInteger, "INTEGER", true, Dialect::Sqlite, FieldType::AutoInc},
        {kVarchar, "", false, Dialect::Sqlite, FieldType::String},
        {kDouble, "weird", false, Dialect::Sqlite, FieldType::Float},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typeName) + " " + std::to_string(c.sqlType));
        ColumnDescription d;
        d.sqlType = c.sqlType;
        d.typeName = c.typeName;
        d.autoIncrement = c.autoIncrement;
        d.baseTable = "t";
        EXPECT_EQ(fieldTypeOf(d, c.dialect), c.expected);
    }
    // An expression: SQLite has no declared type for it, whatever the driver says.
    ColumnDescription expression;
    expression.sqlType = kInteger;
    expression.typeName = "INTEGER";
    EXPECT_EQ(fieldTypeOf(expression, Dialect::Sqlite), FieldType::Unknown);
    EXPECT_EQ(fieldTypeOf(expression, Dialect::Access), FieldType::Integer);
}

// Sets (or removes, for nullptr) an environment variable for the test's length.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~ScopedVariable() { set(old_ ? old_->c_str() : nullptr); }

private:
    void set(const char* value) {
#ifdef _WIN32
        _putenv_s(name_, value ? value : "");
#else
        value ? setenv(name_, value, 1) : unsetenv(name_);
#endif
    }
    const char* name_;
    std::optional<std::string> old_;
};

TEST(EngineChoice, CommandLineThenEnvironmentThenPlatform) {
    struct Case {
        const char* engine;
        const char* driver;
        const char* envEngine;
        const char* envDriver;
        EngineKind kind;
        const char* expectedDriver;
    };
    const EngineChoice platform = platformEngineChoice();
#ifdef _WIN32
    EXPECT_EQ(platform.kind, EngineKind::Odbc);
#else
    EXPECT_EQ(platform.kind, EngineKind::SqlCipher);
#endif
    EXPECT_EQ(platform.odbcDriver, kAccessDriver);
    const Case cases[] = {
        {"", "", nullptr, nullptr, platform.kind, kAccessDriver},
        {"odbc", "", nullptr, nullptr, EngineKind::Odbc, kAccessDriver},
        {"SQLCipher", "", "odbc", nullptr, EngineKind::SqlCipher, kAccessDriver},
        {"", "", "odbc", "SQLite3", EngineKind::Odbc, "SQLite3"},
        {"", "", "sqlcipher", "SQLite3", EngineKind::SqlCipher, "SQLite3"},
        // A driver named alone leaves the engine as it is.
        {"", "SQLite3", nullptr, nullptr, platform.kind, "SQLite3"},
        {"", "", nullptr, "SQLite3", platform.kind, "SQLite3"},
        {"odbc", "Other", "sqlcipher", "SQLite3", EngineKind::Odbc, "Other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.engine) + "/" + c.driver + "/" + (c.envEngine ? c.envEngine : "-") + "/" +
                     (c.envDriver ? c.envDriver : "-"));
        ScopedVariable engine(kDbEngineVariable, c.envEngine), driver(kOdbcDriverVariable, c.envDriver);
        const EngineChoice choice = resolveEngineChoice(c.engine, c.driver);
        EXPECT_EQ(choice.kind, c.kind);
        EXPECT_EQ(choice.odbcDriver, c.expectedDriver);
    }
    ScopedVariable engine(kDbEngineVariable, "access");
    try {
        resolveEngineChoice("", "");
        ADD_FAILURE() << "an unknown engine was taken";
    } catch (const DbError& e) {
        EXPECT_EQ(e.code(), DbErrc::Unsupported);
    }
}

} // namespace
} // namespace upd::db::odbc
