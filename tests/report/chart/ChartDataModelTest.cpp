#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"
#include "host/files/NewApplication.h"
#include "report/chart/CExcelChartTestSupport.h"
#include "host/chart/ChartSheet.h"

namespace tavlora::chart {
namespace {

using com::Variant;
using test::ChartBook;

TEST(ChartDataModel, NewObjectHoldsOneEmptySlotPerList) {
    auto c = CExcelChart::create();
    EXPECT_EQ(c->oGetSeriesCount(), 0);
    EXPECT_EQ(c->oGetGroupCount(), 0);
    EXPECT_FALSE(c->oGetGroupIsSheetRange());
    EXPECT_EQ(c->seriesNames(), std::vector<std::string>{""});
    EXPECT_EQ(c->seriesValues(), std::vector<Variant>{Variant()});
    EXPECT_EQ(c->groupNames(), std::vector<std::string>{""});
    EXPECT_FALSE(c->rangeData());
    EXPECT_FALSE(c->CurWk());
    EXPECT_FALSE(c->CurChart());

    EXPECT_FALSE(c->oSetSeriesName(0, "x")) << "no series yet: slot 0 is the spare";
    EXPECT_FALSE(c->oSetSeriesValue(0, Variant(1.0)));
    EXPECT_TRUE(c->oSetGroupName(0, "only")) << "group setters accept the spare slot";
    EXPECT_EQ(c->groupNames(), std::vector<std::string>{"only"});
    EXPECT_EQ(c->oGetGroupName(0), "") << "but the getter does not";
}

TEST(ChartDataModel, GroupListHasCountPlusOneSlotsAndTheSpareIsWritable) {
    auto c = CExcelChart::create();
    c->oSetGroupCount(3);
    EXPECT_EQ(c->oGetGroupCount(), 3);
    EXPECT_EQ(c->oGetGroupCount(true), 3);
    EXPECT_EQ(c->groupNames().size(), 4u);
    for (int16_t i = 0; i <= 3; ++i) EXPECT_TRUE(c->oSetGroupName(i, "G" + std::to_string(i))) << i;
    EXPECT_EQ(c->oGetGroupName(2), "G2");
    EXPECT_EQ(c->oGetGroupName(3), "") << "the spare slot is written but not read back";
    EXPECT_EQ(c->groupNames()[3], "G3");
    EXPECT_FALSE(c->oSetGroupName(4, "x"));
    EXPECT_FALSE(c->oSetGroupName(-1, "x"));
    EXPECT_EQ(c->oGetGroupName(-1), "");
    EXPECT_EQ(c->oGetGroupName(4), "");
    EXPECT_EQ(c->groupNames(), (std::vector<std::string>{"G0", "G1", "G2", "G3"}));
}

TEST(ChartDataModel, SeriesListsAcceptOnlyIndexesBelowTheCount) {
    auto c = CExcelChart::create();
    c->oSetSeriesCount(3);
    EXPECT_EQ(c->oGetSeriesCount(), 3);
    EXPECT_EQ(c->seriesNames().size(), 4u);
    EXPECT_EQ(c->seriesValues().size(), 4u);
    for (int16_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(c->oSetSeriesName(i, "S" + std::to_string(i)));
        EXPECT_TRUE(c->oSetSeriesValue(i, Variant(double(i))));
        EXPECT_TRUE(c->oSetSeriesName_Range(i, 1, i + 2, "Data"));
        EXPECT_TRUE(c->oSetSeriesValue_Range(i, 2, i + 2, 4, i + 2, "Data"));
    }
    for (int16_t bad : {int16_t{3}, int16_t{-1}, int16_t{32767}}) {
        EXPECT_FALSE(c->oSetSeriesName(bad, "x")) << bad;
        EXPECT_FALSE(c->oSetSeriesValue(bad, Variant(1.0))) << bad;
        EXPECT_FALSE(c->oSetSeriesName_Range(bad, 1, 1, "Data")) << bad;
        EXPECT_FALSE(c->oSetSeriesValue_Range(bad, 1, 1, 2, 2, "Data")) << bad;
        EXPECT_EQ(c->oGetSeriesName(bad), "") << bad;
    }
    EXPECT_EQ(c->seriesNames()[3], "") << "the spare slot is never written";
    EXPECT_EQ(c->seriesValues()[3], Variant());
    EXPECT_EQ(c->oGetSeriesName(1), "=Data!R1C3");
}

TEST(ChartDataModel, ResizingEmptiesTheListButKeepsTheGroupMode) {
    auto c = CExcelChart::create();
    c->oSetSeriesCount(2);
    c->oSetSeriesName(0, "A");
    c->oSetSeriesValue(1, Variant("={1}"));
    c->oSetSeriesCount(2);
    EXPECT_EQ(c->seriesNames(), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(c->seriesValues(), (std::vector<Variant>{Variant(), Variant(), Variant()}));

    c->oSetGroupCount(1);
    EXPECT_TRUE(c->oSetGroupName_Range(0, 2, 1, "Data"));
    EXPECT_TRUE(c->oGetGroupIsSheetRange());
    c->oSetGroupCount(2);
    EXPECT_EQ(c->groupNames(), (std::vector<std::string>{"", "", ""}));
    EXPECT_TRUE(c->oGetGroupIsSheetRange()) << "resizing does not change the mode";
    c->oSetGroupCount();
    EXPECT_EQ(c->oGetGroupCount(), 0);
}

TEST(ChartDataModel, NegativeCountsFailAndLeaveTheListsAlone) {
    auto c = CExcelChart::create();
    c->oSetSeriesCount(2);
    c->oSetSeriesName(1, "kept");
    c->oSetGroupCount(1);
    c->oSetGroupName(0, "kept");
    EXPECT_COM_ERROR(c->oSetSeriesCount(-1), com::hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(c->oSetGroupCount(-32768), com::hr::kSubscriptOutOfRange);
    EXPECT_EQ(c->oGetSeriesName(1), "kept");
    EXPECT_EQ(c->oGetSeriesCount(), 2);
    EXPECT_EQ(c->groupNames()[0], "kept");
}

TEST(ChartDataModel, LargestListsHold32768Slots) {
    auto c = CExcelChart::create();
    c->oSetSeriesCount(32767);
    c->oSetGroupCount(32767);
    EXPECT_EQ(c->oGetSeriesCount(), 32767);
    EXPECT_EQ(c->oGetGroupCount(), 32767);
    EXPECT_EQ(c->seriesValues().size(), 32768u);
    EXPECT_TRUE(c->oSetSeriesName(32766, "last"));
    EXPECT_TRUE(c->oSetGroupName(32767, "spare"));
}

TEST(ChartDataModel, GroupModeFollowsTheLastSetter) {
    auto c = CExcelChart::create();
    c->oSetGroupCount(2);
    EXPECT_TRUE(c->oSetGroupName_Range(0, 2, 1, "Data"));
    EXPECT_TRUE(c->oGetGroupIsSheetRange());
    EXPECT_TRUE(c->oSetGroupName(1, "Feb"));
    EXPECT_FALSE(c->oGetGroupIsSheetRange()) << "a text label turns the whole list to text mode";
    EXPECT_EQ(c->groupNames()[0], "Data!R2C1") << "earlier references stay, now as literal labels";
    EXPECT_FALSE(c->oSetGroupName_Range(3, 2, 1, "Data"));
    EXPECT_FALSE(c->oGetGroupIsSheetRange()) << "a refused setter changes nothing";
    c->oSetGroupIsSheetRange(true);
    EXPECT_TRUE(c->oGetGroupIsSheetRange());
    c->oSetGroupIsSheetRange();
    EXPECT_FALSE(c->oGetGroupIsSheetRange());
}

TEST(ChartDataModel, StoredValuesAreCopiesOfTheCallersArrays) {
    auto c = CExcelChart::create();
    c->oSetSeriesCount(1);
    Variant values = Variant::array({Variant(1.0), Variant::array({Variant(2.0)})}, 1);
    ASSERT_TRUE(c->oSetSeriesValue(0, values));
    values.asArray()->items[0] = Variant(99.0);
    values.asArray()->items[1].asArray()->items[0] = Variant(98.0);
    const Variant& stored = c->seriesValues()[0];
    ASSERT_EQ(stored.type(), com::VarType::Array);
    EXPECT_NE(stored.asArray(), values.asArray());
    EXPECT_EQ(stored.asArray()->lowerBound, 1);
    EXPECT_EQ(stored.asArray()->items[0], Variant(1.0));
    EXPECT_EQ(stored.asArray()->items[1].asArray()->items[0], Variant(2.0));
}

TEST(ChartDataModel, ValuesFromDataBecomeArrayConstants) {
    auto c = CExcelChart::create();
    c->oSetSeriesCount(2);
    Variant items = Variant::array({Variant(int16_t{1}), Variant("2"), Variant(3.25)});
    EXPECT_TRUE(c->oSetSeriesValue_Data(0, 3, items));
    EXPECT_EQ(c->seriesValues()[0], Variant("={1,2,3.25}"));
    EXPECT_TRUE(c->oSetSeriesValue_Data(1, 2, items, true));
    EXPECT_EQ(c->seriesValues()[1], Variant("=(1,2)"));
    EXPECT_TRUE(c->oSetSeriesValue_Data(1, 0, items));
    EXPECT_EQ(c->seriesValues()[1], Variant("={}"));
    EXPECT_FALSE(c->oSetSeriesValue_Data(5, 3, items)) << "an index past the series is refused after building";
    // The text is built before the index is checked.
    EXPECT_COM_ERROR(c->oSetSeriesValue_Data(5, 4, items), com::hr::kSubscriptOutOfRange);
}

TEST(ChartDataModel, ValuesFromBadDataFailAndStoreNothing) {
    auto c = CExcelChart::create();
    c->oSetSeriesCount(1);
    c->oSetSeriesValue(0, Variant("before"));
    EXPECT_COM_ERROR(c->oSetSeriesValue_Data(0, 2, Variant::array({Variant(1.0), Variant("two")})),
                     com::hr::kTypeMismatch);
    EXPECT_COM_ERROR(c->oSetSeriesValue_Data(0, 1, Variant::array({Variant::null()})), com::hr::kInvalidUseOfNull);
    EXPECT_COM_ERROR(c->oSetSeriesValue_Data(0, 2, Variant::array({Variant(1.0), Variant(2.0)}, 1)),
                     com::hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(c->oSetSeriesValue_Data(0, 1, Variant(1.0)), com::hr::kSubscriptOutOfRange);
    EXPECT_COM_ERROR(c->oSetSeriesValue_Data(0, -32768, Variant::array({})), com::hr::kOverflow);
    EXPECT_EQ(c->seriesValues()[0], Variant("before"));
}

TEST(ChartDataModel, CurBatObjBringsItsWorkbook) {
    auto c = CExcelChart::create();
    auto application = host::files::newApplication();
    auto first = application->add();
    auto job = printjob::CExcelBatDo::create();
    job->setCurWk(first);
    c->setCurBatObj(job);
    EXPECT_EQ(c->CurWk(), first);
    c->setCurBatObj(nullptr);
    EXPECT_EQ(c->CurWk(), first) << "putting none leaves the workbook";
    EXPECT_FALSE(c->CurBatObj());
    c->setCurBatObj(printjob::CExcelBatDo::create());
    EXPECT_FALSE(c->CurWk()) << "a job without a workbook empties it";
}

using ChartReferenceSetters = ChartBook;

TEST_F(ChartReferenceSetters, WorkedExampleWithADefaultSheet) {
    chart->oSetRange_Sheet("Data");
    chart->oSetSeriesCount(1);
    chart->oSetGroupCount(2);
    EXPECT_TRUE(chart->oSetSeriesValue_Range(0, 2, 2, 6, 2, ""));
    EXPECT_EQ(chart->seriesValues()[0], Variant("=Data!R2C2:R6C2"));
    EXPECT_TRUE(chart->oSetSeriesName_Range1(0, "B1", ""));
    EXPECT_EQ(chart->oGetSeriesName(0), "=Data!R1C2");
    EXPECT_TRUE(chart->oSetGroupName_Range(0, 2, 1, ""));
    EXPECT_EQ(chart->groupNames()[0], "Data!R2C1");
    EXPECT_TRUE(chart->oGetGroupIsSheetRange());
    EXPECT_TRUE(chart->oSetSeriesValue_Range1(0, "B2", "B6", "Sheet2"));
    EXPECT_EQ(chart->seriesValues()[0], Variant("=Sheet2!R2C2:R6C2"));
}

TEST_F(ChartReferenceSetters, A1SettersUseTheTopLeftCellOfEachAddress) {
    chart->oSetSeriesCount(1);
    chart->oSetGroupCount(1);
    EXPECT_TRUE(chart->oSetSeriesValue_Range1(0, "$b$2:d9", "c4:e5", "My Data"));
    EXPECT_EQ(chart->seriesValues()[0], Variant("=My Data!R2C2:R4C3"));
    EXPECT_TRUE(chart->oSetSeriesName_Range1(0, "B3:D5", "Data"));
    EXPECT_EQ(chart->oGetSeriesName(0), "=Data!R3C2");
    EXPECT_TRUE(chart->oSetGroupName_Range1(1, "a4", "Data")) << "the spare group slot is accepted";
    EXPECT_EQ(chart->groupNames()[1], "Data!R4C1");
}

TEST_F(ChartReferenceSetters, RowAndColumnSettersWriteNumbersWithoutChecks) {
    chart->oSetSeriesCount(1);
    EXPECT_TRUE(chart->oSetSeriesName_Range(0, 1, 2, ""));
    EXPECT_EQ(chart->oGetSeriesName(0), "=!R1C2") << "no sheet given and no default sheet";
    EXPECT_TRUE(chart->oSetSeriesValue_Range(0, 0, -1, 70000, 2, "Data"));
    EXPECT_EQ(chart->seriesValues()[0], Variant("=Data!R0C-1:R70000C2"));
}

TEST_F(ChartReferenceSetters, UnresolvableAddressesStoreNothing) {
    chart->oSetSeriesCount(1);
    chart->oSetGroupCount(1);
    chart->oSetSeriesName(0, "kept");
    chart->oSetSeriesValue(0, Variant("kept"));
    chart->oSetGroupName(0, "kept");
    EXPECT_FALSE(chart->oSetSeriesName_Range1(0, "no address", "Data"));
    EXPECT_FALSE(chart->oSetSeriesValue_Range1(0, "B2", "", "Data"));
    EXPECT_FALSE(chart->oSetSeriesValue_Range1(0, "B2", "XFE1", "Data"));
    EXPECT_FALSE(chart->oSetGroupName_Range1(0, "", "Data"));
    EXPECT_EQ(chart->oGetSeriesName(0), "kept");
    EXPECT_EQ(chart->seriesValues()[0], Variant("kept"));
    EXPECT_EQ(chart->groupNames()[0], "kept");
    EXPECT_FALSE(chart->oGetGroupIsSheetRange()) << "a failed reference leaves text mode";
}

TEST_F(ChartReferenceSetters, A1SettersNeedAWorkbook) {
    auto alone = CExcelChart::create();
    alone->oSetSeriesCount(1);
    EXPECT_FALSE(alone->oSetSeriesName_Range1(0, "B1", "Data"));
    EXPECT_TRUE(alone->oSetSeriesName_Range(0, 1, 2, "Data")) << "row and column references need no host";
}

TEST_F(ChartReferenceSetters, A1SettersWorkWhileAChartSheetIsActive) {
    auto sheet = workbook->addChartSheet();
    ASSERT_EQ(workbook->activeSheet(), sheet);
    chart->oSetSeriesCount(1);
    EXPECT_TRUE(chart->oSetSeriesName_Range1(0, "C1", "Data"));
    EXPECT_EQ(chart->oGetSeriesName(0), "=Data!R1C3");
}

}  // namespace
}  // namespace tavlora::chart
