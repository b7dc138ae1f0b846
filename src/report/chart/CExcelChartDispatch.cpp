#include "com/DispatchRows.h"
#include "host/chart/Chart.h"
#include "tavlora/CExcelChart.h"
#include "report/printjob/JobTargetRows.h"

namespace tavlora::chart {

namespace {

using com::byRefParam;
using com::optionalParam;
using com::ParamInfo;
using com::Variant;
using com::VarType;
using printjob::params::optionalFlag;
using printjob::params::optionalText;
using printjob::params::position;
using printjob::params::text;
using C = CExcelChart;
using Rows = com::DispatchRows<C>;

ParamInfo index() { return {"nIndex", VarType::Integer}; }
ParamInfo optionalLong(const char* name) { return optionalParam(name, VarType::Long, Variant(int32_t{0})); }

void addProperties(Rows& t) {
    printjob::addJobTargetRows(t, 0x68030003, 0x68030002, 0x68030001);
    t.set("CurChart", 0x68030000, &C::setCurChart).get("CurChart", 0x68030000, VarType::Object, &C::CurChart);
}

void addGroupAccessors(Rows& t) {
    t.method("oSetGroupCount", 0x60030006, {optionalParam("nCount", VarType::Integer, Variant(int16_t{0}))},
             VarType::Empty, &C::oSetGroupCount)
        .method("oGetGroupCount", 0x60030007, {optionalFlag("bRangeGroup", false)}, VarType::Integer,
                &C::oGetGroupCount)
        .method("oSetGroupIsSheetRange", 0x60030008, {optionalFlag("bRange", false)}, VarType::Empty,
                &C::oSetGroupIsSheetRange)
        .method("oGetGroupIsSheetRange", 0x60030009, VarType::Boolean, &C::oGetGroupIsSheetRange)
        .method("oGetGroupName", 0x6003000A, {index()}, VarType::String, &C::oGetGroupName)
        .method("oSetGroupName", 0x6003000B, {index(), text("strGroupName")}, VarType::Boolean, &C::oSetGroupName);
}

void addSeriesAccessors(Rows& t) {
    t.method("oSetSeriesCount", 0x6003000C, {{"nCount", VarType::Integer}}, VarType::Empty, &C::oSetSeriesCount)
        .method("oGetSeriesCount", 0x6003000D, VarType::Integer, &C::oGetSeriesCount)
        .method("oGetSeriesName", 0x6003000E, {index()}, VarType::String, &C::oGetSeriesName)
        .method("oSetSeriesName", 0x6003000F, {index(), text("strSeriesName")}, VarType::Boolean, &C::oSetSeriesName)
        .method("oSetSeriesValue", 0x60030010, {index(), {"vtSeriesValue", VarType::Any}}, VarType::Boolean,
                &C::oSetSeriesValue)
        .method("oSetSeriesValue_Data", 0x60030011,
                {index(), {"nGroupCount", VarType::Integer}, byRefParam("vtValueSet", VarType::Any),
                 optionalFlag("bRange", false)},
                VarType::Boolean, &C::oSetSeriesValue_Data);
}

void addReferenceSetters(Rows& t) {
    t.method("oSetRange_Sheet", 0x60030013, {text("strSheetName")}, VarType::Empty, &C::oSetRange_Sheet)
        .method("oSetSeriesValue_Range", 0x60030014,
                {index(), position("nRow"), position("nCol"), position("nRow1"), position("nCol1"), text("strSheet")},
                VarType::Boolean, &C::oSetSeriesValue_Range)
        .method("oSetSeriesValue_Range1", 0x60030015, {index(), text("strPos"), text("strPos1"), text("strSheet")},
                VarType::Boolean, &C::oSetSeriesValue_Range1)
        .method("oSetSeriesName_Range", 0x60030016, {index(), position("nRow"), position("nCol"), text("strSheet")},
                VarType::Boolean, &C::oSetSeriesName_Range)
        .method("oSetSeriesName_Range1", 0x60030017, {index(), text("strPos"), text("strSheet")}, VarType::Boolean,
                &C::oSetSeriesName_Range1)
        .method("oSetGroupName_Range", 0x60030018, {index(), position("nRow"), position("nCol"), text("strSheet")},
                VarType::Boolean, &C::oSetGroupName_Range)
        .method("oSetGroupName_Range1", 0x60030019, {index(), text("strPos"), text("strSheet")}, VarType::Boolean,
                &C::oSetGroupName_Range1);
}

void addStyleAndBuilding(Rows& t) {
    t.method("DoA_SetStyle", 0x6003001E,
             {position("nDataLableFlag"), optionalFlag("bDataLableLegend", false), optionalFlag("bHasLegend", true),
              optionalFlag("bHasDataTable", false)},
             VarType::Empty, &C::DoA_SetStyle)
        .method("DoA_SetTitle", 0x6003001F, {text("strTitle")}, VarType::Empty, &C::DoA_SetTitle)
        .method("DoA_Chart", 0x60030020, {text("strSheet"), optionalLong("eChartType"), optionalText("strChart")},
                VarType::Boolean, &C::DoA_Chart)
        .method("DoA_ChartFromRange_SetData", 0x60030021,
                {text("strSheet"), position("nRow"), position("nCol"), optionalLong("nRow1"), optionalLong("nCol1")},
                VarType::Boolean, &C::DoA_ChartFromRange_SetData)
        .method("DoA_ChartFromRange_SetData1", 0x60030022,
                {text("strSheet"), text("strPos"), optionalText("strPos1")}, VarType::Boolean,
                &C::DoA_ChartFromRange_SetData1)
        .method("DoA_ChartFromRange", 0x60030023,
                {text("strSheet"), optionalFlag("bCol", true), optionalLong("eChartType"), optionalText("strChart")},
                VarType::Boolean, &C::DoA_ChartFromRange);
}

void addSheetText(Rows& t) {
    t.method("DoA_OutputString", 0x60030024, {position("nRow"), position("nCol"), text("strValue"), text("strSheet")},
             VarType::Boolean, &C::DoA_OutputString)
        .method("DoA_OutputString1", 0x60030025, {text("strPos"), text("strValue"), text("strSheet")},
                VarType::Boolean, &C::DoA_OutputString1)
        .method("DoA_ReplaceText", 0x60030026, {text("strName"), text("strValue"), text("strSheet")}, VarType::Long,
                &C::DoA_ReplaceText)
        .method("DoA_ReplaceWhiteDot", 0x60030027, {text("strName"), text("strValue"), text("strSheet")},
                VarType::Long, &C::DoA_ReplaceWhiteDot);
}

com::DispatchTable buildTable() {
    Rows t("_CExcelChart");
    addProperties(t);
    addGroupAccessors(t);
    addSeriesAccessors(t);
    addReferenceSetters(t);
    addStyleAndBuilding(t);
    addSheetText(t);
    return t.build();
}

}  // namespace

const com::DispatchTable& CExcelChart::dispatchTable() const {
    static const com::DispatchTable table = buildTable();
    return table;
}

}  // namespace tavlora::chart
