#include "com/Conversions.h"
#include "com/ObjectCast.h"
#include "data/Recordset.h"
#include "data/XmlNodeList.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelOutputRcd.h"
#include "tavlora/CExcelBatDo.h"

namespace tavlora::outputrcd {

namespace {

using com::MemberKind;
using com::ParamInfo;
using com::Variant;
using com::VarType;

CExcelOutputRcd& self(com::Dispatch& d) { return static_cast<CExcelOutputRcd&>(d); }

ParamInfo required(const char* name, VarType type) { return {name, type, false, Variant(), false}; }
ParamInfo requiredRef(const char* name, VarType type) { return {name, type, false, Variant(), true}; }
ParamInfo optionalText(const char* name) { return {name, VarType::String, true, Variant(""), false}; }
ParamInfo optionalPosition(const char* name) { return {name, VarType::Long, true, Variant(int32_t{1}), false}; }
ParamInfo rhs(VarType type) { return required("RHS", type); }

template <class Get, class Set>
void addObjectProperty(std::vector<com::MemberInfo>& members, const char* name, com::DISPID id, Get get, Set set) {
    members.push_back({name, id, MemberKind::PropertySet, {rhs(VarType::Object)}, VarType::Empty,
                       [set](com::Dispatch& d, std::vector<Variant>& a) {
                           set(self(d), a[0]);
                           return Variant();
                       }});
    members.push_back({name, id, MemberKind::PropertyGet, {}, VarType::Object,
                       [get](com::Dispatch& d, std::vector<Variant>&) { return get(self(d)); }});
}

template <class Get, class Set>
void addValueProperty(std::vector<com::MemberInfo>& members, const char* name, com::DISPID id, VarType type, Get get,
                      Set set) {
    members.push_back({name, id, MemberKind::PropertyLet, {rhs(type)}, VarType::Empty,
                       [set](com::Dispatch& d, std::vector<Variant>& a) {
                           set(self(d), a[0]);
                           return Variant();
                       }});
    members.push_back({name, id, MemberKind::PropertyGet, {}, type,
                       [get](com::Dispatch& d, std::vector<Variant>&) { return Variant(get(self(d))); }});
}

com::DispatchTable buildTable() {
    using C = CExcelOutputRcd;
    std::vector<com::MemberInfo> members;
    addObjectProperty(
        members, "CurBatObj", C::kDispIdCurBatObj, [](C& o) { return com::objectVariant(o.CurBatObj()); },
        [](C& o, const Variant& v) { o.setCurBatObj(com::objectAs<printjob::CExcelBatDo>(v)); });
    addObjectProperty(
        members, "CurWk", C::kDispIdCurWk, [](C& o) { return com::objectVariant(o.CurWk()); },
        [](C& o, const Variant& v) { o.setCurWk(com::objectAs<host::Workbook>(v)); });
    addObjectProperty(
        members, "CurSheet", C::kDispIdCurSheet, [](C& o) { return com::objectVariant(o.CurSheet()); },
        [](C& o, const Variant& v) { o.setCurSheet(com::objectAs<host::Worksheet>(v)); });
    addValueProperty(
        members, "IsFldNameOfAlias", C::kDispIdIsFldNameOfAlias, VarType::Boolean,
        [](C& o) { return o.IsFldNameOfAlias(); }, [](C& o, const Variant& v) { o.setIsFldNameOfAlias(v.asBool()); });
    addValueProperty(
        members, "IsTitle", C::kDispIdIsTitle, VarType::Boolean, [](C& o) { return o.IsTitle(); },
        [](C& o, const Variant& v) { o.setIsTitle(v.asBool()); });
    addValueProperty(
        members, "Title", C::kDispIdTitle, VarType::String, [](C& o) { return o.Title(); },
        [](C& o, const Variant& v) { o.setTitle(v.asString()); });
    addValueProperty(
        members, "IsNoZero", C::kDispIdIsNoZero, VarType::Boolean, [](C& o) { return o.IsNoZero(); },
        [](C& o, const Variant& v) { o.setIsNoZero(v.asBool()); });
    members.push_back({"DoA_RcdRst", C::kDispIdDoA_RcdRst, MemberKind::Method,
                       {required("strSheetName", VarType::String), requiredRef("rst", VarType::Object),
                        optionalPosition("Row"), optionalPosition("Col")},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_RcdRst(a[0].asString(), com::objectAs<data::Recordset>(a[1]),
                                                             a[2].asInt32(), a[3].asInt32()));
                       }});
    addValueProperty(
        members, "xmlWay", C::kDispIdXmlWay, VarType::Long, [](C& o) { return o.xmlWay(); },
        [](C& o, const Variant& v) { o.setXmlWay(v.asInt32()); });
    addValueProperty(
        members, "xmlFldKey", C::kDispIdXmlFldKey, VarType::String, [](C& o) { return o.xmlFldKey(); },
        [](C& o, const Variant& v) { o.setXmlFldKey(v.asString()); });
    addValueProperty(
        members, "xmlFldAdo", C::kDispIdXmlFldAdo, VarType::String, [](C& o) { return o.xmlFldAdo(); },
        [](C& o, const Variant& v) { o.setXmlFldAdo(v.asString()); });
    members.push_back({"DoA_RcdXml0", C::kDispIdDoA_RcdXml0, MemberKind::Method,
                       {required("strSheetName", VarType::String), requiredRef("pDataNodeList", VarType::Object),
                        requiredRef("pFldNodeList", VarType::Object), optionalPosition("Row"),
                        optionalPosition("Col")},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_RcdXml0(a[0].asString(),
                                                              com::objectAs<data::XmlNodeList>(a[1]),
                                                              com::objectAs<data::XmlNodeList>(a[2]),
                                                              a[3].asInt32(), a[4].asInt32()));
                       }});
    members.push_back({"DoA_RcdXml", C::kDispIdDoA_RcdXml, MemberKind::Method,
                       {required("strSheetName", VarType::String), required("strXmlFile", VarType::String),
                        required("strRowQuery", VarType::String), optionalText("strColQuery"),
                        optionalPosition("Row"), optionalPosition("Col")},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_RcdXml(a[0].asString(), a[1].asString(), a[2].asString(),
                                                             a[3].asString(), a[4].asInt32(), a[5].asInt32()));
                       }});
    return com::DispatchTable("_CExcelOutputRcd", std::move(members));
}

}  // namespace

const com::DispatchTable& CExcelOutputRcd::dispatchTable() const {
    static const com::DispatchTable table = buildTable();
    return table;
}

}  // namespace tavlora::outputrcd
