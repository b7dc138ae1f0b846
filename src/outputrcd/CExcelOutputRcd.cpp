#include "outputrcd/CExcelOutputRcd.h"

#include <cstdint>

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/Range.h"
#include "host/Styles.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "printjob/CExcelBatDo.h"
#include "printjob/SheetAcquisition.h"

namespace tavlora::outputrcd {

namespace {

// The house style of every record table.
constexpr const char* kTextFormat = "@";
constexpr const char* kFontName = "宋体";
constexpr const char* kFontStyleRegular = "常规";
constexpr double kBodyRowHeight = 16;
constexpr double kBodyFontSize = 10;
constexpr double kTitleRowHeight = 48;
constexpr double kTitleFontSize = 18;
constexpr double kHeaderRowHeight = 24;
constexpr double kHeaderFontSize = 16;
constexpr const char* kDefaultTitleSuffix = "记录";

enum TableStyle : int16_t { kBodyStyle = 0, kTitleStyle = 1, kHeaderStyle = 2 };

// Row and column arithmetic of the table frame is 32-bit; leaving that range is error 6.
int32_t lastIndexOf(int32_t first, int64_t count) {
    const int64_t last = int64_t(first) + count - 1;
    if (last > INT32_MAX || last < INT32_MIN) throw com::Error(com::hr::kOverflow, "Overflow");
    return static_cast<int32_t>(last);
}

// Whole-sheet formats are stored once for the sheet (and once per used cell), never per grid cell.
void applyBodyStyle(host::Range cells) {
    cells.setNumberFormatLocal(kTextFormat);
    cells.setHorizontalAlignment(host::align::kLeft);
    cells.setVerticalAlignment(host::align::kCenter);
    cells.setRowHeight(kBodyRowHeight);
    host::RangeFont font = cells.font();
    font.setName(kFontName);
    font.setFontStyle(kFontStyleRegular);
    font.setSize(kBodyFontSize);
}

void applyTitleStyle(host::Range area) {
    area.setHorizontalAlignment(host::align::kCenter);
    area.setRowHeight(kTitleRowHeight);
    host::RangeFont font = area.font();
    font.setBold(true);
    font.setSize(kTitleFontSize);
}

void applyHeaderStyle(host::Range area) {
    area.setHorizontalAlignment(host::align::kCenter);
    area.setRowHeight(kHeaderRowHeight);
    area.font().setSize(kHeaderFontSize);
}

}  // namespace

void CExcelOutputRcd::setCurBatObj(std::shared_ptr<printjob::CExcelBatDo> job) {
    job_ = std::move(job);
    if (job_) workbook_ = job_->CurWk();
}

void CExcelOutputRcd::ApplyTableStyle(int16_t nStyle, int32_t nRow, int32_t nCol, int16_t nCount, int32_t nRows) {
    if (nStyle != kBodyStyle && nStyle != kTitleStyle && nStyle != kHeaderStyle) return;
    if (!sheet_) throw com::Error(com::hr::kObjectNotSet, "Object variable not set");
    if (nStyle == kBodyStyle) {
        applyBodyStyle(sheet_->cells());
        return;
    }
    host::Range area = sheet_->range(sheet_->cell(nRow, nCol),
                                     sheet_->cell(lastIndexOf(nRow, nRows), lastIndexOf(nCol, nCount)));
    if (nStyle == kTitleStyle) {
        applyTitleStyle(area);
    } else {
        applyHeaderStyle(area);
    }
}

void CExcelOutputRcd::WriteTableTitle(const std::string& strTitle, int16_t nCount, int16_t nRow, int16_t nCol) {
    if (!sheet_) throw com::Error(com::hr::kObjectNotSet, "Object variable not set");
    const int16_t lastColumn = com::narrowToInt16(int64_t(nCol) + nCount - 1);
    host::Range title = sheet_->range(sheet_->cell(nRow, nCol), sheet_->cell(nRow, lastColumn));
    title.merge();
    title.setValue(com::Variant(strTitle));
}

std::string CExcelOutputRcd::GetTableTitle(const std::string& strSheetName) const {
    if (!isTitle_) return "";
    if (!title_.empty()) return title_;
    return strSheetName + kDefaultTitleSuffix;
}

bool CExcelOutputRcd::acquireSheet(const std::string& strSheetName) {
    return printjob::MCommExcelIn::AcquireTargetSheet(workbook_, sheet_, job_, strSheetName,
                                                      /*bAddIfMissing=*/true, /*bAddBefore=*/false);
}

int32_t CExcelOutputRcd::writeTableHead(const std::string& strSheetName, int32_t nRow, int32_t nCol,
                                        const std::vector<std::string>& captions) {
    const int16_t count = com::narrowToInt16(static_cast<int64_t>(captions.size()));
    ApplyTableStyle(kBodyStyle, 0, 0, 0, 0);
    int32_t row = nRow;
    if (isTitle_) {
        ApplyTableStyle(kTitleStyle, row, nCol, count, 1);
        WriteTableTitle(GetTableTitle(strSheetName), count, com::narrowToInt16(row), com::narrowToInt16(nCol));
        ++row;
    }
    ApplyTableStyle(kHeaderStyle, row, nCol, count, 1);
    for (int16_t i = 0; i < count; ++i) {
        sheet_->cell(row, lastIndexOf(nCol, int64_t(i) + 1)).setValue(com::Variant(captions[size_t(i)]));
    }
    return lastIndexOf(row, 2);
}

void CExcelOutputRcd::fitColumns() { sheet_->usedRange().columns().autoFit(); }

}  // namespace tavlora::outputrcd
