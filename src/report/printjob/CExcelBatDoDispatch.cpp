#include "com/DispatchRows.h"
#include "host/Workbook.h"
#include "tavlora/CExcelBatDo.h"
#include "report/printjob/JobTargetRows.h"

namespace tavlora::printjob {

namespace {

using com::ParamInfo;
using com::VarType;
using printjob::params::optionalFlag;
using printjob::params::optionalText;
using Self = CExcelBatDo;

com::DispatchTable buildTable() {
    return com::DispatchRows<Self>("_CExcelBatDo")
        .set("CurWk", 0x68030001, &Self::setCurWk)
        .get("CurWk", 0x68030001, VarType::Object, &Self::CurWk)
        .let("IsDelUnUse", 0x68030000, VarType::Boolean, &Self::setIsDelUnUse)
        .get("IsDelUnUse", 0x68030000, VarType::Boolean, &Self::IsDelUnUse)
        .method("DoCopy", 0x60030003, {optionalText("strFile"), optionalText("strDest")}, VarType::Boolean,
                &Self::DoCopy)
        .method("DoBegin", 0x60030004, {optionalText("strFile"), optionalFlag("bDispExcel")}, VarType::Boolean,
                &Self::DoBegin)
        .method("DoEnd", 0x60030005,
                {optionalText("strFile"), optionalFlag("bDispExcel"), optionalFlag("bHtmlFormat")},
                VarType::Boolean, &Self::DoEnd)
        .method("DoAddSheet", 0x60030007, {ParamInfo("strSheetName", VarType::String)}, VarType::Empty,
                &Self::DoAddSheet)
        .build();
}

}  // namespace

const com::DispatchTable& CExcelBatDo::dispatchTable() const {
    static const com::DispatchTable table = buildTable();
    return table;
}

}  // namespace tavlora::printjob
