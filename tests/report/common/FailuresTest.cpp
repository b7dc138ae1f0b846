// Failure reasons: what a member that answers false (or 0) records, for the failures a report
// program meets most, and how the reasons reach a log.
#include "report/common/Failures.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "data/SqliteRecordset.h"
#include "host/Application.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/files/NewApplication.h"
#include "support/TestPaths.h"
#include "support/XlsxTestSupport.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelChart.h"
#include "tavlora/CExcelOutputRcd.h"
#include "tavlora/CExcelTmplPrintBat.h"
#include "tavlora/CExcelTmplPrintOne.h"
#include "tavlora/Constants.h"
#include "tavlora/Failures.h"

namespace tavlora::common {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A job whose workbook holds the worksheet "Data" with a value in A1, opened from a saved file.
struct OpenJob {
    TempDir dir;
    std::shared_ptr<printjob::CExcelBatDo> job = printjob::CExcelBatDo::create();

    OpenJob() {
        auto application = host::files::newApplication();
        auto workbook = application->add();
        workbook->worksheets().front()->setName("Data");
        workbook->worksheets().front()->range("A1").setValue(com::Variant("kept"));
        workbook->saveAs(dir.file("template.xlsx").string());
        workbook->close();
        EXPECT_TRUE(job->DoBegin(dir.file("template.xlsx").string()));
    }
};

class FailureReasons : public ::testing::Test {
protected:
    void SetUp() override { clearLastFailure(); }
    TempDir dir;
};

// The seven failures a report program meets most, each named with its cause.

TEST_F(FailureReasons, MissingTemplate) {
    auto job = printjob::CExcelBatDo::create();
    const std::string missing = dir.file("missing.xlsx").string();
    EXPECT_FALSE(job->DoCopy(missing, dir.file("out.xlsx").string()));
    EXPECT_EQ(lastFailure(), "DoCopy(\"" + missing + "\", \"" + dir.file("out.xlsx").string() +
                                 "\"): the file '" + missing + "' does not exist");
    EXPECT_FALSE(job->DoBegin(missing));
    EXPECT_THAT(lastFailure(), StartsWith("DoBegin(\"" + missing + "\"): "));
    EXPECT_THAT(lastFailure(), HasSubstr(missing));
}

TEST_F(FailureReasons, TextFileNamedXlsx) {
    const fs::path fake = dir.file("fake.xlsx");
    { std::ofstream(fake) << "name,amount\nAnn,3\n"; }
    auto job = printjob::CExcelBatDo::create();
    EXPECT_FALSE(job->DoBegin(fake.string()));
    EXPECT_EQ(lastFailure(), "DoBegin(\"" + fake.string() + "\"): '" + fake.string() +
                                 "' is not an Office Open XML workbook: it is not a zip archive");
}

TEST_F(FailureReasons, BrokenSheetPart) {
    test::PartList parts = test::minimalPackage();
    test::replacePart(parts, "xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r=\"1\">");
    const fs::path broken = dir.file("broken.xlsx");
    test::writeZip(broken, parts);
    auto job = printjob::CExcelBatDo::create();
    EXPECT_FALSE(job->DoBegin(broken.string()));
    EXPECT_THAT(lastFailure(), StartsWith("DoBegin(\"" + broken.string() + "\"): "));
    EXPECT_THAT(lastFailure(), HasSubstr("sheet1.xml"));
}

TEST_F(FailureReasons, UnknownSheetName) {
    OpenJob open;
    auto filler = tmplone::CExcelTmplPrintOne::create();
    filler->setCurBatObj(open.job);
    EXPECT_FALSE(filler->DoA_Begin("Invoice"));
    EXPECT_EQ(lastFailure(), "DoA_Begin(\"Invoice\"): the workbook has no worksheet named 'Invoice'");
}

TEST_F(FailureReasons, SqlErrorWhileReadingRows) {
    OpenJob open;
    // The first row reads; the second overflows inside SQLite while the table is being written.
    auto rst = data::SqliteRecordset::open(
        std::string(TAVLORA_SOURCE_DIR) + "/examples/sales_report/sales.db",
        "SELECT abs(v) AS Amount FROM (SELECT 1 AS v UNION ALL SELECT -9223372036854775807 - 1)");
    auto writer = outputrcd::CExcelOutputRcd::create();
    writer->setCurBatObj(open.job);
    EXPECT_FALSE(writer->DoA_RcdRst("Data", rst, 1, 1));
    EXPECT_THAT(lastFailure(), StartsWith("DoA_RcdRst(\"Data\", <object>, 1, 1): "));
    EXPECT_THAT(lastFailure(), HasSubstr("integer overflow"));
}

TEST_F(FailureReasons, IllFormedXmlFile) {
    OpenJob open;
    const fs::path bad = dir.file("regions.xml");
    { std::ofstream(bad) << "<regions><region Name=\"North\"></regions>"; }
    auto writer = outputrcd::CExcelOutputRcd::create();
    writer->setCurBatObj(open.job);
    EXPECT_FALSE(writer->DoA_RcdXml("Data", bad.string(), "region", "", 1, 1));
    EXPECT_THAT(lastFailure(), StartsWith("DoA_RcdXml(\"Data\", \"" + bad.string() + "\", \"region\", \"\"): '" +
                                          bad.string() + "' is not well-formed XML: "));
    auto list = tmplbat::CExcelTmplPrintBat::create();
    EXPECT_FALSE(list->DoA_OutputXml(dir.file("absent.xml").string(), "region"));
    EXPECT_THAT(lastFailure(), HasSubstr("does not exist or cannot be read"));
}

TEST_F(FailureReasons, UnwritableOutputFolder) {
    OpenJob open;
    const fs::path target = dir.file("no-such-folder") / "report.xlsx";
    EXPECT_FALSE(open.job->DoEnd(target.string()));
    EXPECT_THAT(lastFailure(), StartsWith("DoEnd(\"" + target.string() + "\"): "));
    EXPECT_THAT(lastFailure(), HasSubstr("no-such-folder"));
    // The job closed its workbook: a second DoEnd says so rather than saving anything.
    EXPECT_FALSE(open.job->DoEnd());
    EXPECT_EQ(lastFailure(), "DoEnd(\"\"): no workbook is open (DoBegin did not succeed)");
}

// Causes from below a member, and members inside members.

TEST_F(FailureReasons, ListTemplateWithoutControlAreaNamesTheControlCell) {
    // A first try at a list template: a title, then a row of placeholders, no control area.
    OpenJob open;
    auto sheet = open.job->CurWk()->worksheets().front();
    sheet->range("A1").setValue(com::Variant("Staff list"));
    sheet->range("A2").setValue(com::Variant("%Name%"));
    sheet->range("B2").setValue(com::Variant("%Dept%"));
    auto list = tmplbat::CExcelTmplPrintBat::create();
    list->setCurBatObj(open.job);
    EXPECT_FALSE(list->DoA_Begin("Data", true));
    EXPECT_EQ(lastFailure(), "DoA_Begin(\"Data\"): the control cell A2 (or A4) holds \"%Name%\", not a first "
                             "column and a count such as \"2,5\"");
}

TEST_F(FailureReasons, RefusedChartTypeIsKeptThoughTheChartIsDrawn) {
    OpenJob open;
    auto chart = chart::CExcelChart::create();
    chart->setCurBatObj(open.job);
    chart->oSetSeriesCount(1);
    chart->oSetSeriesName(0, "Sales");
    chart->oSetSeriesValue(0, com::Variant("={1,2,3}"));
    EXPECT_TRUE(chart->DoA_Chart("Data", 12345, "C1"));
    EXPECT_THAT(lastFailure(), StartsWith("DoA_Chart(\"Data\", 12345, \"C1\"): the chart type 12345 was refused, "
                                          "the chart keeps type 51: "));
    EXPECT_THAT(lastFailure(), HasSubstr("(absorbed)"));
    clearLastFailure();
    EXPECT_TRUE(chart->DoA_Chart("Data", xlPie, "C1"));
    EXPECT_EQ(lastFailure(), "");
}

TEST_F(FailureReasons, NestedFailuresChainTheirCauses) {
    trapFailure(memberCall("Outer", std::string("a")), false, [] {
        return trapFailure(memberCall("Inner", 7), false, [] {
            noteCause("the inner cause");
            return false;
        });
    });
    EXPECT_EQ(lastFailure(), "Outer(\"a\"): Inner(7): the inner cause");
    trapFailure(memberCall("Thrower", true), 0, []() -> int {
        try {
            throw std::runtime_error("the root");
        } catch (...) {
            std::throw_with_nested(std::runtime_error("the context"));
        }
    });
    EXPECT_EQ(lastFailure(), "Thrower(True): the context: the root");
    EXPECT_EQ(explainFailure(memberCall("Fine"), false, [] { return true; }), true);
    EXPECT_EQ(lastFailure(), "Thrower(True): the context: the root") << "a success keeps the last reason";
}

TEST_F(FailureReasons, QuotesInArgumentsAreDoubled) {
    trapFailure(memberCall("DoA_Begin", std::string("say \"hi\"")), false, [] { return false; });
    EXPECT_EQ(lastFailure(), "DoA_Begin(\"say \"\"hi\"\"\"): failed");
}

// Where the reasons go.

TEST_F(FailureReasons, LogReceivesEveryReasonOfItsThreadOnly) {
    std::vector<std::string> logged;
    setFailureLog([&logged](const std::string& reason) { logged.push_back(reason); });
    auto job = printjob::CExcelBatDo::create();
    EXPECT_FALSE(job->DoCopy("", ""));
    EXPECT_FALSE(job->DoEnd());
    std::string otherThreadsReason;
    std::thread([&] {
        EXPECT_FALSE(printjob::CExcelBatDo::create()->DoBegin(dir.file("absent.xlsx").string()));
        otherThreadsReason = lastFailure();
    }).join();
    setFailureLog(nullptr);
    EXPECT_FALSE(job->DoCopy("", ""));
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0], "DoCopy(\"\", \"\"): both the template and the target file must be named");
    EXPECT_THAT(logged[1], StartsWith("DoEnd(\"\"): "));
    EXPECT_THAT(otherThreadsReason, StartsWith("DoBegin("));
    EXPECT_EQ(lastFailure(), logged[0]) << "another thread's failure is not this thread's";
}

TEST_F(FailureReasons, EnvironmentSwitchesTheStandardErrorLogOn) {
    auto job = printjob::CExcelBatDo::create();
    ::testing::internal::CaptureStderr();
    ::setenv("TAVLORA_LOG", "1", 1);
    EXPECT_FALSE(job->DoCopy("", ""));
    ::unsetenv("TAVLORA_LOG");
    EXPECT_FALSE(job->DoCopy("", "x"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "tavlora: DoCopy(\"\", \"\"): both the template and the target file must be named\n");
}

}  // namespace
}  // namespace tavlora::common
