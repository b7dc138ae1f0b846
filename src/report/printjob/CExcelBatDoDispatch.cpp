#include "com/Conversions.h"
#include "com/ObjectCast.h"
#include "host/Workbook.h"
#include "tavlora/CExcelBatDo.h"

namespace tavlora::printjob {

namespace {

using com::MemberKind;
using com::ParamInfo;
using com::Variant;
using com::VarType;

CExcelBatDo& self(com::Dispatch& d) { return static_cast<CExcelBatDo&>(d); }

ParamInfo optionalText(const char* name) { return {name, VarType::String, true, Variant(""), false}; }
ParamInfo optionalFlag(const char* name) { return {name, VarType::Boolean, true, Variant(false), false}; }

com::DispatchTable buildTable() {
    std::vector<com::MemberInfo> members;
    members.push_back({"CurWk", CExcelBatDo::kDispIdCurWk, MemberKind::PropertySet,
                       {{"RHS", VarType::Object, false, Variant(), false}}, VarType::Empty,
                       [](com::Dispatch& d, std::vector<Variant>& a) {
                           self(d).setCurWk(com::objectAs<host::Workbook>(a[0]));
                           return Variant();
                       }});
    members.push_back({"CurWk", CExcelBatDo::kDispIdCurWk, MemberKind::PropertyGet, {}, VarType::Object,
                       [](com::Dispatch& d, std::vector<Variant>&) { return com::objectVariant(self(d).CurWk()); }});
    members.push_back({"IsDelUnUse", CExcelBatDo::kDispIdIsDelUnUse, MemberKind::PropertyLet,
                       {{"RHS", VarType::Boolean, false, Variant(), false}}, VarType::Empty,
                       [](com::Dispatch& d, std::vector<Variant>& a) {
                           self(d).setIsDelUnUse(a[0].asBool());
                           return Variant();
                       }});
    members.push_back({"IsDelUnUse", CExcelBatDo::kDispIdIsDelUnUse, MemberKind::PropertyGet, {}, VarType::Boolean,
                       [](com::Dispatch& d, std::vector<Variant>&) { return Variant(self(d).IsDelUnUse()); }});
    members.push_back({"DoCopy", CExcelBatDo::kDispIdDoCopy, MemberKind::Method,
                       {optionalText("strFile"), optionalText("strDest")}, VarType::Boolean,
                       [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoCopy(a[0].asString(), a[1].asString()));
                       }});
    members.push_back({"DoBegin", CExcelBatDo::kDispIdDoBegin, MemberKind::Method,
                       {optionalText("strFile"), optionalFlag("bDispExcel")}, VarType::Boolean,
                       [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoBegin(a[0].asString(), a[1].asBool()));
                       }});
    members.push_back({"DoEnd", CExcelBatDo::kDispIdDoEnd, MemberKind::Method,
                       {optionalText("strFile"), optionalFlag("bDispExcel"), optionalFlag("bHtmlFormat")},
                       VarType::Boolean, [](com::Dispatch& d, std::vector<Variant>& a) {
                           return Variant(self(d).DoEnd(a[0].asString(), a[1].asBool(), a[2].asBool()));
                       }});
    members.push_back({"DoAddSheet", CExcelBatDo::kDispIdDoAddSheet, MemberKind::Method,
                       {{"strSheetName", VarType::String, false, Variant(), false}}, VarType::Empty,
                       [](com::Dispatch& d, std::vector<Variant>& a) {
                           self(d).DoAddSheet(a[0].asString());
                           return Variant();
                       }});
    return com::DispatchTable("_CExcelBatDo", std::move(members));
}

}  // namespace

const com::DispatchTable& CExcelBatDo::dispatchTable() const {
    static const com::DispatchTable table = buildTable();
    return table;
}

}  // namespace tavlora::printjob
