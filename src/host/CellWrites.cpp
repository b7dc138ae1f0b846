#include "host/CellWrites.h"

#include <cmath>

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/cells/CellError.h"
#include "host/cells/CellRef.h"
#include "host/cells/DateSerial.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

// A text the cell takes as a number. One that reads as a number beyond the range of a double
// ("7E400", four hundred digits) stays text, as the application keeps it.
bool cellNumberOf(std::string_view text, double& number) {
    try {
        return com::parseNumericText(text, number);
    } catch (const com::Error& error) {
        if (error.code() != com::hr::kOverflow) throw;
        return false;
    }
}

}  // namespace

void emptyCellValue(Worksheet& sheet, int32_t row, int32_t column) {
    Cell* cell = sheet.store().find(row, column);
    if (!cell) return;
    if (cell->style == 0) {
        sheet.store().erase(row, column);
        return;
    }
    cell->kind = CellKind::Empty;
    cell->payload.number = 0;
}

void writeTypedText(Worksheet& sheet, int32_t row, int32_t column, const std::string& text) {
    writeTypedText(sheet, row, column, text, typedNumberOf(text));
}

std::optional<double> typedNumberOf(std::string_view text) {
    double number = 0;
    if (!text.empty() && text[0] != '=' && cellNumberOf(text, number)) return number;
    return std::nullopt;
}

void writeTypedText(Worksheet& sheet, int32_t row, int32_t column, std::string_view text,
                    std::optional<double> number) {
    if (number && sheet.writeTypedNumber(row, column, *number)) return;
    Cell& cell = sheet.cellForWrite(row, column);
    cell.kind = CellKind::String;
    cell.payload.number = 0;
    cell.payload.stringId = sheet.workbookStore().strings.intern(text);
}

void requireSingleValue(const com::Variant& v) {
    if (v.type() == com::VarType::Array || v.type() == com::VarType::Object)
        throw com::Error(com::hr::kTypeMismatch, "Type mismatch: a range value must be a single value.");
}

void writeCellValue(Worksheet& sheet, int32_t row, int32_t column, const com::Variant& v) {
    WorkbookStore& book = sheet.workbookStore();
    if (v.isEmpty() || v.isNull()) {
        emptyCellValue(sheet, row, column);
        return;
    }
    switch (v.type()) {
        case com::VarType::Boolean: {
            Cell& cell = sheet.cellForWrite(row, column);
            cell.kind = CellKind::Boolean;
            cell.payload.number = 0;
            cell.payload.boolean = v.asBool();
            return;
        }
        case com::VarType::Error: {
            Cell& cell = sheet.cellForWrite(row, column);
            cell.kind = CellKind::Error;
            cell.payload.stringId = book.strings.intern(cellErrorText(v.asError()));
            return;
        }
        case com::VarType::Date: {
            Cell& cell = sheet.cellForWrite(row, column);
            double date = v.asDate().serial;
            cell.kind = CellKind::Number;
            cell.payload.number = serialOfAutomationDate(date, book.styles.uses1904Dates());
            // A date written into an unformatted cell shows as a date, not as its serial number.
            if (book.styles.cellFormat(cell.style).numberFormat == "General") {
                StyleChange change;
                bool hasTime = date != std::floor(date);
                change.numberFormat = !hasTime ? "m/d/yyyy" : (date > 0 && date < 1) ? "h:mm:ss" : "m/d/yyyy h:mm";
                cell.style = book.styles.derive(cell.style, change);
            }
            return;
        }
        case com::VarType::String:
            writeTypedText(sheet, row, column, v.asString());
            return;
        default:
            sheet.writeNumber(row, column, com::toDouble(v));
            return;
    }
}

void setCellValue(Worksheet& sheet, int32_t row, int32_t column, const com::Variant& v) {
    Workbook& book = sheet.usableWorkbook();
    if (!isOnGrid(row, column)) (void)sheet.cell(row, column);  // refused with the sheet's own message
    requireSingleValue(v);
    writeCellValue(sheet, row, column, v);
    book.noteValuesChanged(sheet, Area::cell(row, column));
}

}  // namespace tavlora::host
