#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"
#include "report/chart/CExcelChartTestSupport.h"
#include "com/ObjectCast.h"

namespace tavlora::chart {
namespace {

using com::MemberKind;
using com::Variant;

// Identifiers as the table gives them to a client that asks by name.
com::DISPID idOf(const char* name) { return CExcelChart::create()->GetIDsOfNames(name); }

using ChartDispatchCalls = test::ChartBook;

TEST_F(ChartDispatchCalls, ObjectPropertiesByName) {
    auto c = CExcelChart::create();
    c->put("CurBatObj", com::objectVariant(job));
    EXPECT_EQ(com::objectAs<host::Workbook>(c->get("CurWk")), workbook);
    EXPECT_EQ(com::objectAs<printjob::CExcelBatDo>(c->get("CurBatObj")), job);
    c->put("CurSheet", com::objectVariant(report));
    EXPECT_EQ(com::objectAs<host::Worksheet>(c->get("CurSheet")), report);
    auto object = report->addChartObject(0, 0, 200, 100);
    c->put("CurChart", com::objectVariant(object->chart()));
    EXPECT_EQ(c->CurChart(), object->chart());
    EXPECT_EQ(com::objectAs<host::Chart>(c->get("CurChart")), object->chart());
    c->put("CurWk", Variant());
    EXPECT_FALSE(c->CurWk());
    EXPECT_COM_ERROR(c->put("CurChart", com::objectVariant(report)), com::hr::kTypeMismatch);
}

TEST_F(ChartDispatchCalls, DataModelByNameWithDefaultsAndCoercion) {
    chart->call("oSetSeriesCount", {Variant("2")});
    EXPECT_EQ(chart->call("oGetSeriesCount"), Variant(int16_t{2}));
    EXPECT_EQ(chart->call("oSetSeriesName", {Variant(1.0), Variant("Cost")}), Variant(true));
    EXPECT_EQ(chart->call("oGetSeriesName", {Variant(int32_t{1})}), Variant("Cost"));
    EXPECT_EQ(chart->call("oSetSeriesName", {Variant(int16_t{2}), Variant("x")}), Variant(false));
    chart->call("oSetGroupCount");
    EXPECT_EQ(chart->call("oGetGroupCount"), Variant(int16_t{0}));
    chart->call("oSetGroupIsSheetRange", {Variant(true)});
    EXPECT_EQ(chart->call("oGetGroupIsSheetRange"), Variant(true));
    chart->call("oSetGroupIsSheetRange");
    EXPECT_EQ(chart->call("oGetGroupIsSheetRange"), Variant(false));
    EXPECT_EQ(chart->call("oSetGroupName", {Variant(int16_t{0}), Variant("Jan")}), Variant(true));
    EXPECT_EQ(chart->call("oGetGroupName", {Variant(int16_t{0})}), Variant(""));

    Variant items = Variant::array({Variant(1.0), Variant(2.5)});
    EXPECT_EQ(chart->call("oSetSeriesValue_Data", {Variant(int16_t{0}), Variant(int16_t{2}), items}), Variant(true));
    EXPECT_EQ(chart->seriesValues()[0], Variant("={1,2.5}"));
    EXPECT_EQ(chart->call("oSetSeriesValue_Data", {Variant(int16_t{0}), Variant(int16_t{2}), items, Variant(true)}),
              Variant(true));
    EXPECT_EQ(chart->seriesValues()[0], Variant("=(1,2.5)"));
    EXPECT_EQ(chart->call("oSetSeriesValue", {Variant(int16_t{1}), items}), Variant(true));
    EXPECT_EQ(chart->seriesValues()[1], items);

    EXPECT_COM_ERROR(chart->call("oSetSeriesCount", {Variant(int32_t{40000})}), com::hr::kDispOverflow);
    EXPECT_COM_ERROR(chart->call("oSetSeriesCount", {Variant(int16_t{-1})}), com::hr::kSubscriptOutOfRange);
}

TEST_F(ChartDispatchCalls, ReferenceSettersByIdentifier) {
    std::vector<Variant> args = {Variant("Data")};
    chart->Invoke(idOf("oSetRange_Sheet"), MemberKind::Method, args);
    chart->oSetSeriesCount(1);
    chart->oSetGroupCount(1);
    std::vector<Variant> values = {Variant(int16_t{0}), Variant(int32_t{2}), Variant(int32_t{2}), Variant(int32_t{4}),
                                   Variant(int32_t{2}), Variant("")};
    EXPECT_EQ(chart->Invoke(idOf("oSetSeriesValue_Range"), MemberKind::Method, values), Variant(true));
    EXPECT_EQ(chart->seriesValues()[0], Variant("=Data!R2C2:R4C2"));
    std::vector<Variant> values1 = {Variant(int16_t{0}), Variant("C2"), Variant("C4"), Variant("")};
    EXPECT_EQ(chart->Invoke(idOf("oSetSeriesValue_Range1"), MemberKind::Method, values1), Variant(true));
    EXPECT_EQ(chart->seriesValues()[0], Variant("=Data!R2C3:R4C3"));
    std::vector<Variant> name = {Variant(int16_t{0}), Variant(int32_t{1}), Variant(int32_t{2}), Variant("")};
    EXPECT_EQ(chart->Invoke(idOf("oSetSeriesName_Range"), MemberKind::Method, name), Variant(true));
    EXPECT_EQ(chart->oGetSeriesName(0), "=Data!R1C2");
    std::vector<Variant> name1 = {Variant(int16_t{0}), Variant("C1"), Variant("")};
    EXPECT_EQ(chart->Invoke(idOf("oSetSeriesName_Range1"), MemberKind::Method, name1), Variant(true));
    EXPECT_EQ(chart->oGetSeriesName(0), "=Data!R1C3");
    std::vector<Variant> group = {Variant(int16_t{0}), Variant(int32_t{2}), Variant(int32_t{1}), Variant("")};
    EXPECT_EQ(chart->Invoke(idOf("oSetGroupName_Range"), MemberKind::Method, group), Variant(true));
    std::vector<Variant> group1 = {Variant(int16_t{1}), Variant("A3"), Variant("")};
    EXPECT_EQ(chart->Invoke(idOf("oSetGroupName_Range1"), MemberKind::Method, group1), Variant(true));
    EXPECT_EQ(chart->groupNames(), (std::vector<std::string>{"Data!R2C1", "Data!R3C1"}));
    EXPECT_EQ(chart->call("oGetGroupIsSheetRange"), Variant(true));
}

TEST_F(ChartDispatchCalls, BuildingStyleAndSheetTextByName) {
    holdSalesAndCost();
    EXPECT_EQ(chart->call("DoA_Chart", {Variant("Report"), Variant::missing(), Variant("C1")}), Variant(true));
    ASSERT_TRUE(chart->CurChart());
    EXPECT_EQ(chart->CurChart()->seriesCollection().count(), 2);
    chart->call("DoA_SetStyle", {Variant(int32_t{2})});
    EXPECT_TRUE(chart->CurChart()->hasLegend());
    EXPECT_FALSE(chart->CurChart()->hasDataTable());
    chart->call("DoA_SetStyle", {Variant(int32_t{2}), Variant(false), Variant(false), Variant(true)});
    EXPECT_FALSE(chart->CurChart()->hasLegend());
    EXPECT_TRUE(chart->CurChart()->hasDataTable());
    chart->call("DoA_SetTitle", {Variant("Quarter")});
    EXPECT_EQ(chart->CurChart()->titleText(), "Quarter");

    EXPECT_EQ(chart->call("DoA_ChartFromRange_SetData", {Variant("Data"), Variant(int32_t{1}), Variant(int32_t{1})}),
              Variant(true));
    EXPECT_EQ(chart->rangeData()->address(), "$A$1");
    EXPECT_EQ(chart->call("DoA_ChartFromRange_SetData1", {Variant("Data"), Variant("A1"), Variant("C4")}),
              Variant(true));
    EXPECT_EQ(chart->call("DoA_ChartFromRange", {Variant("Report")}), Variant(true));
    EXPECT_EQ(chart->CurChart()->seriesCollection().count(), 2);
    EXPECT_EQ(chart->call("DoA_ChartFromRange", {Variant("Report"), Variant(false), Variant(int32_t{4}), Variant("R")}),
              Variant(true));
    EXPECT_EQ(chart->CurChart()->seriesCollection().count(), 3);
    EXPECT_EQ(chart->CurChart()->chartType(), 4);

    EXPECT_EQ(chart->call("DoA_OutputString", {Variant(int32_t{1}), Variant(int32_t{1}), Variant("%Who%"),
                                               Variant("Report")}),
              Variant(true));
    EXPECT_EQ(chart->call("DoA_OutputString1", {Variant("B1"), Variant("Who"), Variant("Report")}), Variant(true));
    EXPECT_EQ(chart->call("DoA_ReplaceWhiteDot", {Variant("Who"), Variant("Me"), Variant("Report")}),
              Variant(int32_t{1}));
    EXPECT_EQ(chart->call("DoA_ReplaceText", {Variant("Who"), Variant("You"), Variant("Report")}),
              Variant(int32_t{1}));
    EXPECT_EQ(com::toText(report->range("A1").value()), "Me");
    EXPECT_EQ(com::toText(report->range("B1").value()), "You");
}

}  // namespace
}  // namespace tavlora::chart
