#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "support/TestPaths.h"
#include "support/ToolRun.h"
#include "support/XlsxTestSupport.h"

namespace tavlora {
namespace {

namespace fs = std::filesystem;
using test::kSalesExample;
using test::ToolRun;


ToolRun runReport(const std::vector<std::string>& args) { return test::runProgram(TAVLORA_REPORT_TOOL, args); }

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string cellText(const host::Workbook& workbook, const std::string& sheet, const std::string& address) {
    for (const auto& worksheet : workbook.worksheets()) {
        if (worksheet->name() == sheet) return worksheet->range(address).text();
    }
    ADD_FAILURE() << "no sheet " << sheet;
    return "";
}

std::vector<std::string> sheetNames(const host::Workbook& workbook) {
    std::vector<std::string> names;
    for (const auto& sheet : workbook.sheets()) names.push_back(sheet->name());
    return names;
}

// A job over the example's template and data, with the steps given.
std::string exampleJob(const std::string& steps, const std::string& output = "report.xlsx") {
    return R"({
  "template": ")" + (kSalesExample / "template.xlsx").string() + R"(",
  "output": ")" + output + R"(",
  "sources": {
    "sales": {"sqlite": ")" + (kSalesExample / "sales.db").string() + R"("},
    "regions": {"xml": ")" + (kSalesExample / "regions.xml").string() + R"("}
  },
  "steps": [)" + steps + "]\n}\n";
}

// The job with one more source in "sources".
std::string withSource(std::string job, const std::string& name, const std::string& kind, const fs::path& file) {
    job.replace(job.find("\"sales\":"), 0, "\"" + name + "\": {\"" + kind + "\": \"" + file.string() + "\"},\n    ");
    return job;
}

class ReportRunner : public ::testing::Test {
protected:
    ToolRun run(const std::string& jobText, std::vector<std::string> extra = {}) {
        writeFile(job_, jobText);
        std::vector<std::string> args = {job_.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return runReport(args);
    }

    test::TempDir dir_;
    fs::path job_ = dir_.file("job.json");
    fs::path output_ = dir_.file("report.xlsx");
};

TEST_F(ReportRunner, TheExampleJobProducesTheReport) {
    ToolRun result = runReport({(kSalesExample / "sales_report.json").string(), "--output", output_.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("step 2 of 5: list 'Orders'"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("wrote " + output_.string()), std::string::npos) << result.out;
    auto report = test::readXlsx(output_);
    EXPECT_EQ(sheetNames(*report), (std::vector<std::string>{"Cover", "Orders", "Regions", "Chart"}));
    EXPECT_EQ(cellText(*report, "Cover", "C4"), "Q1 2026");
    EXPECT_EQ(cellText(*report, "Cover", "C7"), "Reporting team");
    EXPECT_EQ(cellText(*report, "Cover", "C6"), "48,210.50 EUR");
    // Orders lost its control row and column: the header is on row 3, the first order on row 4.
    EXPECT_EQ(cellText(*report, "Orders", "A1"), "Orders of the quarter");
    EXPECT_EQ(cellText(*report, "Orders", "A4"), "1001");
    EXPECT_EQ(cellText(*report, "Orders", "C4"), "Müller & Söhne");
    EXPECT_EQ(cellText(*report, "Orders", "F11"), "3,196.00 EUR");
    EXPECT_EQ(cellText(*report, "Orders", "B4"), "2026-01-08");
    EXPECT_EQ(cellText(*report, "Orders", "A12"), "");
    EXPECT_EQ(cellText(*report, "Regions", "A1"), "Regions");
    EXPECT_EQ(cellText(*report, "Regions", "B3"), "Anna Berg");
    EXPECT_EQ(cellText(*report, "Chart", "A1"), "Monthly sales and cost");
    // The query's three months are the chart's three categories, no more.
    const std::string chart = test::zipPartText(output_, "xl/charts/chart1.xml");
    EXPECT_NE(chart.find("<c:cat><c:strLit><c:ptCount val=\"3\"/><c:pt idx=\"0\"><c:v>Jan</c:v>"), std::string::npos)
        << chart;
    EXPECT_NE(chart.find("<a:t>Sales and cost, Q1 2026</a:t>"), std::string::npos);
}

TEST_F(ReportRunner, EveryStepKindThroughTheClasses) {
    const fs::path xml = dir_.file("orders.xml");
    writeFile(xml, "<orders><order OrderNo='77' Customer='Zed' Amount='0'/><order OrderNo='78'/></orders>");
    ToolRun result = run(withSource(exampleJob(R"(
    {"record": "Cover", "values": {"Company": "ACME", "Period": 2026}},
    {"list": "Orders", "source": "more", "select": "order", "show_zeros": true},
    {"table": "Summary", "source": "sales", "query": "SELECT Month, Sales FROM monthly", "title": "Months", "row": 2},
    {"text": "Chart", "cells": {"B5": "hello"}, "values": {"ChartCaption": "caption"}},
    {"chart": "Chart", "name": "FromRange", "range": "A3:B6", "range_sheet": "Summary", "type": "line",
     "legend": false, "title": "Monthly"})"), "more", "xml", xml));
    ASSERT_EQ(result.status, 0) << result.err;
    auto report = test::readXlsx(output_);
    EXPECT_EQ(sheetNames(*report), (std::vector<std::string>{"Cover", "Orders", "Chart", "Summary"}));
    EXPECT_EQ(cellText(*report, "Cover", "B2"), "ACME");
    EXPECT_EQ(cellText(*report, "Cover", "C4"), "2026");
    // Attributes fill the columns of the same name; one the element lacks empties its cell.
    EXPECT_EQ(cellText(*report, "Orders", "A4"), "77");
    EXPECT_EQ(cellText(*report, "Orders", "C4"), "Zed");
    EXPECT_EQ(cellText(*report, "Orders", "F4"), "0.00 EUR");  // show_zeros
    EXPECT_EQ(cellText(*report, "Orders", "A5"), "78");
    EXPECT_EQ(cellText(*report, "Orders", "C5"), "");
    EXPECT_EQ(cellText(*report, "Summary", "A2"), "Months");
    EXPECT_EQ(cellText(*report, "Summary", "A4"), "Jan");
    EXPECT_EQ(cellText(*report, "Chart", "A1"), "caption");
    EXPECT_EQ(cellText(*report, "Chart", "B5"), "hello");
}

TEST_F(ReportRunner, LongListsReportTheirProgress) {
    const fs::path database = dir_.file("many.db");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE t(OrderNo, Customer); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                           "FROM n WHERE i < 6000) INSERT INTO t SELECT i, 'c' || i FROM n;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    ToolRun result =
        run(withSource(exampleJob(R"({"list": "Orders", "source": "many", "query": "SELECT * FROM t"})"), "many",
                       "sqlite", database));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("  'Orders': 600 of 6000 records\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  'Orders': 6000 of 6000 records\n"), std::string::npos) << result.out;
    EXPECT_EQ(cellText(*test::readXlsx(output_), "Orders", "C6003"), "c6000");
}

struct BadJob {
    const char* name;
    std::string job;
    std::string message;  // what stderr must hold, after the job file's name
};

TEST_F(ReportRunner, InvalidJobsAreRefusedWithFileKeyAndReason) {
    const std::string list = R"({"list": "Orders", "source": "sales", "query": "SELECT * FROM orders"})";
    std::string noTemplate = exampleJob(list);
    noTemplate.erase(noTemplate.find("\"template\""), noTemplate.find("\"output\"") - noTemplate.find("\"template\""));
    std::string numberTemplate = exampleJob(list);
    numberTemplate.replace(numberTemplate.find("\"/"), numberTemplate.find(".xlsx\"") + 6 - numberTemplate.find("\"/"), "5");
    std::string missingTemplate = exampleJob(list);
    missingTemplate.replace(missingTemplate.find("template.xlsx"), 13, "nothing.xlsx");
    const fs::path broken = dir_.file("broken.xml");
    writeFile(broken, "<report><region></report>");
    const std::vector<BadJob> cases = {
        {"missing key", noTemplate, ": template: missing"},
        {"wrong type", numberTemplate, ": template: must be a text, not a number"},
        {"unknown step", exampleJob(R"({"graph": "Chart"})"), ": steps[0]: unknown step: it names none of record, list"},
        {"missing file", missingTemplate, "nothing.xlsx: template: does not exist"},
        {"bad SQL", exampleJob(R"({"list": "Orders", "source": "sales", "query": "SELECT * FROM order_lines"})"),
         ": steps[0].query: SQL error: no such table: order_lines"},
        {"unknown source", exampleJob(R"({"list": "Orders", "source": "shop", "query": "SELECT 1"})"),
         ": steps[0].source: no source named 'shop'"},
        {"misspelt key", exampleJob(R"({"list": "Orders", "source": "sales", "qeury": "SELECT 1"})"),
         ": steps[0].qeury: unknown key"},
        {"unknown chart type", exampleJob(R"({"chart": "Chart", "range": "A1:B2", "type": "pyramid"})"),
         ": steps[0].type: unknown: 'pyramid'; one of column,"},
        {"SQL that writes", exampleJob(R"({"list": "Orders", "source": "sales", "query": "DELETE FROM orders"})"),
         ": steps[0].query: SQL error: a report only reads"},
        {"two statements", exampleJob(R"({"list": "Orders", "source": "sales", "query": "SELECT 1; SELECT 2"})"),
         ": steps[0].query: SQL error: one statement only"},
        {"missing output folder", exampleJob(list, (dir_.path() / "nowhere" / "r.xlsx").string()),
         "nowhere: output: the output folder does not exist"},
        {"values not texts", exampleJob(R"({"record": "Cover", "values": {"Company": [1]}})"),
         ": steps[0].values.Company: must be a text, not a list"},
        {"ill-formed XML", withSource(exampleJob(list), "broken", "xml", broken),
         "broken.xml: sources.broken.xml: is not a well-formed XML document: Start-end tags mismatch"},
        {"not JSON", "{\"template\": ", ": is not valid JSON: line 1, column 14"},
    };
    for (const auto& bad : cases) {
        ToolRun result = run(bad.job);
        EXPECT_EQ(result.status, 2) << bad.name;
        EXPECT_NE(result.err.find(bad.message), std::string::npos) << bad.name << "\n" << result.err;
        EXPECT_FALSE(fs::exists(output_)) << bad.name;
    }
}

TEST_F(ReportRunner, AWebPageIsWrittenWhenTheOutputSaysSo) {
    const fs::path page = dir_.file("report.html");
    ToolRun result = run(exampleJob(R"({"list": "Orders", "source": "sales", "query": "SELECT * FROM order_list"})"),
                         {"--output", page.string(), "--quiet"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    const std::string html = test::contentOf(page);
    EXPECT_NE(html.find("Müller &amp; Söhne"), std::string::npos) << html.substr(0, 400);
    EXPECT_FALSE(fs::exists(output_));
}

TEST_F(ReportRunner, EveryProblemOfAJobIsListedAtOnce) {
    ToolRun result = run(exampleJob(R"({"list": "Orders", "source": "sales"}, {"table": 3})"));
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("steps[0].query: missing"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("steps[1].table: must be a text, not a number"), std::string::npos) << result.err;
}

TEST_F(ReportRunner, AFailedStepNamesItAndLeavesTheOldOutput) {
    writeFile(output_, "the report of yesterday");
    ToolRun missingSheet = run(exampleJob(R"({"list": "Sales", "source": "sales", "query": "SELECT * FROM orders"})"));
    EXPECT_EQ(missingSheet.status, 1);
    EXPECT_NE(missingSheet.err.find("steps[0] (list 'Sales'): DoA_Begin(\"Sales\") answered false"), std::string::npos)
        << missingSheet.err;
    EXPECT_EQ(test::contentOf(output_), "the report of yesterday");

    ToolRun noPlaceholder = run(exampleJob(R"({"record": "Cover", "values": {"Nothing": "x"}})"));
    EXPECT_EQ(noPlaceholder.status, 1);
    EXPECT_NE(noPlaceholder.err.find("no placeholder %Nothing% on the sheet"), std::string::npos) << noPlaceholder.err;

    const fs::path textFile = dir_.file("text.xlsx");
    writeFile(textFile, "not a workbook");
    std::string fakeTemplate = exampleJob(R"({"record": "Cover", "values": {"Company": "x"}})");
    fakeTemplate.replace(fakeTemplate.find((kSalesExample / "template.xlsx").string()), (kSalesExample / "template.xlsx").string().size(),
                         textFile.string());
    ToolRun notWorkbook = run(fakeTemplate);
    EXPECT_EQ(notWorkbook.status, 1);
    EXPECT_NE(notWorkbook.err.find("DoBegin(\"" + textFile.string() + "\") answered false"), std::string::npos)
        << notWorkbook.err;
    // The engine's own reason follows what the runner says.
    EXPECT_NE(notWorkbook.err.find("is not an Office Open XML workbook"), std::string::npos) << notWorkbook.err;
    EXPECT_EQ(test::contentOf(output_), "the report of yesterday");
}

}  // namespace
}  // namespace tavlora
