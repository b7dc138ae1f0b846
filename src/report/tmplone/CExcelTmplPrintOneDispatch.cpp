#include "com/Conversions.h"
#include "com/ObjectCast.h"
#include "data/Recordset.h"
#include "data/XmlNode.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintOne.h"

namespace tavlora::tmplone {

namespace {

using com::MemberKind;
using com::ParamInfo;
using com::Variant;
using com::VarType;

CExcelTmplPrintOne& self(com::Dispatch& d) { return static_cast<CExcelTmplPrintOne&>(d); }

ParamInfo required(const char* name, VarType type) { return {name, type, false, Variant(), false}; }
ParamInfo objectByRef(const char* name) { return {name, VarType::Object, false, Variant(), true}; }
ParamInfo optionalText(const char* name) { return {name, VarType::String, true, Variant(""), false}; }
ParamInfo optionalInteger(const char* name, int16_t value) { return {name, VarType::Integer, true, Variant(value), false}; }

// Property set (by reference) and get of one object reference, sharing one identifier.
template <class T, class Getter, class Setter>
void addObjectProperty(std::vector<com::MemberInfo>& members, const char* name, com::DISPID id, Getter get,
                       Setter set) {
    members.push_back({name, id, MemberKind::PropertySet, {required("RHS", VarType::Object)}, VarType::Empty,
                       [set](com::Dispatch& d, std::vector<Variant>& a) {
                           set(self(d), com::objectAs<T>(a[0]));
                           return Variant();
                       }});
    members.push_back({name, id, MemberKind::PropertyGet, {}, VarType::Object,
                       [get](com::Dispatch& d, std::vector<Variant>&) { return com::objectVariant(get(self(d))); }});
}

com::DispatchTable buildTable() {
    using Self = CExcelTmplPrintOne;
    std::vector<com::MemberInfo> members;
    addObjectProperty<printjob::CExcelBatDo>(
        members, "CurBatObj", Self::kDispIdCurBatObj, [](Self& s) { return s.CurBatObj(); },
        [](Self& s, std::shared_ptr<printjob::CExcelBatDo> v) { s.setCurBatObj(std::move(v)); });
    addObjectProperty<host::Workbook>(
        members, "CurWk", Self::kDispIdCurWk, [](Self& s) { return s.CurWk(); },
        [](Self& s, std::shared_ptr<host::Workbook> v) { s.setCurWk(std::move(v)); });
    addObjectProperty<host::Worksheet>(
        members, "CurSheet", Self::kDispIdCurSheet, [](Self& s) { return s.CurSheet(); },
        [](Self& s, std::shared_ptr<host::Worksheet> v) { s.setCurSheet(std::move(v)); });
    members.push_back({"DoA_Begin", Self::kDispIdDoA_Begin, MemberKind::Method,
                       {optionalText("strSheetName"), optionalInteger("nWhiteMode", 1),
                        optionalInteger("nClearWhiteMode", 1)},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_Begin(a[0].asString(), a[1].asInt16(), a[2].asInt16()));
                       }});
    members.push_back({"DoA_ReplaceRst", Self::kDispIdDoA_ReplaceRst, MemberKind::Method, {objectByRef("rst")},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_ReplaceRst(com::objectAs<data::Recordset>(a[0])));
                       }});
    members.push_back({"DoA_ReplaceA", Self::kDispIdDoA_ReplaceA, MemberKind::Method,
                       {required("strWhiteDotName", VarType::String), required("strWhiteDotValue", VarType::String)},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_ReplaceA(a[0].asString(), a[1].asString()));
                       }});
    members.push_back({"DoA_OutputString", Self::kDispIdDoA_OutputString, MemberKind::Method,
                       {required("nRow", VarType::Long), required("nCol", VarType::Long),
                        required("strValue", VarType::String)},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_OutputString(a[0].asInt32(), a[1].asInt32(), a[2].asString()));
                       }});
    members.push_back({"DoA_OutputString1", Self::kDispIdDoA_OutputString1, MemberKind::Method,
                       {required("strPos", VarType::String), required("strValue", VarType::String)},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_OutputString1(a[0].asString(), a[1].asString()));
                       }});
    members.push_back({"DoA_End", Self::kDispIdDoA_End, MemberKind::Method, {}, VarType::Integer,
                       [](com::Dispatch& d, std::vector<Variant>&) { return Variant(self(d).DoA_End()); }});
    members.push_back({"DoA_ReplaceXml0", Self::kDispIdDoA_ReplaceXml0, MemberKind::Method, {objectByRef("pNode")},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_ReplaceXml0(data::xmlNodeFromVariant(a[0])));
                       }});
    members.push_back({"DoA_ReplaceXml", Self::kDispIdDoA_ReplaceXml, MemberKind::Method,
                       {required("strXmlFile", VarType::String), required("strFldQuery", VarType::String)},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_ReplaceXml(a[0].asString(), a[1].asString()));
                       }});
    return com::DispatchTable("_CExcelTmplPrintOne", std::move(members));
}

}  // namespace

const com::DispatchTable& CExcelTmplPrintOne::dispatchTable() const {
    static const com::DispatchTable table = buildTable();
    return table;
}

}  // namespace tavlora::tmplone
