#include "host/xlsx/KeptCellAttributes.h"

namespace tavlora::host::xlsx {

bool CellExtras::holds(const Cell& cell, const FormulaList& formulas) const {
    if (cell.kind != kind) return false;
    switch (kind) {
        case CellKind::Number: return cell.payload.number == number;
        case CellKind::String:
        case CellKind::Error: return cell.payload.stringId == stringId;
        case CellKind::Boolean: return cell.payload.boolean == (number != 0);
        case CellKind::Formula:
            return cell.payload.formulaId < formulas.size() && formulas[cell.payload.formulaId].text == formulaText;
        case CellKind::Empty: return false;
    }
    return false;
}

void KeptCellAttributes::add(int32_t row, int32_t column, CellExtras extras) {
    cells_[{row, column}] = std::move(extras);
}

const CellExtras* KeptCellAttributes::find(int32_t row, int32_t column, const Cell& cell,
                                           const FormulaList& formulas) const {
    auto it = cells_.find({row, column});
    if (it == cells_.end() || !it->second.holds(cell, formulas)) return nullptr;
    return &it->second;
}

void KeptCellAttributes::editFormulaTexts(const std::function<std::string(const std::string&)>& edit) {
    for (auto& [position, extras] : cells_)
        if (extras.kind == CellKind::Formula) extras.formulaText = edit(extras.formulaText);
}

void KeptCellAttributes::shift(const formula::Deletion& deletion) {
    std::map<std::pair<int32_t, int32_t>, CellExtras> moved;
    for (auto& [position, extras] : cells_) {
        auto area = formula::shiftArea(Area::cell(position.first, position.second), deletion);
        if (!area) continue;
        if (extras.hasDataTable()) {
            extras.dataTableRef = formula::shiftReference(extras.dataTableRef, deletion);
            // Without its input cells a data table computes nothing: the values stay, plain.
            if (!extras.dataTableR1.empty()) extras.dataTableR1 = formula::shiftReference(extras.dataTableR1, deletion);
            if (!extras.dataTableR2.empty()) extras.dataTableR2 = formula::shiftReference(extras.dataTableR2, deletion);
            if (extras.dataTableR1.empty() || (extras.dataTable2D && extras.dataTableR2.empty())) extras.dataTableRef.clear();
        }
        moved[{area->firstRow, area->firstColumn}] = std::move(extras);
    }
    cells_ = std::move(moved);
}

}  // namespace tavlora::host::xlsx
