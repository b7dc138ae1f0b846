#include "com/Conversions.h"
#include "com/ObjectCast.h"
#include "data/Recordset.h"
#include "data/XmlNodeList.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintBat.h"

namespace tavlora::tmplbat {

namespace {

using com::MemberKind;
using com::ParamInfo;
using com::Variant;
using com::VarType;
using Self = CExcelTmplPrintBat;

Self& self(com::Dispatch& d) { return static_cast<Self&>(d); }

ParamInfo required(const char* name, VarType type) { return {name, type, false, Variant(), false}; }
ParamInfo objectByRef(const char* name) { return {name, VarType::Object, false, Variant(), true}; }
ParamInfo optionalText(const char* name) { return {name, VarType::String, true, Variant(""), false}; }
ParamInfo optionalFlag(const char* name) { return {name, VarType::Boolean, true, Variant(false), false}; }

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

void addObjectProperties(std::vector<com::MemberInfo>& members) {
    addObjectProperty<printjob::CExcelBatDo>(
        members, "CurBatObj", Self::kDispIdCurBatObj, [](Self& s) { return s.CurBatObj(); },
        [](Self& s, std::shared_ptr<printjob::CExcelBatDo> v) { s.setCurBatObj(std::move(v)); });
    addObjectProperty<host::Workbook>(
        members, "CurWk", Self::kDispIdCurWk, [](Self& s) { return s.CurWk(); },
        [](Self& s, std::shared_ptr<host::Workbook> v) { s.setCurWk(std::move(v)); });
    addObjectProperty<host::Worksheet>(
        members, "CurSheet", Self::kDispIdCurSheet, [](Self& s) { return s.CurSheet(); },
        [](Self& s, std::shared_ptr<host::Worksheet> v) { s.setCurSheet(std::move(v)); });
}

void addIsNoZero(std::vector<com::MemberInfo>& members) {
    members.push_back({"IsNoZero", Self::kDispIdIsNoZero, MemberKind::PropertyLet,
                       {required("RHS", VarType::Boolean)}, VarType::Empty,
                       [](com::Dispatch& d, std::vector<Variant>& a) {
                           self(d).setIsNoZero(a[0].asBool());
                           return Variant();
                       }});
    members.push_back({"IsNoZero", Self::kDispIdIsNoZero, MemberKind::PropertyGet, {}, VarType::Boolean,
                       [](com::Dispatch& d, std::vector<Variant>&) { return Variant(self(d).IsNoZero()); }});
}

void addMethods(std::vector<com::MemberInfo>& members) {
    members.push_back({"DoA_Begin", Self::kDispIdDoA_Begin, MemberKind::Method,
                       {optionalText("strSheetName"), optionalFlag("bReplaceWhite")}, VarType::Boolean,
                       [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_Begin(a[0].asString(), a[1].asBool()));
                       }});
    // The method traps every failure itself, a recordset of the wrong kind included.
    members.push_back({"DoA_OutputRst", Self::kDispIdDoA_OutputRst, MemberKind::Method, {objectByRef("rst")},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           data::RecordsetPtr rst;
                           try {
                               rst = data::recordsetFromVariant(a[0]);
                           } catch (...) {
                               return Variant(false);
                           }
                           return Variant(self(d).DoA_OutputRst(rst));
                       }});
    members.push_back({"DoA_ReplaceWhiteDot", Self::kDispIdDoA_ReplaceWhiteDot, MemberKind::Method,
                       {required("strWhiteDotName", VarType::String), required("strWhiteDotValue", VarType::String)},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_ReplaceWhiteDot(a[0].asString(), a[1].asString()));
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
    members.push_back({"DoA_End", Self::kDispIdDoA_End, MemberKind::Method, {}, VarType::Boolean,
                       [](com::Dispatch& d, std::vector<Variant>&) { return Variant(self(d).DoA_End()); }});
    members.push_back({"DoA_OutputXml0", Self::kDispIdDoA_OutputXml0, MemberKind::Method, {objectByRef("pNodeList")},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           data::XmlNodeListPtr list;
                           try {
                               list = data::xmlNodeListFromVariant(a[0]);
                           } catch (...) {
                               return Variant(false);
                           }
                           return Variant(self(d).DoA_OutputXml0(list));
                       }});
    members.push_back({"DoA_OutputXml", Self::kDispIdDoA_OutputXml, MemberKind::Method,
                       {required("strXmlFile", VarType::String), required("strQuery", VarType::String)},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoA_OutputXml(a[0].asString(), a[1].asString()));
                       }});
}

com::DispatchTable buildTable() {
    std::vector<com::MemberInfo> members;
    addObjectProperties(members);
    addIsNoZero(members);
    addMethods(members);
    return com::DispatchTable("_CExcelTmplPrintBat", std::move(members));
}

}  // namespace

const com::DispatchTable& CExcelTmplPrintBat::dispatchTable() const {
    static const com::DispatchTable table = buildTable();
    return table;
}

}  // namespace tavlora::tmplbat
