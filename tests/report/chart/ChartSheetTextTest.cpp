#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"
#include "report/chart/CExcelChartTestSupport.h"
#include "host/chart/ChartSheet.h"

namespace tavlora::chart {
namespace {

using com::Variant;

class ChartSheetText : public test::ChartBook {
protected:
    std::string text(const std::shared_ptr<host::Worksheet>& sheet, const char* address) {
        return com::toTextOrEmpty(sheet->range(address).value());
    }
};

TEST_F(ChartSheetText, WritesIntoTheNamedWorksheetIgnoringCase) {
    EXPECT_TRUE(chart->DoA_OutputString(2, 5, "by row", "REPORT"));
    EXPECT_TRUE(chart->DoA_OutputString1("F3", "by address", "report"));
    EXPECT_EQ(text(report, "E2"), "by row");
    EXPECT_EQ(text(report, "F3"), "by address");
    EXPECT_EQ(text(data, "E2"), "");
    EXPECT_TRUE(job->usedSheets().size() == 1) << "writing text registers nothing";
    EXPECT_FALSE(chart->CurChart());
}

TEST_F(ChartSheetText, ChartSheetsAndMissingSheetsAreNoTarget) {
    workbook->addChartSheet()->setName("Graph");
    EXPECT_FALSE(chart->DoA_OutputString(1, 1, "x", "Graph"));
    EXPECT_FALSE(chart->DoA_OutputString1("A1", "x", "Graph"));
    EXPECT_EQ(chart->DoA_ReplaceText("Sales", "x", "Graph"), 0);
    EXPECT_EQ(chart->DoA_ReplaceWhiteDot("Sales", "x", "Nowhere"), 0);
    EXPECT_FALSE(chart->DoA_OutputString(40000, 1, "x", "Nowhere")) << "no sheet: nothing is narrowed";
    EXPECT_EQ(workbook->sheets().size(), 3u);
}

TEST_F(ChartSheetText, RowsAndColumnsAreSixteenBit) {
    EXPECT_TRUE(chart->DoA_OutputString(32767, 1, "last", "Report"));
    EXPECT_EQ(text(report, "A32767"), "last");
    EXPECT_COM_ERROR(chart->DoA_OutputString(40000, 1, "x", "Report"), com::hr::kOverflow);
    EXPECT_COM_ERROR(chart->DoA_OutputString(1, -32769, "x", "Report"), com::hr::kOverflow);
    EXPECT_COM_ERROR(chart->DoA_OutputString(0, 1, "x", "Report"), com::hr::kHostError);
    EXPECT_COM_ERROR(chart->DoA_OutputString1("nowhere", "x", "Report"), com::hr::kHostError);
}

TEST_F(ChartSheetText, ReplacesTextsAndPlaceholdersAndCountsTheCells) {
    report->range("A1").setValue(Variant("Total: %Total%"));
    report->range("C5").setValue(Variant("%total%"));
    report->range("B2").setValue(Variant("Sales"));
    EXPECT_EQ(chart->DoA_ReplaceWhiteDot("Total", "42", "Report"), 2);
    EXPECT_EQ(text(report, "A1"), "42");
    EXPECT_EQ(text(report, "C5"), "42");
    EXPECT_EQ(chart->DoA_ReplaceWhiteDot("Total", "42", "Report"), 0);
    EXPECT_EQ(chart->DoA_ReplaceText("sales", "Revenue", "Report"), 1);
    EXPECT_EQ(text(report, "B2"), "Revenue");
    EXPECT_EQ(text(data, "B1"), "Sales") << "other sheets are untouched";
}

TEST_F(ChartSheetText, WithoutAWorkbookTheLookupFails) {
    auto alone = CExcelChart::create();
    EXPECT_COM_ERROR(alone->DoA_OutputString(1, 1, "x", "Report"), com::hr::kObjectNotSet);
    EXPECT_COM_ERROR(alone->DoA_ReplaceText("a", "b", "Report"), com::hr::kObjectNotSet);
}

}  // namespace
}  // namespace tavlora::chart
