#include "host/CellWrites.h"

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

// A text the cell takes as a number. One that reads as a number beyond the range of a double
// ("7E400", four hundred digits) stays text, as the application keeps it.
bool cellNumberOf(const std::string& text, double& number) {
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
    double number = 0;
    if (!text.empty() && text[0] != '=' && cellNumberOf(text, number) && sheet.writeTypedNumber(row, column, number))
        return;
    Cell& cell = sheet.cellForWrite(row, column);
    cell.kind = CellKind::String;
    cell.payload.number = 0;
    cell.payload.stringId = sheet.workbookStore().strings.intern(text);
}

}  // namespace tavlora::host
