#include "com/DispatchRows.h"
#include "data/Recordset.h"
#include "data/XmlNodeList.h"
#include "tavlora/CExcelOutputRcd.h"
#include "report/printjob/JobTargetRows.h"

namespace tavlora::outputrcd {

namespace {

using com::byRefParam;
using com::optionalParam;
using com::ParamInfo;
using com::Variant;
using com::VarType;
using printjob::params::optionalText;
using printjob::params::text;
using Self = CExcelOutputRcd;

ParamInfo optionalPosition(const char* name) { return optionalParam(name, VarType::Long, Variant(int32_t{1})); }

com::DispatchTable buildTable() {
    com::DispatchRows<Self> rows("_CExcelOutputRcd");
    printjob::addJobTargetRows(rows, 0x68030009, 0x68030008, 0x68030007);
    return rows.let("IsFldNameOfAlias", 0x68030006, VarType::Boolean, &Self::setIsFldNameOfAlias)
        .get("IsFldNameOfAlias", 0x68030006, VarType::Boolean, &Self::IsFldNameOfAlias)
        .let("IsTitle", 0x68030005, VarType::Boolean, &Self::setIsTitle)
        .get("IsTitle", 0x68030005, VarType::Boolean, &Self::IsTitle)
        .let("Title", 0x68030004, VarType::String, &Self::setTitle)
        .get("Title", 0x68030004, VarType::String, &Self::Title)
        .let("IsNoZero", 0x68030003, VarType::Boolean, &Self::setIsNoZero)
        .get("IsNoZero", 0x68030003, VarType::Boolean, &Self::IsNoZero)
        .method("DoA_RcdRst", 0x6003000A,
                {text("strSheetName"), byRefParam("rst", VarType::Object), optionalPosition("Row"),
                 optionalPosition("Col")},
                VarType::Boolean, &Self::DoA_RcdRst)
        .let("xmlWay", 0x68030002, VarType::Long, &Self::setXmlWay)
        .get("xmlWay", 0x68030002, VarType::Long, &Self::xmlWay)
        .let("xmlFldKey", 0x68030001, VarType::String, &Self::setXmlFldKey)
        .get("xmlFldKey", 0x68030001, VarType::String, &Self::xmlFldKey)
        .let("xmlFldAdo", 0x68030000, VarType::String, &Self::setXmlFldAdo)
        .get("xmlFldAdo", 0x68030000, VarType::String, &Self::xmlFldAdo)
        .method("DoA_RcdXml0", 0x6003000E,
                {text("strSheetName"), byRefParam("pDataNodeList", VarType::Object),
                 byRefParam("pFldNodeList", VarType::Object), optionalPosition("Row"), optionalPosition("Col")},
                VarType::Boolean, &Self::DoA_RcdXml0)
        .method("DoA_RcdXml", 0x6003000F,
                {text("strSheetName"), text("strXmlFile"), text("strRowQuery"), optionalText("strColQuery"),
                 optionalPosition("Row"), optionalPosition("Col")},
                VarType::Boolean, &Self::DoA_RcdXml)
        .build();
}

}  // namespace

const com::DispatchTable& CExcelOutputRcd::dispatchTable() const {
    static const com::DispatchTable table = buildTable();
    return table;
}

}  // namespace tavlora::outputrcd
