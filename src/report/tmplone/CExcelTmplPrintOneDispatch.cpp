#include "com/DispatchRows.h"
#include "data/Recordset.h"
#include "data/XmlNode.h"
#include "report/printjob/JobTargetRows.h"
#include "tavlora/CExcelTmplPrintOne.h"

namespace tavlora::tmplone {

namespace {

using com::Arguments;
using com::byRefParam;
using com::optionalParam;
using com::ParamInfo;
using com::Variant;
using com::VarType;
using printjob::params::optionalText;
using printjob::params::position;
using printjob::params::text;
using Self = CExcelTmplPrintOne;

ParamInfo optionalInteger(const char* name, int16_t value) { return optionalParam(name, VarType::Integer, Variant(value)); }

com::DispatchTable buildTable() {
    com::DispatchRows<Self> rows("_CExcelTmplPrintOne");
    printjob::addJobTargetRows(rows, 0x68030002, 0x68030001, 0x68030000);
    return rows
        .method("DoA_Begin", 0x60030004,
                {optionalText("strSheetName"), optionalInteger("nWhiteMode", 1), optionalInteger("nClearWhiteMode", 1)},
                VarType::Boolean, &Self::DoA_Begin)
        .method("DoA_ReplaceRst", 0x60030005, {byRefParam("rst", VarType::Object)}, VarType::Boolean,
                &Self::DoA_ReplaceRst)
        .method("DoA_ReplaceA", 0x60030006, {text("strWhiteDotName"), text("strWhiteDotValue")}, VarType::Boolean,
                &Self::DoA_ReplaceA)
        .method("DoA_OutputString", 0x60030007, {position("nRow"), position("nCol"), text("strValue")},
                VarType::Boolean, &Self::DoA_OutputString)
        .method("DoA_OutputString1", 0x60030008, {text("strPos"), text("strValue")}, VarType::Boolean,
                &Self::DoA_OutputString1)
        .method("DoA_End", 0x60030009, VarType::Integer, &Self::DoA_End)
        .method("DoA_ReplaceXml0", 0x6003000F, {byRefParam("pNode", VarType::Object)}, VarType::Boolean,
                [](Self& self, Arguments& a) { return self.DoA_ReplaceXml0(data::xmlNodeFromVariant(a[0])); })
        .method("DoA_ReplaceXml", 0x60030010, {text("strXmlFile"), text("strFldQuery")}, VarType::Boolean,
                &Self::DoA_ReplaceXml)
        .build();
}

}  // namespace

const com::DispatchTable& CExcelTmplPrintOne::dispatchTable() const {
    static const com::DispatchTable table = buildTable();
    return table;
}

}  // namespace tavlora::tmplone
