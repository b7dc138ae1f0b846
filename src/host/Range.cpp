#include "host/Range.h"

#include <utility>

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/CellWrites.h"
#include "host/format/NumberFormat.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

constexpr int64_t kMaxCellsWritten = 1000000;

}  // namespace

Range::Range(std::shared_ptr<Worksheet> sheet, Area area) : Range(std::move(sheet), area, View::Cells) {}

Range::Range(std::shared_ptr<Worksheet> sheet, Area area, View view)
    : sheet_(std::move(sheet)), area_(area), view_(view) {
    if (!sheet_) com::throwHostError("A range needs a worksheet.");
}

com::Variant Range::value() const {
    sheet_->requireUsable();
    const Cell* cell = std::as_const(*sheet_).store().find(area_.firstRow, area_.firstColumn);
    return cell ? sheet_->cellValue(*cell) : com::Variant();
}

void Range::setValue(const com::Variant& v) {
    Workbook& book = sheet_->usableWorkbook();
    requireSingleValue(v);
    if (area_.cellCount() > kMaxCellsWritten)
        com::throwHostError("Range(\"" + address() + "\").Value: writing more than 1,000,000 cells at once is not supported.");
    for (int32_t row = area_.firstRow; row <= area_.lastRow; ++row)
        for (int32_t column = area_.firstColumn; column <= area_.lastColumn; ++column)
            writeCellValue(*sheet_, row, column, v);
    book.noteValuesChanged(*sheet_, area_);
}

com::Variant Range::formula() const {
    sheet_->requireUsable();
    return sheet_->cellFormula(area_.firstRow, area_.firstColumn);
}

void Range::setFormula(const std::string& formula) {
    sheet_->requireUsable();
    if (formula.empty() || formula[0] != '=') {
        setValue(com::Variant(formula));
        return;
    }
    if (area_.cellCount() > kMaxCellsWritten)
        com::throwHostError("Range(\"" + address() + "\").Formula: writing more than 1,000,000 cells at once is not supported.");
    // Every cell gets the formula as written, its relative references unchanged, as the
    // application does when a formula is written into an area.
    for (int32_t row = area_.firstRow; row <= area_.lastRow; ++row)
        for (int32_t column = area_.firstColumn; column <= area_.lastColumn; ++column)
            sheet_->setCellFormula(row, column, formula);
}

uint32_t Range::topLeftStyle() const { return sheet_->effectiveStyle(area_.firstRow, area_.firstColumn); }

std::string Range::text() const {
    sheet_->requireUsable();
    if (const Cell* cell = std::as_const(*sheet_).store().find(area_.firstRow, area_.firstColumn))
        if (auto error = sheet_->errorTextOf(*cell)) return std::string(*error);
    const WorkbookStore& book = sheet_->workbookStore();
    return displayText(value(), book.styles.cellFormat(topLeftStyle()).numberFormat, book.styles.uses1904Dates());
}

std::string Range::address() const { return areaAddress(area_); }

Range Range::columns() const { return Range(sheet_, area_, View::Columns); }
Range Range::rows() const { return Range(sheet_, area_, View::Rows); }

int64_t Range::count() const {
    switch (view_) {
        case View::Columns: return area_.columnCount();
        case View::Rows: return area_.rowCount();
        case View::Cells: return area_.cellCount();
    }
    return area_.cellCount();
}

Range Range::cell(int32_t row, int32_t column) const {
    int64_t r = int64_t(area_.firstRow) + row - 1;
    int64_t c = int64_t(area_.firstColumn) + column - 1;
    if (!isOnGrid(r, c))
        com::throwHostError("Cells(" + std::to_string(row) + ", " + std::to_string(column) +
                            "): the cell lies outside the sheet.");
    return Range(sheet_, Area::cell(static_cast<int32_t>(r), static_cast<int32_t>(c)));
}

}  // namespace tavlora::host
