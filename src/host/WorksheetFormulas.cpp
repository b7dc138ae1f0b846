#include "host/formula/FutureFunctions.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

com::Variant Worksheet::cellFormula(int32_t row, int32_t column) const {
    const Cell* cell = cells_.find(row, column);
    if (!cell) return std::string();
    if (cell->kind == CellKind::Formula && cell->payload.formulaId < cells_.formulas().size())
        return "=" + formula::withoutFutureFunctionPrefixes(cells_.formulas()[cell->payload.formulaId].text);
    return cellValue(*cell);
}

void Worksheet::setCellFormula(int32_t row, int32_t column, const std::string& formula) {
    Cell& cell = cellForWrite(row, column);
    Formula entry;
    entry.text = formula.substr(1);
    if (cell.kind == CellKind::Formula && cell.payload.formulaId < cells_.formulas().size()) {
        // The cell's entry is reused, so rewriting a formula does not grow the store.
        cells_.formulas()[cell.payload.formulaId] = std::move(entry);
    } else {
        cell.kind = CellKind::Formula;
        cell.payload.formulaId = cells_.addFormula(std::move(entry));
    }
    workbook()->noteFormulaChanged(*this, row, column);
}

}  // namespace tavlora::host
