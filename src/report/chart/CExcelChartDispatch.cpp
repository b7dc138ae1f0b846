#include "tavlora/CExcelChart.h"
#include "com/ObjectCast.h"
#include "host/chart/Chart.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"

namespace tavlora::chart {

namespace {

using com::MemberKind;
using com::ParamInfo;
using com::Variant;
using com::VarType;
using C = CExcelChart;
using Args = std::vector<Variant>;

C& self(com::Dispatch& d) { return static_cast<C&>(d); }

ParamInfo required(const char* name, VarType type) { return {name, type, false, Variant(), false}; }
ParamInfo index() { return required("nIndex", VarType::Integer); }
ParamInfo position(const char* name) { return required(name, VarType::Long); }
ParamInfo text(const char* name) { return required(name, VarType::String); }
ParamInfo optional(const char* name, VarType type, Variant value) { return {name, type, true, std::move(value), false}; }

class TableBuilder {
public:
    void method(const char* name, com::DISPID id, std::vector<ParamInfo> params, VarType result,
                com::MemberImpl impl) {
        members_.push_back({name, id, MemberKind::Method, std::move(params), result, std::move(impl)});
    }

    template <class Get, class Set>
    void objectProperty(const char* name, com::DISPID id, Get get, Set set) {
        members_.push_back({name, id, MemberKind::PropertySet, {required("RHS", VarType::Object)}, VarType::Empty,
                            [set](com::Dispatch& d, Args& a) {
                                set(self(d), a[0]);
                                return Variant();
                            }});
        members_.push_back({name, id, MemberKind::PropertyGet, {}, VarType::Object,
                            [get](com::Dispatch& d, Args&) { return get(self(d)); }});
    }

    com::DispatchTable build() { return com::DispatchTable("_CExcelChart", std::move(members_)); }

private:
    std::vector<com::MemberInfo> members_;
};

void addProperties(TableBuilder& t) {
    t.objectProperty(
        "CurBatObj", C::kDispIdCurBatObj, [](C& o) { return com::objectVariant(o.CurBatObj()); },
        [](C& o, const Variant& v) { o.setCurBatObj(com::objectAs<printjob::CExcelBatDo>(v)); });
    t.objectProperty(
        "CurWk", C::kDispIdCurWk, [](C& o) { return com::objectVariant(o.CurWk()); },
        [](C& o, const Variant& v) { o.setCurWk(com::objectAs<host::Workbook>(v)); });
    t.objectProperty(
        "CurSheet", C::kDispIdCurSheet, [](C& o) { return com::objectVariant(o.CurSheet()); },
        [](C& o, const Variant& v) { o.setCurSheet(com::objectAs<host::Worksheet>(v)); });
    t.objectProperty(
        "CurChart", C::kDispIdCurChart, [](C& o) { return com::objectVariant(o.CurChart()); },
        [](C& o, const Variant& v) { o.setCurChart(com::objectAs<host::Chart>(v)); });
}

void addGroupAccessors(TableBuilder& t) {
    t.method("oSetGroupCount", C::kDispIdoSetGroupCount, {optional("nCount", VarType::Integer, Variant(int16_t{0}))},
             VarType::Empty, [](com::Dispatch& d, Args& a) {
                 self(d).oSetGroupCount(a[0].asInt16());
                 return Variant();
             });
    t.method("oGetGroupCount", C::kDispIdoGetGroupCount, {optional("bRangeGroup", VarType::Boolean, Variant(false))},
             VarType::Integer,
             [](com::Dispatch& d, Args& a) { return Variant(self(d).oGetGroupCount(a[0].asBool())); });
    t.method("oSetGroupIsSheetRange", C::kDispIdoSetGroupIsSheetRange,
             {optional("bRange", VarType::Boolean, Variant(false))}, VarType::Empty, [](com::Dispatch& d, Args& a) {
                 self(d).oSetGroupIsSheetRange(a[0].asBool());
                 return Variant();
             });
    t.method("oGetGroupIsSheetRange", C::kDispIdoGetGroupIsSheetRange, {}, VarType::Boolean,
             [](com::Dispatch& d, Args&) { return Variant(self(d).oGetGroupIsSheetRange()); });
    t.method("oGetGroupName", C::kDispIdoGetGroupName, {index()}, VarType::String,
             [](com::Dispatch& d, Args& a) { return Variant(self(d).oGetGroupName(a[0].asInt16())); });
    t.method("oSetGroupName", C::kDispIdoSetGroupName, {index(), text("strGroupName")}, VarType::Boolean,
             [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).oSetGroupName(a[0].asInt16(), a[1].asString()));
             });
}

void addSeriesAccessors(TableBuilder& t) {
    t.method("oSetSeriesCount", C::kDispIdoSetSeriesCount, {required("nCount", VarType::Integer)}, VarType::Empty,
             [](com::Dispatch& d, Args& a) {
                 self(d).oSetSeriesCount(a[0].asInt16());
                 return Variant();
             });
    t.method("oGetSeriesCount", C::kDispIdoGetSeriesCount, {}, VarType::Integer,
             [](com::Dispatch& d, Args&) { return Variant(self(d).oGetSeriesCount()); });
    t.method("oGetSeriesName", C::kDispIdoGetSeriesName, {index()}, VarType::String,
             [](com::Dispatch& d, Args& a) { return Variant(self(d).oGetSeriesName(a[0].asInt16())); });
    t.method("oSetSeriesName", C::kDispIdoSetSeriesName, {index(), text("strSeriesName")}, VarType::Boolean,
             [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).oSetSeriesName(a[0].asInt16(), a[1].asString()));
             });
    t.method("oSetSeriesValue", C::kDispIdoSetSeriesValue, {index(), required("vtSeriesValue", VarType::Any)},
             VarType::Boolean,
             [](com::Dispatch& d, Args& a) { return Variant(self(d).oSetSeriesValue(a[0].asInt16(), a[1])); });
    t.method("oSetSeriesValue_Data", C::kDispIdoSetSeriesValue_Data,
             {index(), required("nGroupCount", VarType::Integer), {"vtValueSet", VarType::Any, false, Variant(), true},
              optional("bRange", VarType::Boolean, Variant(false))},
             VarType::Boolean, [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).oSetSeriesValue_Data(a[0].asInt16(), a[1].asInt16(), a[2], a[3].asBool()));
             });
}

void addReferenceSetters(TableBuilder& t) {
    t.method("oSetRange_Sheet", C::kDispIdoSetRange_Sheet, {text("strSheetName")}, VarType::Empty,
             [](com::Dispatch& d, Args& a) {
                 self(d).oSetRange_Sheet(a[0].asString());
                 return Variant();
             });
    t.method("oSetSeriesValue_Range", C::kDispIdoSetSeriesValue_Range,
             {index(), position("nRow"), position("nCol"), position("nRow1"), position("nCol1"), text("strSheet")},
             VarType::Boolean, [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).oSetSeriesValue_Range(a[0].asInt16(), a[1].asInt32(), a[2].asInt32(),
                                                              a[3].asInt32(), a[4].asInt32(), a[5].asString()));
             });
    t.method("oSetSeriesValue_Range1", C::kDispIdoSetSeriesValue_Range1,
             {index(), text("strPos"), text("strPos1"), text("strSheet")}, VarType::Boolean,
             [](com::Dispatch& d, Args& a) {
                 return Variant(
                     self(d).oSetSeriesValue_Range1(a[0].asInt16(), a[1].asString(), a[2].asString(), a[3].asString()));
             });
    t.method("oSetSeriesName_Range", C::kDispIdoSetSeriesName_Range,
             {index(), position("nRow"), position("nCol"), text("strSheet")}, VarType::Boolean,
             [](com::Dispatch& d, Args& a) {
                 return Variant(
                     self(d).oSetSeriesName_Range(a[0].asInt16(), a[1].asInt32(), a[2].asInt32(), a[3].asString()));
             });
    t.method("oSetSeriesName_Range1", C::kDispIdoSetSeriesName_Range1, {index(), text("strPos"), text("strSheet")},
             VarType::Boolean, [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).oSetSeriesName_Range1(a[0].asInt16(), a[1].asString(), a[2].asString()));
             });
    t.method("oSetGroupName_Range", C::kDispIdoSetGroupName_Range,
             {index(), position("nRow"), position("nCol"), text("strSheet")}, VarType::Boolean,
             [](com::Dispatch& d, Args& a) {
                 return Variant(
                     self(d).oSetGroupName_Range(a[0].asInt16(), a[1].asInt32(), a[2].asInt32(), a[3].asString()));
             });
    t.method("oSetGroupName_Range1", C::kDispIdoSetGroupName_Range1, {index(), text("strPos"), text("strSheet")},
             VarType::Boolean, [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).oSetGroupName_Range1(a[0].asInt16(), a[1].asString(), a[2].asString()));
             });
}

void addStyleAndBuilding(TableBuilder& t) {
    t.method("DoA_SetStyle", C::kDispIdDoA_SetStyle,
             {position("nDataLableFlag"), optional("bDataLableLegend", VarType::Boolean, Variant(false)),
              optional("bHasLegend", VarType::Boolean, Variant(true)),
              optional("bHasDataTable", VarType::Boolean, Variant(false))},
             VarType::Empty, [](com::Dispatch& d, Args& a) {
                 self(d).DoA_SetStyle(a[0].asInt32(), a[1].asBool(), a[2].asBool(), a[3].asBool());
                 return Variant();
             });
    t.method("DoA_SetTitle", C::kDispIdDoA_SetTitle, {text("strTitle")}, VarType::Empty,
             [](com::Dispatch& d, Args& a) {
                 self(d).DoA_SetTitle(a[0].asString());
                 return Variant();
             });
    t.method("DoA_Chart", C::kDispIdDoA_Chart,
             {text("strSheet"), optional("eChartType", VarType::Long, Variant(int32_t{0})),
              optional("strChart", VarType::String, Variant(""))},
             VarType::Boolean, [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).DoA_Chart(a[0].asString(), a[1].asInt32(), a[2].asString()));
             });
    t.method("DoA_ChartFromRange_SetData", C::kDispIdDoA_ChartFromRange_SetData,
             {text("strSheet"), position("nRow"), position("nCol"),
              optional("nRow1", VarType::Long, Variant(int32_t{0})),
              optional("nCol1", VarType::Long, Variant(int32_t{0}))},
             VarType::Boolean, [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).DoA_ChartFromRange_SetData(a[0].asString(), a[1].asInt32(), a[2].asInt32(),
                                                                   a[3].asInt32(), a[4].asInt32()));
             });
    t.method("DoA_ChartFromRange_SetData1", C::kDispIdDoA_ChartFromRange_SetData1,
             {text("strSheet"), text("strPos"), optional("strPos1", VarType::String, Variant(""))}, VarType::Boolean,
             [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).DoA_ChartFromRange_SetData1(a[0].asString(), a[1].asString(), a[2].asString()));
             });
    t.method("DoA_ChartFromRange", C::kDispIdDoA_ChartFromRange,
             {text("strSheet"), optional("bCol", VarType::Boolean, Variant(true)),
              optional("eChartType", VarType::Long, Variant(int32_t{0})),
              optional("strChart", VarType::String, Variant(""))},
             VarType::Boolean, [](com::Dispatch& d, Args& a) {
                 return Variant(
                     self(d).DoA_ChartFromRange(a[0].asString(), a[1].asBool(), a[2].asInt32(), a[3].asString()));
             });
}

void addSheetText(TableBuilder& t) {
    t.method("DoA_OutputString", C::kDispIdDoA_OutputString,
             {position("nRow"), position("nCol"), text("strValue"), text("strSheet")}, VarType::Boolean,
             [](com::Dispatch& d, Args& a) {
                 return Variant(
                     self(d).DoA_OutputString(a[0].asInt32(), a[1].asInt32(), a[2].asString(), a[3].asString()));
             });
    t.method("DoA_OutputString1", C::kDispIdDoA_OutputString1, {text("strPos"), text("strValue"), text("strSheet")},
             VarType::Boolean, [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).DoA_OutputString1(a[0].asString(), a[1].asString(), a[2].asString()));
             });
    t.method("DoA_ReplaceText", C::kDispIdDoA_ReplaceText, {text("strName"), text("strValue"), text("strSheet")},
             VarType::Long, [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).DoA_ReplaceText(a[0].asString(), a[1].asString(), a[2].asString()));
             });
    t.method("DoA_ReplaceWhiteDot", C::kDispIdDoA_ReplaceWhiteDot,
             {text("strName"), text("strValue"), text("strSheet")}, VarType::Long, [](com::Dispatch& d, Args& a) {
                 return Variant(self(d).DoA_ReplaceWhiteDot(a[0].asString(), a[1].asString(), a[2].asString()));
             });
}

com::DispatchTable buildTable() {
    TableBuilder t;
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
