#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <string>

#include "com/DateText.h"
#include "data/DataErrors.h"
#include "data/OdbcRecordset.h"
#include "data/SqliteRecordset.h"
#include "support/OdbcTestSupport.h"
#include "support/TestPaths.h"

namespace tavlora::data {
namespace {

using com::Variant;
using com::VarType;

std::string errorOf(const std::string& connection, const std::string& sql) {
    try {
        auto rst = OdbcRecordset::open(connection, sql);
        for (; !rst->Eof(); rst->MoveNext()) {
            for (int32_t i = 0; i < rst->FieldCount(); ++i) rst->FieldValue(i);
        }
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), hr::kQueryFailed) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "no error for " << sql;
    return "";
}

Variant dateOf(const char* text) {
    double serial = 0;
    EXPECT_TRUE(com::parseDateText(text, serial)) << text;
    return Variant::date(serial);
}

// Every type the fillers see, from one PostgreSQL table.
class PostgresRecordsetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string whyNot;
        auto connection = test::postgresConnection(whyNot);
        if (!connection) return;
        test::odbcExecute(*connection,
                          "DROP TABLE IF EXISTS odbc_types;"
                          "CREATE TABLE odbc_types(id int4, small int2, big int8, ratio float8, amount numeric(19,4),"
                          " fine numeric(20,6), huge numeric(40,2), day date, moment timestamp, clock time,"
                          " flag boolean, name text, short varchar(8), raw bytea);"
                          "INSERT INTO odbc_types VALUES"
                          " (1, -32768, 2147483647, 2.5, 1234.5678, 1.5, 12.25, '2024-02-29', '2024-02-29 13:45:30',"
                          "  '06:00:00', true, 'Äpfel 苹果 😀', 'Grüße', '\\x616263'),"
                          " (2, 7, 2147483648, -0.125, -922337203685477.5808, 0.000001, 1e30, '1899-12-30',"
                          "  '1800-01-01 06:00:00', '23:59:59', false, '', 'x', '\\xff00'),"
                          " (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);");
    }

    std::shared_ptr<OdbcRecordset> query(const std::string& connection, const std::string& sql, size_t block = 1024) {
        return OdbcRecordset::open(connection, sql, block);
    }
};

TEST_F(PostgresRecordsetTest, MapsEveryColumnTypeAsTheFillersReadThem) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    auto rst = query(connection, "SELECT * FROM odbc_types ORDER BY id");
    Fields f = rst->Fields();
    ASSERT_EQ(f.Count(), 14);
    EXPECT_EQ(f.Item(12).Name(), "short");

    ASSERT_FALSE(rst->Eof());
    EXPECT_EQ(f.Item("id").Value(), Variant(int32_t{1}));
    EXPECT_EQ(f.Item("small").Value(), Variant(int32_t{-32768}));
    EXPECT_EQ(f.Item("big").Value(), Variant(int32_t{2147483647})) << "an int8 that fits 32 bits is a Long";
    EXPECT_EQ(f.Item("ratio").Value(), Variant(2.5));
    EXPECT_EQ(f.Item("amount").Value(), Variant::currency(12345678));
    EXPECT_EQ(f.Item("fine").Value(), Variant::currency(15000)) << "exact at 4 decimals though the column has 6";
    EXPECT_EQ(f.Item("huge").Value(), Variant::currency(122500));
    EXPECT_EQ(f.Item("day").Value(), dateOf("2024-02-29"));
    EXPECT_EQ(f.Item("moment").Value(), dateOf("2024-02-29 13:45:30"));
    EXPECT_EQ(f.Item("clock").Value(), Variant::date(0.25));
    EXPECT_EQ(f.Item("flag").Value(), Variant(true));
    EXPECT_EQ(f.Item("name").Value(), Variant("Äpfel 苹果 😀"));
    EXPECT_EQ(f.Item("short").Value(), Variant("Grüße"));
    EXPECT_EQ(f.Item("raw").Value(), Variant("abc"));

    rst->MoveNext();
    EXPECT_EQ(f.Item("big").Value(), Variant(int64_t{2147483648LL}));
    EXPECT_EQ(f.Item("ratio").Value(), Variant(-0.125));
    EXPECT_EQ(f.Item("amount").Value(), Variant::currency(INT64_MIN)) << "the smallest Currency";
    EXPECT_EQ(f.Item("fine").Value(), Variant(0.000001)) << "a sixth decimal does not fit Currency";
    EXPECT_EQ(f.Item("huge").Value(), Variant(1e30)) << "beyond Currency's range";
    EXPECT_EQ(f.Item("day").Value(), Variant::date(0));
    EXPECT_EQ(f.Item("moment").Value(), dateOf("1800-01-01 06:00:00")) << "before 1899 the time still counts forward";
    EXPECT_EQ(f.Item("flag").Value(), Variant(false));
    EXPECT_EQ(f.Item("name").Value(), Variant(""));
    EXPECT_EQ(f.Item("raw").Value(), Variant(std::string("\xEF\xBF\xBD") + std::string(1, '\0')))
        << "binary as SQLite gives it: bytes read as UTF-8, a bad byte as U+FFFD";

    rst->MoveNext();
    for (int32_t i = 1; i < f.Count(); ++i) EXPECT_TRUE(f.Item(i).Value().isNull()) << f.Item(i).Name();

    rst->MoveNext();
    EXPECT_TRUE(rst->Eof());
    EXPECT_THROW(f.Item(0).Value(), com::Error);
    EXPECT_THROW(rst->MoveNext(), com::Error);
}

TEST_F(PostgresRecordsetTest, BooleansHandedOverAsTextStillReadAsBooleans) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    // The driver's default: booleans arrive as the text '1'/'0'; only bool columns turn Boolean.
    auto rst = query(connection + ";BoolsAsChar=1", "SELECT flag, '1'::text AS one FROM odbc_types ORDER BY id");
    EXPECT_EQ(rst->FieldValue(0), Variant(true));
    EXPECT_EQ(rst->FieldValue(1), Variant("1"));
    rst->MoveNext();
    EXPECT_EQ(rst->FieldValue(0), Variant(false));
    rst->MoveNext();
    EXPECT_TRUE(rst->FieldValue(0).isNull());
}

TEST_F(PostgresRecordsetTest, AnEmptyResultStandsAtEofWithItsFields) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    auto rst = query(connection, "SELECT id AS \"Nummer\", name FROM odbc_types WHERE id < 0");
    EXPECT_TRUE(rst->Eof());
    ASSERT_EQ(rst->FieldCount(), 2);
    EXPECT_EQ(rst->FieldName(0), "Nummer") << "names as the driver reports them";
    EXPECT_EQ(rst->FindField("NUMMER"), 0);
    EXPECT_THROW(rst->MoveNext(), com::Error);
}

TEST_F(PostgresRecordsetTest, StreamsManyRowsAcrossBlocks) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    const char* sql = "SELECT g AS n, 'row ' || g AS label, g * 0.5 AS half FROM generate_series(1, 100000) g";
    for (size_t block : {size_t{1024}, size_t{7}}) {
        auto rst = query(connection, sql, block);
        int64_t rows = 0, sum = 0;
        for (; !rst->Eof(); rst->MoveNext()) {
            ++rows;
            const int32_t n = rst->FieldValue(0).asInt32();
            sum += n;
            ASSERT_EQ(n, rows) << "rows in order, none lost or repeated (block " << block << ")";
            if (n % 9973 == 0) {
                EXPECT_EQ(rst->FieldValue(1), Variant("row " + std::to_string(n)));
                EXPECT_EQ(rst->FieldValue(2), Variant::currency(int64_t{n} * 5000));
            }
        }
        EXPECT_EQ(rows, 100000);
        EXPECT_EQ(sum, int64_t{100000} * 100001 / 2);
    }
}

TEST_F(PostgresRecordsetTest, DriverFailuresCarryTheSqlstateAndNeverThePassword) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    const std::string wrongPassword = connection.substr(0, connection.find("Pwd=")) + "Pwd=not-the-password;";
    std::string message = errorOf(wrongPassword, "SELECT 1");
    EXPECT_NE(message.find("cannot connect"), std::string::npos) << message;
    EXPECT_NE(message.find("password authentication failed"), std::string::npos) << message;
    EXPECT_NE(message.find(": [08001] "), std::string::npos) << "the driver's SQLSTATE: " << message;
    EXPECT_EQ(message.find("not-the-password"), std::string::npos) << "a password never shows: " << message;

    message = errorOf(connection, "SELECT * FROM no_such_table");
    EXPECT_NE(message.find("42P01"), std::string::npos) << message;
    EXPECT_NE(message.find("no_such_table"), std::string::npos) << message;

    message = errorOf(connection, "SELECT 1 +");
    EXPECT_NE(message.find("42601"), std::string::npos) << message;

    message = errorOf(connection, "SET search_path TO public");
    EXPECT_NE(message.find("no SELECT"), std::string::npos) << message;

    message = errorOf(connection, "SELECT repeat('x', 70000) AS essay");
    EXPECT_NE(message.find("\"essay\""), std::string::npos) << "a value never gets cut silently: " << message;
    EXPECT_NE(message.find("too long"), std::string::npos) << message;
}

TEST_F(PostgresRecordsetTest, AQueryThatChangesDataLeavesTheDatabaseAsItWas) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    test::odbcExecute(connection, "DROP TABLE IF EXISTS odbc_kept; CREATE TABLE odbc_kept AS SELECT g FROM generate_series(1, 5) g");
    {
        auto rst = query(connection, "DELETE FROM odbc_kept WHERE g > 2 RETURNING g");
        int rows = 0;
        for (; !rst->Eof(); rst->MoveNext()) ++rows;
        EXPECT_EQ(rows, 3) << "the rows the statement gives are read";
    }
    EXPECT_NE(errorOf(connection, "DELETE FROM odbc_kept").find("no SELECT"), std::string::npos);
    auto count = query(connection, "SELECT count(*) FROM odbc_kept");
    EXPECT_EQ(count->FieldValue(0), Variant(int32_t{5})) << "nothing the user had is lost";
}

TEST_F(PostgresRecordsetTest, ALongTextWithinTheLimitArrivesWhole) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    auto rst = query(connection, "SELECT repeat('ä', 20000) AS essay");
    EXPECT_EQ(rst->FieldValue(0).asString().size(), 40000u);
}

TEST_F(PostgresRecordsetTest, ALostConnectionMidQueryIsAnError) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    // Rows come from the server as they are fetched here, so the loss is met while reading.
    auto rst = query(connection + ";UseDeclareFetch=1;Fetch=100",
                     "SELECT pg_backend_pid() AS pid, g FROM generate_series(1, 100000) g", 50);
    const int32_t pid = rst->FieldValue(0).asInt32();
    test::odbcExecute(connection, "SELECT pg_terminate_backend(" + std::to_string(pid) + ")");
    try {
        while (!rst->Eof()) rst->MoveNext();
        FAIL() << "the rows ran to the end though the connection was closed";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), hr::kQueryFailed);
        EXPECT_NE(std::string(e.what()).find("reading the next rows failed: ["), std::string::npos) << e.what();
    }
    EXPECT_TRUE(rst->Eof()) << "a failed fetch leaves no current row";
}

TEST(OdbcRecordsetTest, AnUnknownDataSourceIsTheDriverManagersError) {
    std::string message = errorOf("DSN=tavlora_no_such_source", "SELECT 1");
    EXPECT_NE(message.find("IM002"), std::string::npos) << message;
}

// The same SQLite file through its ODBC driver and through SQLite itself gives the same values.
TEST(OdbcRecordsetTest, SqliteThroughOdbcReadsAsSqliteItself) {
    test::TempDir dir;
    const std::string file = dir.file("same.db").string();
    std::string whyNot;
    auto connection = test::sqliteOdbcConnection(file, whyNot);
    if (!connection) GTEST_SKIP() << whyNot;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE t(id INTEGER, name TEXT, price REAL, note TEXT, big INTEGER);"
                           "INSERT INTO t VALUES(1, 'Äpfel 苹果', 2.5, NULL, 2147483648);"
                           "INSERT INTO t VALUES(2, 'Birnen', -0.125, 'ok', -5);"
                           "WITH RECURSIVE n(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)"
                           " INSERT INTO t SELECT i, 'item ' || i, i / 4.0, NULL, i * 1000000000 FROM n;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    const char* sql = "SELECT id, name, price, note, big FROM t ORDER BY id";
    auto viaOdbc = OdbcRecordset::open(*connection, sql, 64);
    auto direct = SqliteRecordset::open(file, sql);
    ASSERT_EQ(viaOdbc->FieldCount(), direct->FieldCount());
    for (int32_t i = 0; i < direct->FieldCount(); ++i) EXPECT_EQ(viaOdbc->FieldName(i), direct->FieldName(i));
    int rows = 0;
    for (; !direct->Eof(); direct->MoveNext(), viaOdbc->MoveNext(), ++rows) {
        ASSERT_FALSE(viaOdbc->Eof()) << "row " << rows;
        for (int32_t i = 0; i < direct->FieldCount(); ++i)
            ASSERT_EQ(viaOdbc->FieldValue(i), direct->FieldValue(i)) << "row " << rows << " field " << i;
    }
    EXPECT_TRUE(viaOdbc->Eof());
    EXPECT_EQ(rows, 2000);

    auto empty = OdbcRecordset::open(*connection, "SELECT id, name FROM t WHERE id < 0");
    EXPECT_TRUE(empty->Eof());
    EXPECT_EQ(empty->FieldName(1), "name");
    const std::string message = errorOf(*connection, "SELECT * FROM no_such_table");
    EXPECT_NE(message.find("the query cannot run: ["), std::string::npos) << message;
    EXPECT_NE(message.find("no_such_table"), std::string::npos) << message;
}

}  // namespace
}  // namespace tavlora::data
