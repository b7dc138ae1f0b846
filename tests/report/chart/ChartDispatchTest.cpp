#include <gtest/gtest.h>

#include "support/ComErrorMatchers.h"
#include "report/chart/CExcelChartTestSupport.h"
#include "com/ObjectCast.h"

namespace tavlora::chart {
namespace {

using com::MemberKind;
using com::Variant;

TEST(ChartDispatch, MembersInSlotOrderWithTheirIdentifiers) {
    struct Expected {
        const char* name;
        com::DISPID id;
        MemberKind kind;
    };
    const std::vector<Expected> expected = {
        {"CurBatObj", 0x68030003, MemberKind::PropertySet},
        {"CurBatObj", 0x68030003, MemberKind::PropertyGet},
        {"CurWk", 0x68030002, MemberKind::PropertySet},
        {"CurWk", 0x68030002, MemberKind::PropertyGet},
        {"CurSheet", 0x68030001, MemberKind::PropertySet},
        {"CurSheet", 0x68030001, MemberKind::PropertyGet},
        {"CurChart", 0x68030000, MemberKind::PropertySet},
        {"CurChart", 0x68030000, MemberKind::PropertyGet},
        {"oSetGroupCount", 0x60030006, MemberKind::Method},
        {"oGetGroupCount", 0x60030007, MemberKind::Method},
        {"oSetGroupIsSheetRange", 0x60030008, MemberKind::Method},
        {"oGetGroupIsSheetRange", 0x60030009, MemberKind::Method},
        {"oGetGroupName", 0x6003000A, MemberKind::Method},
        {"oSetGroupName", 0x6003000B, MemberKind::Method},
        {"oSetSeriesCount", 0x6003000C, MemberKind::Method},
        {"oGetSeriesCount", 0x6003000D, MemberKind::Method},
        {"oGetSeriesName", 0x6003000E, MemberKind::Method},
        {"oSetSeriesName", 0x6003000F, MemberKind::Method},
        {"oSetSeriesValue", 0x60030010, MemberKind::Method},
        {"oSetSeriesValue_Data", 0x60030011, MemberKind::Method},
        {"oSetRange_Sheet", 0x60030013, MemberKind::Method},
        {"oSetSeriesValue_Range", 0x60030014, MemberKind::Method},
        {"oSetSeriesValue_Range1", 0x60030015, MemberKind::Method},
        {"oSetSeriesName_Range", 0x60030016, MemberKind::Method},
        {"oSetSeriesName_Range1", 0x60030017, MemberKind::Method},
        {"oSetGroupName_Range", 0x60030018, MemberKind::Method},
        {"oSetGroupName_Range1", 0x60030019, MemberKind::Method},
        {"DoA_SetStyle", 0x6003001E, MemberKind::Method},
        {"DoA_SetTitle", 0x6003001F, MemberKind::Method},
        {"DoA_Chart", 0x60030020, MemberKind::Method},
        {"DoA_ChartFromRange_SetData", 0x60030021, MemberKind::Method},
        {"DoA_ChartFromRange_SetData1", 0x60030022, MemberKind::Method},
        {"DoA_ChartFromRange", 0x60030023, MemberKind::Method},
        {"DoA_OutputString", 0x60030024, MemberKind::Method},
        {"DoA_OutputString1", 0x60030025, MemberKind::Method},
        {"DoA_ReplaceText", 0x60030026, MemberKind::Method},
        {"DoA_ReplaceWhiteDot", 0x60030027, MemberKind::Method},
    };
    auto c = CExcelChart::create();
    const auto& table = c->dispatchTable();
    EXPECT_EQ(table.interfaceName(), "_CExcelChart");
    ASSERT_EQ(table.members().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& member = table.members()[i];
        EXPECT_EQ(member.name, expected[i].name) << i;
        EXPECT_EQ(member.dispid, expected[i].id) << i;
        EXPECT_EQ(member.kind, expected[i].kind) << i;
        EXPECT_TRUE(member.impl) << i;
        EXPECT_EQ(c->GetIDsOfNames(expected[i].name), expected[i].id);
    }
    EXPECT_EQ(c->GetIDsOfNames("DOA_CHART"), 0x60030020);
}

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
    using C = CExcelChart;
    std::vector<Variant> args = {Variant("Data")};
    chart->Invoke(C::kDispIdoSetRange_Sheet, MemberKind::Method, args);
    chart->oSetSeriesCount(1);
    chart->oSetGroupCount(1);
    std::vector<Variant> values = {Variant(int16_t{0}), Variant(int32_t{2}), Variant(int32_t{2}), Variant(int32_t{4}),
                                   Variant(int32_t{2}), Variant("")};
    EXPECT_EQ(chart->Invoke(C::kDispIdoSetSeriesValue_Range, MemberKind::Method, values), Variant(true));
    EXPECT_EQ(chart->seriesValues()[0], Variant("=Data!R2C2:R4C2"));
    std::vector<Variant> values1 = {Variant(int16_t{0}), Variant("C2"), Variant("C4"), Variant("")};
    EXPECT_EQ(chart->Invoke(C::kDispIdoSetSeriesValue_Range1, MemberKind::Method, values1), Variant(true));
    EXPECT_EQ(chart->seriesValues()[0], Variant("=Data!R2C3:R4C3"));
    std::vector<Variant> name = {Variant(int16_t{0}), Variant(int32_t{1}), Variant(int32_t{2}), Variant("")};
    EXPECT_EQ(chart->Invoke(C::kDispIdoSetSeriesName_Range, MemberKind::Method, name), Variant(true));
    EXPECT_EQ(chart->oGetSeriesName(0), "=Data!R1C2");
    std::vector<Variant> name1 = {Variant(int16_t{0}), Variant("C1"), Variant("")};
    EXPECT_EQ(chart->Invoke(C::kDispIdoSetSeriesName_Range1, MemberKind::Method, name1), Variant(true));
    EXPECT_EQ(chart->oGetSeriesName(0), "=Data!R1C3");
    std::vector<Variant> group = {Variant(int16_t{0}), Variant(int32_t{2}), Variant(int32_t{1}), Variant("")};
    EXPECT_EQ(chart->Invoke(C::kDispIdoSetGroupName_Range, MemberKind::Method, group), Variant(true));
    std::vector<Variant> group1 = {Variant(int16_t{1}), Variant("A3"), Variant("")};
    EXPECT_EQ(chart->Invoke(C::kDispIdoSetGroupName_Range1, MemberKind::Method, group1), Variant(true));
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
