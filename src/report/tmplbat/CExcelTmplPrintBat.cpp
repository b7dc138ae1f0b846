#include "tavlora/CExcelTmplPrintBat.h"

#include "com/Conversions.h"
#include "com/Error.h"
#include "report/common/CellWriting.h"
#include "report/common/Failures.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"
#include "report/common/SheetAcquisition.h"
#include "tavlora/CExcelTmplPrintOne.h"

namespace tavlora::tmplbat {

CExcelTmplPrintBat::CExcelTmplPrintBat() = default;
CExcelTmplPrintBat::~CExcelTmplPrintBat() = default;

namespace {

constexpr const char* kBeginFailed = "the last DoA_Begin failed, so there is no list to work on";

}  // namespace

bool CExcelTmplPrintBat::DoA_Begin(const std::string& strSheetName, bool bReplaceWhite) {
    beginFailed_ = !common::trapFailure(common::memberCall("DoA_Begin", strSheetName), false, [&] {
        if (!common::MCommExcelIn::AcquireTargetSheet(workbook_, sheet_, job_, strSheetName, false, true))
            return false;
        layout_.ClearTemplateLayout();
        if (!layout_.ReadTemplateLayout(*sheet_)) return false;
        if (!bReplaceWhite) {
            oneFiller_.reset();
            return true;
        }
        if (!oneFiller_) oneFiller_ = tmplone::CExcelTmplPrintOne::create();
        oneFiller_->setCurBatObj(job_);
        oneFiller_->setCurWk(workbook_);
        oneFiller_->setCurSheet(sheet_);
        oneFiller_->DoA_Begin("", 1, 1);
        return true;
    });
    return !beginFailed_;
}

bool CExcelTmplPrintBat::refuseAfterFailedBegin() const {
    if (!beginFailed_) return false;
    common::noteCause(kBeginFailed);
    return true;
}

bool CExcelTmplPrintBat::DoA_ReplaceWhiteDot(const std::string& strWhiteDotName, const std::string& strWhiteDotValue) {
    return common::explainFailure(common::memberCall("DoA_ReplaceWhiteDot", strWhiteDotName), false, [&] {
        if (refuseAfterFailedBegin()) return false;
        if (!oneFiller_) {
            common::noteCause("placeholders are replaced only after DoA_Begin(sheet, True)");
            return false;
        }
        return oneFiller_->DoA_ReplaceA(strWhiteDotName, strWhiteDotValue);
    });
}

bool CExcelTmplPrintBat::DoA_OutputString(int32_t nRow, int32_t nCol, const std::string& strValue) {
    int16_t column = com::narrowToInt16(nCol);
    int16_t row = com::narrowToInt16(nRow);
    return common::MCommExcel::WriteCellByRowCol(sheet_, row, column, strValue);
}

bool CExcelTmplPrintBat::DoA_OutputString1(const std::string& strPos, const std::string& strValue) {
    return common::MCommExcel::WriteCellByAddress(sheet_, strPos, strValue);
}

bool CExcelTmplPrintBat::DoA_End() {
    // What a failed begin left (a layout read part way, the end mode of an earlier list, the
    // placeholders of another sheet) is no list: clearing row 1 and column A would take the
    // user's cells.
    if (beginFailed_)
        throw com::Error(com::hr::kInvalidCall,
                         std::string("DoA_End: ") + kBeginFailed + "; row 1 and column A are left as they are");
    layout_.ClearTemplateLayout();
    // Placeholders are written first, at the addresses they had when the template was scanned.
    if (oneFiller_) oneFiller_->DoA_End();
    if (!sheet_) return true;
    switch (layout_.nCtrlMode) {
        case ctrlmode::kClear:
            sheet_->range("1:1").clear();
            sheet_->range("A:A").clear();
            break;
        case ctrlmode::kDelete:
            sheet_->range("1:1").deleteCells();
            sheet_->range("A:A").deleteCells();
            break;
        default:
            break;
    }
    return true;
}

}  // namespace tavlora::tmplbat
