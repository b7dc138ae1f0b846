// The report runner over a PostgreSQL server through ODBC: the same report as from the SQLite
// file of the example, cell for cell, and a failing query reported with the driver's reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/OdbcTestSupport.h"
#include "support/TestPaths.h"
#include "support/ToolRun.h"

namespace tavlora {
namespace {

namespace fs = std::filesystem;
using test::kSalesExample;

// The example's data with the types a server database gives them: dates as dates, money as
// NUMERIC. Unquoted names fold to lower case there, so the queries name the fields.
const char* kServerData =
    "DROP TABLE IF EXISTS report_company, report_orders, report_monthly;"
    "CREATE TABLE report_company(company text, period text, region text, total numeric(12,2));"
    "INSERT INTO report_company VALUES ('Nordlicht Handel GmbH', 'Q1 2026', 'Europe', 48210.5);"
    "CREATE TABLE report_orders(orderno int4 PRIMARY KEY, orderdate date, customer text, product varchar(40),"
    " qty int2, amount numeric(12,2));"
    "INSERT INTO report_orders VALUES"
    " (1001, '2026-01-08', 'Müller & Söhne', 'Desk lamp', 12, 359.4),"
    " (1002, '2026-01-19', 'Café Zürich', 'Espresso cups', 48, 441.6),"
    " (1003, '2026-02-02', 'Østfold Tre AS', 'Oak shelf', 3, 1047),"
    " (1004, '2026-02-11', '東京商事', 'Paper trays', 100, 890),"
    " (1005, '2026-02-27', 'Lyon Bureau', 'Office chair', 6, 2154),"
    " (1006, '2026-03-05', 'Porto Lda', 'Whiteboard', 2, 0),"
    " (1007, '2026-03-17', 'Kraków Druk', 'Toner', 20, 1580.8),"
    " (1008, '2026-03-30', 'Nordlicht Handel', 'Standing desk', 4, 3196);"
    "CREATE TABLE report_monthly(month text, sales float8, cost float8, position int4);"
    "INSERT INTO report_monthly VALUES ('Jan', 14200, 9100, 1), ('Feb', 15350.5, 9800, 2), ('Mar', 18660, 11240, 3);";

struct Queries {
    std::string company, orders, monthly;
};

const Queries kSqliteQueries = {
    "SELECT Company, Period, Region, Total FROM company",
    "SELECT OrderNo, OrderDate, Customer, Product, Qty, Amount FROM order_list ORDER BY OrderNo",
    "SELECT Month, Sales, Cost FROM monthly",
};

const Queries kServerQueries = {
    R"(SELECT company AS \"Company\", period AS \"Period\", region AS \"Region\", total AS \"Total\" FROM report_company)",
    // A list writes values as text and keeps a date text as text: dates go as day numbers, as the
    // SQLite view gives them.
    R"(SELECT orderno AS \"OrderNo\", orderdate - DATE '1899-12-30' AS \"OrderDate\", customer AS \"Customer\",)"
    R"( product AS \"Product\",)"
    R"( qty AS \"Qty\", amount AS \"Amount\" FROM report_orders ORDER BY orderno)",
    R"(SELECT month AS \"Month\", sales AS \"Sales\", cost AS \"Cost\" FROM report_monthly ORDER BY position)",
};

std::string jsonText(const std::string& text) {
    std::string quoted;
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted;
}

// A batch list, a record table and a chart of the example's template from one source.
std::string job(const std::string& source, const Queries& q, const fs::path& output) {
    return R"({
  "template": ")" + (kSalesExample / "template.xlsx").string() + R"(",
  "output": ")" + output.string() + R"(",
  "sources": {"sales": )" + source + R"(},
  "steps": [
    {"record": "Cover", "source": "sales", "query": ")" + q.company + R"(", "values": {"Author": "Team"}},
    {"list": "Orders", "source": "sales", "query": ")" + q.orders + R"(", "values": {"ListTitle": "Orders"}},
    {"table": "Regions", "source": "sales", "query": ")" + q.orders + R"(", "title": "All orders", "row": 2},
    {"chart": "Chart", "name": "MonthlySales", "type": "column", "source": "sales", "query": ")" + q.monthly + R"(",
     "labels": "value", "title": "Sales and cost"}
  ]
})";
}

void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(OdbcReport, APostgresReportMatchesTheSqliteReportCellForCell) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    test::odbcExecute(connection, kServerData);
    test::TempDir dir;
    write(dir.file("sqlite.json"), job(R"({"sqlite": ")" + (kSalesExample / "sales.db").string() + R"("})", kSqliteQueries,
                                       dir.file("sqlite.xlsx")));
    write(dir.file("odbc.json"), job(R"({"odbc": ")" + jsonText(connection) + R"("})", kServerQueries,
                                     dir.file("odbc.xlsx")));
    auto fromSqlite = test::runProgram(TAVLORA_REPORT_TOOL, {dir.file("sqlite.json").string()});
    ASSERT_EQ(fromSqlite.status, 0) << fromSqlite.err;
    auto fromServer = test::runProgram(TAVLORA_REPORT_TOOL, {dir.file("odbc.json").string()});
    ASSERT_EQ(fromServer.status, 0) << fromServer.err;
    auto same = test::runProgram("/usr/bin/python3", {std::string(TAVLORA_SOURCE_DIR) + "/tests/server/compare_workbooks.py",
                                                      dir.file("sqlite.xlsx").string(), dir.file("odbc.xlsx").string()});
    EXPECT_EQ(same.status, 0) << same.out << same.err;
}

TEST(OdbcReport, AFailingServerQueryNamesTheStepAndTheDriversReason) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    test::TempDir dir;
    Queries bad = kServerQueries;
    bad.orders = "SELECT * FROM report_no_such_table";
    write(dir.file("job.json"), job(R"({"odbc": ")" + jsonText(connection) + R"("})", bad, dir.file("out.xlsx")));
    auto result = test::runProgram(TAVLORA_REPORT_TOOL, {dir.file("job.json").string()});
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.err.find("steps[1] (list 'Orders')"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("42P01"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir.file("out.xlsx")));
}

TEST(OdbcReport, LongServerListsReportTheirProgress) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    test::TempDir dir;
    write(dir.file("job.json"), R"({"template": ")" + (kSalesExample / "template.xlsx").string() + R"(",
  "output": ")" + dir.file("out.xlsx").string() + R"(",
  "sources": {"server": {"odbc": ")" + jsonText(connection) + R"("}},
  "steps": [{"list": "Orders", "source": "server",
             "query": "SELECT g AS \"OrderNo\", 'c' || g AS \"Customer\" FROM generate_series(1, 6000) g"}]})");
    auto result = test::runProgram(TAVLORA_REPORT_TOOL, {dir.file("job.json").string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("  'Orders': 600 of 6000 records\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  'Orders': 6000 of 6000 records\n"), std::string::npos) << result.out;
}

TEST(OdbcReport, BadOdbcSourcesAreRefusedBeforeAnythingRuns) {
    test::TempDir dir;
    write(dir.file("job.json"), R"({"template": ")" + (kSalesExample / "template.xlsx").string() + R"(",
  "output": "out.xlsx",
  "sources": {"empty": {"odbc": ""}, "both": {"odbc": "DSN=x", "sqlite": "x.db"}, "number": {"odbc": 5}},
  "steps": [{"list": "Orders", "source": "empty", "query": "SELECT 1"}]})");
    auto result = test::runProgram(TAVLORA_REPORT_TOOL, {dir.file("job.json").string()});
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.err.find("sources.empty.odbc: must be an ODBC connection string"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("sources.both: must name one source"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("sources.number.odbc: must be a text"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir.file("out.xlsx")));
}

}  // namespace
}  // namespace tavlora
