#include "host/xlsx/SharedFormulaGroups.h"

#include <vector>

namespace tavlora::host::xlsx {

namespace {

// The run of one shape that the column's latest formula belongs to.
struct Run {
    const void* shape = nullptr;
    int32_t lastRow = 0;
    uint32_t firstFormula = 0;
    uint32_t group = UINT32_MAX;  // given when the run reaches its second row
};

}  // namespace

SharedFormulaGroups::SharedFormulaGroups(const CellStore& cells, const ShapeOf& shapeOf, const Apart& apart) {
    if (shapeOf.empty() || cells.formulas().empty()) return;
    std::vector<Run> runs;  // by column, as far as the formulas reach
    uint32_t groups = 0;
    for (const RowInfo& row : cells.rows()) {
        for (const Cell& cell : row.cells) {
            if (cell.kind != CellKind::Formula) continue;
            const uint32_t id = cell.payload.formulaId;
            const void* shape = shapeOf(id);
            if (!shape || (apart && apart(row.row, cell))) continue;
            if (roles_.empty()) roles_.assign(cells.formulas().size(), SharedFormulaRole{kApart, 0});
            if (id >= roles_.size()) continue;
            if (cell.column >= runs.size()) runs.resize(size_t(cell.column) + 1);
            Run& run = runs[cell.column];
            // A cell that joined no run leaves a gap, which the row check sees.
            if (run.shape != shape || run.lastRow != row.row - 1) {
                run = Run{shape, row.row, id, kApart};
                continue;
            }
            if (run.group == kApart) {
                run.group = groups++;
                roles_[run.firstFormula].group = run.group;
            }
            run.lastRow = row.row;
            roles_[run.firstFormula].lastRow = row.row;
            roles_[id].group = run.group;
        }
    }
}

}  // namespace tavlora::host::xlsx
