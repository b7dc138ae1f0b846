#include "com/DispatchRows.h"
#include "data/Recordset.h"
#include "data/XmlNodeList.h"
#include "report/common/Failures.h"
#include "report/printjob/JobTargetRows.h"
#include "tavlora/CExcelTmplPrintBat.h"

namespace tavlora::tmplbat {

namespace {

using com::Arguments;
using com::byRefParam;
using com::Variant;
using com::VarType;
using printjob::params::optionalFlag;
using printjob::params::optionalText;
using printjob::params::position;
using printjob::params::text;
using Self = CExcelTmplPrintBat;

// The output methods trap every failure themselves, a source of the wrong kind included.
template <class Source>
bool outputFrom(const char* member, const Variant& argument, Source (*fromVariant)(const Variant&),
                bool (Self::*output)(const Source&), Self& self) {
    Source source;
    try {
        source = fromVariant(argument);
    } catch (...) {
        common::recordFailure(std::string(member) + "(...): " + common::describeException(std::current_exception()));
        return false;
    }
    return (self.*output)(source);
}

com::DispatchTable buildTable() {
    com::DispatchRows<Self> rows("_CExcelTmplPrintBat");
    printjob::addJobTargetRows(rows, 0x68030003, 0x68030002, 0x68030001);
    return rows.let("IsNoZero", 0x68030000, VarType::Boolean, &Self::setIsNoZero)
        .get("IsNoZero", 0x68030000, VarType::Boolean, &Self::IsNoZero)
        .method("DoA_Begin", 0x60030005, {optionalText("strSheetName"), optionalFlag("bReplaceWhite")},
                VarType::Boolean, &Self::DoA_Begin)
        .method("DoA_OutputRst", 0x60030006, {byRefParam("rst", VarType::Object)}, VarType::Boolean,
                [](Self& self, Arguments& a) {
                    return outputFrom("DoA_OutputRst", a[0], &data::recordsetFromVariant, &Self::DoA_OutputRst, self);
                })
        .method("DoA_ReplaceWhiteDot", 0x60030007, {text("strWhiteDotName"), text("strWhiteDotValue")},
                VarType::Boolean, &Self::DoA_ReplaceWhiteDot)
        .method("DoA_OutputString", 0x60030008, {position("nRow"), position("nCol"), text("strValue")},
                VarType::Boolean, &Self::DoA_OutputString)
        .method("DoA_OutputString1", 0x60030009, {text("strPos"), text("strValue")}, VarType::Boolean,
                &Self::DoA_OutputString1)
        .method("DoA_End", 0x6003000A, VarType::Boolean, &Self::DoA_End)
        .method("DoA_OutputXml0", 0x60030012, {byRefParam("pNodeList", VarType::Object)}, VarType::Boolean,
                [](Self& self, Arguments& a) {
                    return outputFrom("DoA_OutputXml0", a[0], &data::xmlNodeListFromVariant, &Self::DoA_OutputXml0, self);
                })
        .method("DoA_OutputXml", 0x60030013, {text("strXmlFile"), text("strQuery")}, VarType::Boolean,
                &Self::DoA_OutputXml)
        .build();
}

}  // namespace

const com::DispatchTable& CExcelTmplPrintBat::dispatchTable() const {
    static const com::DispatchTable table = buildTable();
    return table;
}

}  // namespace tavlora::tmplbat
