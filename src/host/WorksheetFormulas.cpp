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
    auto& formulas = cells_.formulas();
    const std::string_view text = std::string_view(formula).substr(1);
    if (cell.kind == CellKind::Formula && cell.payload.formulaId < formulas.size()) {
        // The cell's entry is reused, so rewriting a formula does not grow the store.
        Formula& entry = formulas[cell.payload.formulaId];
        entry = Formula{};
        entry.text.assign(text);
    } else {
        // Made in place: a list filled with a formula per row adds an entry per row, and moving a
        // temporary entry in would cost as much as the rest of the write.
        cell.kind = CellKind::Formula;
        cell.payload.formulaId = static_cast<uint32_t>(formulas.size());
        formulas.emplace_back().text.assign(text);
    }
    workbook()->noteFormulaChanged(*this, row, column);
}

}  // namespace tavlora::host
