#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>

#include "host/cells/CellStore.h"
#include "host/formula/FormulaReferences.h"

namespace tavlora::host::xlsx {

// What a cell of a file carries beyond the engine's model of it: a picture placed in the cell
// (vm), a dynamic-array formula (cm), a formula's calculation flags (ca, aca, bx), and the formula
// of a what-if data table, which the engine cannot compute and keeps as the values the file holds.
struct CellExtras {
    std::string cellAttributes;     // on <c>, as written: ` vm="1"`
    std::string formulaAttributes;  // on <f>, as written: ` ca="1"`
    // A data table's <f t="dataTable">: its attributes other than t, with ref, r1 and r2 kept apart
    // so that they follow deleted rows and columns. Empty ref = no data table.
    std::string dataTableRef;
    std::string dataTableR1;
    std::string dataTableR2;
    std::string dataTableAttributes;
    bool dataTable2D = false;  // two input cells (r1 and r2), not one

    // What the cell held when read. The extras belong to that content: once a filler writes
    // something else into the cell, the picture, the data table or the array kind are gone.
    CellKind kind = CellKind::Empty;
    double number = 0;
    uint32_t stringId = 0;
    std::string formulaText;

    bool holds(const Cell& cell, const FormulaList& formulas) const;
    bool hasDataTable() const { return !dataTableRef.empty(); }
    bool any() const { return !cellAttributes.empty() || !formulaAttributes.empty() || hasDataTable(); }
};

// The extras of one sheet's cells, by position.
class KeptCellAttributes {
public:
    bool empty() const { return cells_.empty(); }
    void add(int32_t row, int32_t column, CellExtras extras);
    // The extras of the cell, when it still holds what it held when read; nullptr otherwise.
    const CellExtras* find(int32_t row, int32_t column, const Cell& cell, const FormulaList& formulas) const;
    // Positions and data table references follow the deletion on this sheet; cells that went lose
    // their extras.
    void shift(const formula::Deletion& deletion);
    // The formula texts the extras belong to are rewritten as the engine rewrote the cells'
    // formulas (cells moved, a sheet renamed or deleted), so the extras stay with them.
    void editFormulaTexts(const std::function<std::string(const std::string&)>& edit);

private:
    std::map<std::pair<int32_t, int32_t>, CellExtras> cells_;
};

}  // namespace tavlora::host::xlsx
