#include "tavlora/CExcelOutputRcd.h"

#include <cstdint>

#include "com/Conversions.h"
#include "com/Error.h"
#include "data/Recordset.h"
#include "host/CellWrites.h"
#include "host/Range.h"
#include "host/format/Styles.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "tavlora/CExcelBatDo.h"
#include "report/common/Failures.h"
#include "report/common/SheetAcquisition.h"

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

int32_t lastIndexOf(int32_t first, int64_t count) { return CExcelOutputRcd::offsetBy(first, count - 1); }

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

int32_t CExcelOutputRcd::offsetBy(int32_t base, int64_t offset) {
    const int64_t result = int64_t(base) + offset;
    if (result > INT32_MAX || result < INT32_MIN) throw com::Error(com::hr::kOverflow, "Overflow");
    return static_cast<int32_t>(result);
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
    return common::MCommExcelIn::AcquireTargetSheet(workbook_, sheet_, job_, strSheetName,
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
        sheet_->cell(row, offsetBy(nCol, i)).setValue(com::Variant(captions[size_t(i)]));
    }
    return offsetBy(row, 1);
}

void CExcelOutputRcd::fitColumns() { sheet_->usedRange().columns().autoFit(); }

bool CExcelOutputRcd::DoA_RcdRst(const std::string& strSheetName, const std::shared_ptr<data::Recordset>& rst,
                                 int32_t Row, int32_t Col) {
    return common::trapFailure(common::memberCall("DoA_RcdRst", strSheetName, rst, Row, Col), false, [&] {
        if (!acquireSheet(strSheetName)) return false;
        if (!rst) throw com::Error(com::hr::kObjectNotSet, "Object variable not set: no recordset was given");
        const data::Fields fields = rst->Fields();
        const int16_t fieldCount = com::narrowToInt16(fields.Count());
        if (fieldCount <= 0) common::refuse("the recordset has no fields");
        std::vector<std::string> captions;
        captions.reserve(size_t(fieldCount));
        for (int16_t i = 0; i < fieldCount; ++i) captions.push_back(fields.Item(i).Name());
        int32_t row = writeTableHead(strSheetName, Row, Col, captions);
        for (; !rst->Eof(); rst->MoveNext()) {
            writeRecord(*rst, row, Col);
            row = offsetBy(row, 1);
        }
        fitColumns();
        return true;
    });
}

void CExcelOutputRcd::writeRecord(const data::Recordset& rst, int32_t nRow, int32_t nCol) {
    const data::Fields fields = rst.Fields();
    const int16_t lastField = com::narrowToInt16(int64_t(fields.Count()) - 1);
    // Cell by cell as Cells(row, column).Value does it, without a Range object per cell.
    for (int16_t i = 0; i <= lastField; ++i) host::setCellValue(*sheet_, nRow, offsetBy(nCol, i), fields.Item(i).Value());
}

}  // namespace tavlora::outputrcd
