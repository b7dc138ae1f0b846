#include <gtest/gtest.h>

#include "report/chart/CExcelChartTestSupport.h"
#include "host/files/NewApplication.h"
#include "host/chart/ChartAnchor.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "support/TestPaths.h"

namespace tavlora::chart {
namespace {

using com::Variant;
using host::SeriesData;
using test::seriesNames;
using test::texts;

class ChartBuilding : public test::ChartBook {
protected:
    tavlora::test::TempDir dir;
    std::shared_ptr<host::EmbeddedChart> onlyObject(const std::shared_ptr<host::Worksheet>& sheet) {
        EXPECT_EQ(sheet->chartObjects().size(), 1u);
        if (sheet->chartObjects().empty()) return nullptr;
        return std::dynamic_pointer_cast<host::EmbeddedChart>(sheet->chartObjects().front());
    }
    std::vector<std::string> usedSheets() const {
        auto names = job->usedSheets();
        names.pop_back();  // the spare slot
        return names;
    }
    size_t chartSheetCount() const { return workbook->chartSheets().size(); }
};

TEST_F(ChartBuilding, WorkedExampleDrawsAnEmbeddedChartFromHeldData) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Report", 0, "C1"));

    auto object = onlyObject(report);
    ASSERT_TRUE(object);
    EXPECT_EQ(object->name(), "C1");
    const host::PointRect place = host::anchorRect(*report, object->anchor());
    EXPECT_NEAR(place.left, 180, 1);
    EXPECT_NEAR(place.top, 100, 1);
    EXPECT_NEAR(place.width, 360, 1);
    EXPECT_NEAR(place.height, 210, 1);

    EXPECT_EQ(chart->CurChart(), object->chart());
    EXPECT_EQ(usedSheets(), std::vector<std::string>{"Report"});
    auto drawn = model(chart->CurChart());
    EXPECT_EQ(drawn->chartType(), host::charttype::kColumnClustered) << "type 0 leaves the new chart's type";
    ASSERT_EQ(seriesNames(*drawn), (std::vector<std::string>{"Sales", "Cost"}));
    EXPECT_EQ(texts(drawn->series()[0]->values()), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(texts(drawn->series()[1]->values()), (std::vector<std::string>{"4", "5", "6"}));
    for (const auto& series : drawn->series()) {
        EXPECT_EQ(series->xValuesData().kind, SeriesData::Kind::Literal);
        EXPECT_EQ(texts(series->xValues()), (std::vector<std::string>{"Jan", "Feb", "Mar", ""}))
            << "text-mode categories hand over the spare slot as a fourth label";
    }
}

TEST_F(ChartBuilding, NothingHappensWithoutSeries) {
    auto previous = report->addChartObject(0, 0, 100, 100)->chart();
    chart->setCurChart(previous);
    chart->oSetGroupCount(2);
    EXPECT_FALSE(chart->DoA_Chart("Report", 51, "C1"));
    EXPECT_FALSE(chart->DoA_Chart("NewSheet"));
    EXPECT_EQ(report->chartObjects().size(), 1u);
    EXPECT_EQ(chartSheetCount(), 0u);
    EXPECT_TRUE(usedSheets().empty());
    EXPECT_EQ(chart->CurChart(), previous);

    chart->DoA_SetTitle("Still the previous chart");
    EXPECT_EQ(previous->titleText(), "Still the previous chart");
}

TEST_F(ChartBuilding, NothingHappensWithoutAWorkbook) {
    auto alone = CExcelChart::create();
    alone->oSetSeriesCount(1);
    EXPECT_FALSE(alone->DoA_Chart("Report"));
    EXPECT_FALSE(alone->DoA_ChartFromRange("Report"));
    EXPECT_FALSE(alone->DoA_ChartFromRange_SetData("Data", 1, 1, 4, 3));
    EXPECT_FALSE(alone->DoA_ChartFromRange_SetData1("Data", "A1", "C4"));
    EXPECT_FALSE(alone->CurChart());
}

TEST_F(ChartBuilding, UnknownSheetNameGetsANewChartSheet) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Overview", 0, "ignored"));
    ASSERT_EQ(chartSheetCount(), 1u);
    auto sheet = workbook->chartSheets().front();
    EXPECT_EQ(sheet->name(), "Overview");
    EXPECT_EQ(chart->CurChart(), sheet->chart());
    EXPECT_EQ(seriesNames(*sheet->chart()), (std::vector<std::string>{"Sales", "Cost"}));
    EXPECT_TRUE(report->chartObjects().empty());
    EXPECT_EQ(usedSheets(), std::vector<std::string>{"Overview"});
}

TEST_F(ChartBuilding, ExistingChartSheetIsReusedAndItsSeriesReplaced) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("overview", host::charttype::kLine));
    auto first = chart->CurChart();
    chart->oSetSeriesCount(1);
    chart->oSetSeriesName(0, "Only");
    chart->oSetSeriesValue(0, Variant("={7,8,9}"));
    ASSERT_TRUE(chart->DoA_Chart("OVERVIEW"));
    EXPECT_EQ(chartSheetCount(), 1u);
    EXPECT_EQ(chart->CurChart(), first);
    EXPECT_EQ(first->chartType(), host::charttype::kLine) << "type 0 keeps the reused chart's type";
    EXPECT_EQ(seriesNames(*first), std::vector<std::string>{"Only"});
    EXPECT_EQ(workbook->chartSheets().front()->name(), "overview");
}

TEST_F(ChartBuilding, WorksheetWithoutChartNameGetsAnotherChartEachCall) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Report"));
    auto first = chart->CurChart();
    ASSERT_TRUE(chart->DoA_Chart("Report"));
    ASSERT_EQ(report->chartObjects().size(), 2u);
    EXPECT_NE(chart->CurChart(), first);
    EXPECT_EQ(chart->CurChart(), report->chartObjects()[1]->chart());
    EXPECT_EQ(seriesNames(*first).size(), 2u) << "the earlier chart keeps its series";
}

TEST_F(ChartBuilding, NamedEmbeddedChartIsReusedAndItsSeriesReplaced) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Report", 0, "C1"));
    auto first = chart->CurChart();
    chart->oSetSeriesName(0, "Sales 2");
    ASSERT_TRUE(chart->DoA_Chart("Report", 0, "c1"));
    ASSERT_EQ(report->chartObjects().size(), 1u);
    EXPECT_EQ(chart->CurChart(), first);
    EXPECT_EQ(seriesNames(*first), (std::vector<std::string>{"Sales 2", "Cost"}));
    EXPECT_EQ(usedSheets(), std::vector<std::string>{"Report"});
}

TEST_F(ChartBuilding, EmptySheetNameAddsAChartSheetEachCallRegisteredUnderItsOwnName) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart(""));
    auto first = chart->CurChart();
    ASSERT_TRUE(chart->DoA_Chart(""));
    auto second = chart->CurChart();
    ASSERT_EQ(chartSheetCount(), 2u);
    EXPECT_NE(first, second);
    for (const auto& sheet : workbook->chartSheets()) {
        EXPECT_FALSE(sheet->name().empty());
        EXPECT_TRUE(sheet->chart() == first || sheet->chart() == second);
    }
    EXPECT_NE(first->name(), second->name());
    EXPECT_EQ(seriesNames(*second).size(), 2u) << "the refused name does not stop the drawing";
    // Registered under the names they have, so that the job keeps them when it ends.
    EXPECT_EQ(usedSheets(), (std::vector<std::string>{first->name(), second->name()}));
}

TEST_F(ChartBuilding, RefusedChartSheetNameKeepsTheHostsNameAndRegistersIt) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Bad/Name"));
    ASSERT_EQ(chartSheetCount(), 1u);
    const std::string name = workbook->chartSheets().front()->name();
    EXPECT_NE(name, "Bad/Name");
    EXPECT_EQ(usedSheets(), std::vector<std::string>{name});
    job->DoAddSheet("Data");
    ASSERT_TRUE(job->DoEnd(dir.file("kept.xlsx").string()));
    auto reopened = host::files::newApplication()->open(dir.file("kept.xlsx").string());
    ASSERT_EQ(reopened->chartSheets().size(), 1u) << "the job kept the chart's sheet";
    EXPECT_EQ(reopened->chartSheets().front()->name(), name);
    EXPECT_EQ(seriesNames(*reopened->chartSheets().front()->chart()), (std::vector<std::string>{"Sales", "Cost"}));
    reopened->application()->quit();
}

TEST_F(ChartBuilding, NoJobObjectMeansNoRegistration) {
    auto alone = CExcelChart::create();
    alone->setCurWk(workbook);
    alone->oSetSeriesCount(1);
    alone->oSetSeriesValue(0, Variant("={1}"));
    EXPECT_TRUE(alone->DoA_Chart("Report"));
    EXPECT_TRUE(usedSheets().empty());
}

TEST_F(ChartBuilding, PieTypesKeepOnlyTheFirstSeries) {
    chart->oSetSeriesCount(3);
    for (int16_t i = 0; i < 3; ++i) {
        chart->oSetSeriesName(i, "S" + std::to_string(i));
        chart->oSetSeriesValue(i, Variant("={1,2}"));
    }
    for (int32_t pie : {5, 68, 69, 70, 71}) {
        ASSERT_TRUE(chart->DoA_Chart("Report", pie, "Pie")) << pie;
        EXPECT_EQ(seriesNames(*chart->CurChart()), std::vector<std::string>{"S0"}) << pie;
    }
    ASSERT_TRUE(chart->DoA_Chart("Report", host::charttype::k3DPie, "Pie"));
    EXPECT_EQ(seriesNames(*chart->CurChart()), (std::vector<std::string>{"S0", "S1", "S2"}));
}

TEST_F(ChartBuilding, RefusedChartTypeLeavesTheTypeAndStillDraws) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Report", 12345, "C1"));
    EXPECT_EQ(chart->CurChart()->chartType(), host::charttype::kColumnClustered);
    EXPECT_EQ(seriesNames(*chart->CurChart()).size(), 2u);
}

TEST_F(ChartBuilding, ReferenceModeCategoriesBecomeAUnionOfCells) {
    chart->oSetRange_Sheet("Data");
    chart->oSetSeriesCount(2);
    chart->oSetSeriesName_Range(0, 1, 2, "");
    chart->oSetSeriesName_Range1(1, "C1", "");
    chart->oSetSeriesValue_Range(0, 2, 2, 4, 2, "");
    chart->oSetSeriesValue_Range1(1, "C2", "C4", "");
    chart->oSetGroupCount(2);
    chart->oSetGroupName_Range(0, 2, 1, "");
    chart->oSetGroupName_Range1(1, "A3", "");
    chart->oSetGroupName(2, "never read");
    chart->oSetGroupIsSheetRange(true);
    ASSERT_TRUE(chart->DoA_Chart("Report", 0, "C1"));
    auto drawn = model(chart->CurChart());
    ASSERT_EQ(seriesNames(*drawn), (std::vector<std::string>{"Sales", "Cost"}));
    EXPECT_EQ(texts(drawn->series()[1]->values()), (std::vector<std::string>{"4", "5", "6"}));
    for (const auto& series : drawn->series()) {
        EXPECT_EQ(series->xValuesData().kind, SeriesData::Kind::Reference);
        EXPECT_EQ(texts(series->xValues()), (std::vector<std::string>{"Jan", "Feb"}));
    }
}

TEST_F(ChartBuilding, NoGroupsMeansNoCategories) {
    chart->oSetSeriesCount(1);
    chart->oSetSeriesValue(0, Variant("={1,2}"));
    chart->oSetGroupName(0, "spare only");
    ASSERT_TRUE(chart->DoA_Chart("Report"));
    EXPECT_EQ(model(chart->CurChart())->series()[0]->xValuesData().kind, SeriesData::Kind::None);
}

TEST_F(ChartBuilding, FailingSeriesStepsAreSkipped) {
    chart->oSetSeriesCount(2);
    chart->oSetSeriesName(0, "=Nowhere!R1C1");
    chart->oSetSeriesValue(0, Variant("=Nowhere!R2C2:R4C2"));
    chart->oSetSeriesName(1, "Second");
    chart->oSetSeriesValue(1, Variant("={3,4}"));
    ASSERT_TRUE(chart->DoA_Chart("Report"));
    auto drawn = model(chart->CurChart());
    ASSERT_EQ(drawn->series().size(), 2u);
    EXPECT_EQ(drawn->series()[0]->nameData().kind, SeriesData::Kind::None);
    EXPECT_EQ(drawn->series()[0]->valuesData().kind, SeriesData::Kind::None);
    EXPECT_EQ(com::toText(drawn->series()[1]->name()), "Second");
}

TEST_F(ChartBuilding, ChartFromRangeByColumnsAndByRows) {
    ASSERT_TRUE(chart->DoA_ChartFromRange_SetData("Data", 1, 1, 4, 3));
    ASSERT_TRUE(chart->rangeData());
    EXPECT_EQ(chart->rangeData()->address(), "$A$1:$C$4");
    ASSERT_TRUE(chart->DoA_ChartFromRange("Report", true, host::charttype::kLine, "ByColumns"));
    auto byColumns = chart->CurChart();
    EXPECT_EQ(byColumns->chartType(), host::charttype::kLine);
    EXPECT_EQ(seriesNames(*byColumns), (std::vector<std::string>{"Sales", "Cost"}));
    EXPECT_EQ(texts(byColumns->seriesCollection().item(1)->xValues()),
              (std::vector<std::string>{"Jan", "Feb", "Mar"}));

    ASSERT_TRUE(chart->DoA_ChartFromRange("Report", false, 0, "ByRows"));
    auto byRows = chart->CurChart();
    EXPECT_NE(byRows, byColumns);
    EXPECT_EQ(seriesNames(*byRows), (std::vector<std::string>{"Jan", "Feb", "Mar"}));
    EXPECT_EQ(texts(byRows->seriesCollection().item(2)->values()), (std::vector<std::string>{"2", "5"}));
    EXPECT_EQ(report->chartObjects().size(), 2u);
    EXPECT_TRUE(chart->rangeData()) << "the block stays chosen for further charts";
}

TEST_F(ChartBuilding, ChartFromRangeReplacesTheSeriesOfAReusedChart) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Report", 0, "C1"));
    ASSERT_TRUE(chart->DoA_ChartFromRange_SetData1("data", "A1", "B4"));
    ASSERT_TRUE(chart->DoA_ChartFromRange("Report", true, 0, "C1"));
    EXPECT_EQ(seriesNames(*chart->CurChart()), std::vector<std::string>{"Sales"});
}

TEST_F(ChartBuilding, ChartFromRangeWithoutABlockLeavesAnEmptyChart) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Report", 0, "C1"));
    EXPECT_FALSE(chart->DoA_ChartFromRange_SetData("Missing", 1, 1, 4, 3));
    EXPECT_FALSE(chart->rangeData());
    EXPECT_TRUE(chart->DoA_ChartFromRange("Report", true, 0, "C1"));
    EXPECT_EQ(chart->CurChart()->seriesCollection().count(), 0);
    EXPECT_TRUE(chart->DoA_ChartFromRange("Summary")) << "no series condition for ranges";
    EXPECT_EQ(workbook->chartSheets().front()->name(), "Summary");
}

TEST_F(ChartBuilding, SourceBlockChoices) {
    ASSERT_TRUE(chart->DoA_ChartFromRange_SetData("Data", 2, 3, 0, 9));
    EXPECT_EQ(chart->rangeData()->address(), "$C$2");
    ASSERT_TRUE(chart->DoA_ChartFromRange_SetData1("Data", "B2:C4"));
    EXPECT_EQ(chart->rangeData()->address(), "$B$2:$C$4");
    EXPECT_FALSE(chart->DoA_ChartFromRange_SetData1("Data", "B2", "nowhere"));
    EXPECT_FALSE(chart->rangeData()) << "a failed choice forgets the earlier block";
    EXPECT_FALSE(chart->DoA_ChartFromRange_SetData("Data", 0, 1));
    EXPECT_EQ(workbook->sheets().size(), 2u);
}

TEST_F(ChartBuilding, StyleActsOnTheCurrentChart) {
    chart->DoA_SetStyle(2);
    chart->DoA_SetTitle("No chart yet");
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Report", 0, "C1"));
    auto drawn = model(chart->CurChart());
    drawn->setHasLegend(false);
    drawn->setHasDataTable(true);
    chart->DoA_SetStyle(2);
    EXPECT_TRUE(drawn->hasLegend());
    EXPECT_FALSE(drawn->hasDataTable());
    for (const auto& series : drawn->series()) {
        EXPECT_TRUE(series->labels().value);
        EXPECT_FALSE(series->labels().legendKey);
    }
    chart->DoA_SetStyle(3, true, false, true);
    EXPECT_FALSE(drawn->hasLegend());
    EXPECT_TRUE(drawn->hasDataTable());
    EXPECT_TRUE(drawn->series()[0]->labels().percent);
    EXPECT_TRUE(drawn->series()[0]->labels().legendKey);
}

TEST_F(ChartBuilding, RefusedLabelTypeReachesTheCallerAfterLegendAndTable) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Report", 0, "C1"));
    auto drawn = chart->CurChart();
    EXPECT_THROW(chart->DoA_SetStyle(999, false, false, true), com::Error);
    EXPECT_FALSE(drawn->hasLegend());
    EXPECT_TRUE(drawn->hasDataTable());
}

TEST_F(ChartBuilding, TitleIsSetAndReplacedButNeverRemovedByEmptyText) {
    holdSalesAndCost();
    ASSERT_TRUE(chart->DoA_Chart("Report", 0, "C1"));
    auto drawn = chart->CurChart();
    chart->DoA_SetTitle("");
    EXPECT_FALSE(drawn->hasTitle());
    chart->DoA_SetTitle("First quarter");
    EXPECT_TRUE(drawn->hasTitle());
    EXPECT_EQ(drawn->titleText(), "First quarter");
    chart->DoA_SetTitle("");
    EXPECT_EQ(drawn->titleText(), "First quarter");
    chart->DoA_SetTitle("Q1 2024");
    EXPECT_EQ(drawn->titleText(), "Q1 2024");
}

}  // namespace
}  // namespace tavlora::chart
