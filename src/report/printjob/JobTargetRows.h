#pragma once
#include "com/DispatchRows.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"
#include "report/printjob/JobTarget.h"

namespace tavlora::printjob {

// Parameter shorthands of the report classes' rows.
namespace params {
inline com::ParamInfo text(const char* name) { return {name, com::VarType::String}; }
inline com::ParamInfo position(const char* name) { return {name, com::VarType::Long}; }
inline com::ParamInfo optionalText(const char* name) {
    return com::optionalParam(name, com::VarType::String, com::Variant(""));
}
inline com::ParamInfo optionalFlag(const char* name, bool value = false) {
    return com::optionalParam(name, com::VarType::Boolean, com::Variant(value));
}
}  // namespace params

// The CurBatObj, CurWk and CurSheet rows of a filler (each a property set, then its get), with the
// identifiers of the filler's interface.
template <class T>
void addJobTargetRows(com::DispatchRows<T>& rows, com::DISPID curBatObj, com::DISPID curWk, com::DISPID curSheet) {
    using com::VarType;
    rows.set("CurBatObj", curBatObj, &JobTarget::setCurBatObj)
        .get("CurBatObj", curBatObj, VarType::Object, &JobTarget::CurBatObj)
        .set("CurWk", curWk, &JobTarget::setCurWk)
        .get("CurWk", curWk, VarType::Object, &JobTarget::CurWk)
        .set("CurSheet", curSheet, &JobTarget::setCurSheet)
        .get("CurSheet", curSheet, VarType::Object, &JobTarget::CurSheet);
}

}  // namespace tavlora::printjob
