#include <sqlite3.h>

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <string>

#include "data/DataErrors.h"
#include "data/SqliteRecordset.h"
#include "support/TestPaths.h"

namespace tavlora::data {
namespace {

using com::Variant;

// A database file built for one test, with its own connection closed before the test reads it.
class SqliteRecordsetTest : public ::testing::Test {
protected:
    void SetUp() override {
        database_ = dir_.file("report.db").string();
        execute(
            "CREATE TABLE items(id INTEGER, name TEXT, price REAL, note TEXT, big INTEGER, raw BLOB);"
            "INSERT INTO items VALUES(1, 'Äpfel 苹果', 2.5, NULL, 2147483647, x'616263');"
            "INSERT INTO items VALUES(2, 'Birnen', -0.125, 'ok', 2147483648, x'ff00');"
            "INSERT INTO items VALUES(3, 'Kirschen', 1e300, '', -9223372036854775808, NULL);");
    }

    void execute(const char* sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(database_.c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
        std::string message = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(db);
        ASSERT_EQ(rc, SQLITE_OK) << message;
    }

    std::shared_ptr<SqliteRecordset> query(const std::string& sql) { return SqliteRecordset::open(database_, sql); }

    std::string errorOf(const std::string& file, const std::string& sql) {
        try {
            SqliteRecordset::open(file, sql);
        } catch (const com::Error& e) {
            EXPECT_EQ(e.code(), hr::kQueryFailed);
            return e.what();
        }
        ADD_FAILURE() << "no error for " << sql;
        return "";
    }

    test::TempDir dir_;
    std::string database_;
};

TEST_F(SqliteRecordsetTest, ReadsEveryRowWithTheColumnTypesMapped) {
    auto rst = query("SELECT id, name, price, note, big FROM items ORDER BY id");
    Fields fields = rst->Fields();
    ASSERT_EQ(fields.Count(), 5);

    ASSERT_FALSE(rst->Eof());
    EXPECT_EQ(fields.Item("ID").Value(), Variant(int32_t{1}));
    EXPECT_EQ(fields.Item("name").Value(), Variant("Äpfel 苹果"));
    EXPECT_EQ(fields.Item("price").Value(), Variant(2.5));
    EXPECT_TRUE(fields.Item("note").Value().isNull());
    EXPECT_EQ(fields.Item("big").Value(), Variant(int32_t{INT32_MAX})) << "the largest value that fits 32 bits";

    rst->MoveNext();
    EXPECT_EQ(fields.Item("price").Value(), Variant(-0.125));
    EXPECT_EQ(fields.Item("big").Value(), Variant(int64_t{2147483648LL}));

    rst->MoveNext();
    EXPECT_EQ(fields.Item("price").Value(), Variant(1e300));
    EXPECT_EQ(fields.Item("note").Value(), Variant(""));
    EXPECT_EQ(fields.Item("big").Value(), Variant(int64_t{INT64_MIN}));

    rst->MoveNext();
    EXPECT_TRUE(rst->Eof());
    EXPECT_THROW(rst->MoveNext(), com::Error);
}

TEST_F(SqliteRecordsetTest, FieldNamesAreTheColumnNamesSqliteReports) {
    auto rst = query("SELECT id AS \"Item No\", name, price * 2, 'x' FROM items");
    Fields fields = rst->Fields();
    ASSERT_EQ(fields.Count(), 4);
    EXPECT_EQ(fields.Item(0).Name(), "Item No");
    EXPECT_EQ(fields.Item(1).Name(), "name");
    EXPECT_EQ(fields.Item(2).Name(), "price * 2");
    EXPECT_EQ(fields.Item(3).Name(), "'x'");
}

TEST_F(SqliteRecordsetTest, EmptyResultIsAtEofWithItsFields) {
    auto rst = query("SELECT id, name FROM items WHERE id > 100");
    EXPECT_TRUE(rst->Eof());
    EXPECT_EQ(rst->Fields().Count(), 2);
    EXPECT_THROW(rst->Fields().Item(0).Value(), com::Error);
}

TEST_F(SqliteRecordsetTest, BlobsReadAsUtf8TextWithBadBytesReplaced) {
    auto rst = query("SELECT raw FROM items ORDER BY id");
    EXPECT_EQ(rst->Fields().Item(0).Value(), Variant("abc"));
    rst->MoveNext();
    EXPECT_EQ(rst->Fields().Item(0).Value(), Variant(std::string("\xEF\xBF\xBD") + std::string(1, '\0')));
    rst->MoveNext();
    EXPECT_TRUE(rst->Fields().Item(0).Value().isNull());
}

TEST_F(SqliteRecordsetTest, TextThatIsNotUtf8IsRepaired) {
    auto rst = query("SELECT CAST(x'41e94243' AS TEXT)");
    EXPECT_EQ(rst->Fields().Item(0).Value(), Variant("A\xEF\xBF\xBD" "BC"));
}

TEST_F(SqliteRecordsetTest, AFailingRowFailsOnlyWhenTheCursorReachesIt) {
    // A later row that fails to compute only fails when the cursor reaches it, though rows are read
    // ahead of the cursor (no ORDER BY: a sort would compute every row before the first).
    auto rst = query("SELECT id, CASE WHEN id = 3 THEN abs(-9223372036854775807 - 1) ELSE id END FROM items");
    EXPECT_EQ(rst->Fields().Item(1).Value(), Variant(int32_t{1}));
    rst->MoveNext();
    try {
        rst->MoveNext();
        FAIL() << "no error at the failing row";
    } catch (const com::Error& e) {
        EXPECT_NE(std::string(e.what()).find("integer overflow"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(rst->Eof());
}

// Rows 1..count of a query that needs no table: past the first rows, these are read ahead of the
// cursor on another thread.
std::string numbered(int count, const std::string& columns) {
    return "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count) +
           ") SELECT " + columns + " FROM n";
}

TEST_F(SqliteRecordsetTest, RowsReadAheadArriveWholeAndInOrder) {
    for (int count : {1, 63, 64, 65, 576, 577, 5000}) {
        auto rst = query(numbered(count, "i, 'row ' || i, i * 0.25"));
        Fields fields = rst->Fields();
        int seen = 0;
        for (; !rst->Eof(); rst->MoveNext()) {
            ++seen;
            ASSERT_EQ(fields.Item(0).Value(), Variant(int32_t{seen})) << count;
            ASSERT_EQ(fields.Item(1).Value(), Variant("row " + std::to_string(seen)));
            ASSERT_EQ(fields.Item(2).Value(), Variant(seen * 0.25));
        }
        EXPECT_EQ(seen, count);
        EXPECT_THROW(rst->MoveNext(), com::Error);
    }
}

// The batches come back to the reading thread and are filled again: a lent value is the row's own
// in every batch, texts longer than a string keeps in place included, and the lending refuses what
// FieldValue refuses.
TEST_F(SqliteRecordsetTest, LentValuesAreTheRowsOwnInReusedBatches) {
    auto rst = query(numbered(3000, "i, printf('a text longer than fifteen bytes, row %d', i)"));
    Variant holder;
    int seen = 0;
    for (; !rst->Eof(); rst->MoveNext()) {
        ++seen;
        ASSERT_EQ(rst->LendFieldValue(0, holder), Variant(int32_t{seen}));
        const Variant& text = rst->LendFieldValue(1, holder);
        ASSERT_EQ(text, Variant("a text longer than fifteen bytes, row " + std::to_string(seen)));
        ASSERT_EQ(text, rst->FieldValue(1));
    }
    EXPECT_EQ(seen, 3000);
    EXPECT_THROW(rst->LendFieldValue(0, holder), com::Error);
    auto open = query(numbered(3, "i"));
    EXPECT_THROW(open->LendFieldValue(1, holder), com::Error);
}

TEST_F(SqliteRecordsetTest, AFailureFarAheadKeepsTheRowsBeforeIt) {
    auto rst = query(numbered(3000, "i, CASE WHEN i = 2500 THEN abs(-9223372036854775807 - 1) ELSE i END"));
    for (int row = 1; row < 2500; ++row) {
        ASSERT_FALSE(rst->Eof());
        ASSERT_EQ(rst->Fields().Item(1).Value(), Variant(int32_t{row}));
        if (row < 2499) rst->MoveNext();
    }
    try {
        rst->MoveNext();
        FAIL() << "no error at the failing row";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), hr::kQueryFailed);
        EXPECT_NE(std::string(e.what()).find("integer overflow"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(rst->Eof());
}

// A recordset dropped midway stops its reading thread: a query without end neither hangs the
// close nor fills the memory.
TEST_F(SqliteRecordsetTest, ClosingMidwayStopsTheReading) {
    auto rst = query("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i, zeroblob(1000) FROM n");
    for (int row = 1; row <= 2000; ++row) {
        ASSERT_EQ(rst->Fields().Item(0).Value(), Variant(int32_t{row}));
        rst->MoveNext();
    }
    rst.reset();
}

TEST_F(SqliteRecordsetTest, DatabaseIsOpenedReadOnly) {
    std::string message = errorOf(database_, "DELETE FROM items");
    EXPECT_NE(message.find("readonly"), std::string::npos) << message;
    auto rst = query("SELECT count(*) FROM items");
    EXPECT_EQ(rst->Fields().Item(0).Value(), Variant(int32_t{3}));
}

TEST_F(SqliteRecordsetTest, QueryErrorsCarrySqlitesMessage) {
    EXPECT_NE(errorOf(database_, "SELECT nope FROM items").find("no such column: nope"), std::string::npos);
    EXPECT_NE(errorOf(database_, "SELEC 1").find("syntax error"), std::string::npos);
    EXPECT_NE(errorOf(database_, "").find("no statement"), std::string::npos);
    EXPECT_NE(errorOf(database_, "SELECT 1; SELECT 2").find("more than one statement"), std::string::npos);
    EXPECT_NO_THROW(query("SELECT 1; -- trailing comment"));
}

TEST_F(SqliteRecordsetTest, MissingFileIsAnErrorAndNotCreated) {
    auto missing = dir_.file("absent.db");
    std::string message = errorOf(missing.string(), "SELECT 1");
    EXPECT_NE(message.find("unable to open database file"), std::string::npos) << message;
    EXPECT_NE(message.find("absent.db"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(SqliteRecordsetTest, FileThatIsNotADatabaseIsAnError) {
    auto text = dir_.file("notes.db");
    { std::ofstream(text) << "this is not a database, just some words in a file that is long enough"; }
    EXPECT_NE(errorOf(text.string(), "SELECT * FROM items").find("not a database"), std::string::npos);
}

TEST_F(SqliteRecordsetTest, AutomationClientReadsTheSameRows) {
    auto rst = query("SELECT name FROM items ORDER BY id");
    com::Dispatch& recordset = *rst->toVariant().asObject();
    Variant field = recordset.get("Fields").asObject()->call("Item", {Variant("NAME")});
    std::vector<std::string> names;
    while (!recordset.get("EOF").asBool()) {
        names.push_back(field.asObject()->get("Value").asString());
        recordset.call("MoveNext");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Äpfel 苹果", "Birnen", "Kirschen"}));
}

}  // namespace
}  // namespace tavlora::data
