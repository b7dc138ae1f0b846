#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "base/LargeBlocks.h"
#include "host/cells/CellStore.h"
#include "host/formula/CalcEngine.h"

// Copies of one formula down a column are saved as one shared formula, as the application saves a
// filled-down column: the first cell carries the text and the group's area, the others only the
// group's number. Readers then parse one text per group, and the sheet's XML packs much smaller.
namespace tavlora::host::xlsx {

struct SharedFormulaRole {
    uint32_t group = 0;     // the si attribute
    int32_t lastRow = 0;    // the group's last row; 0 for every cell but the first
    bool first() const { return lastRow != 0; }
};

class SharedFormulaGroups {
public:
    // Writes every cell apart: no groups.
    SharedFormulaGroups() = default;
    // `shapeOf(formulaId)` is the same non-null pointer for formulas whose texts differ only by
    // where they are (CalcEngine::formulaShape); others are saved on their own, as are the cells for
    // which `apart` says so. A group is an unbroken run of at least two rows in one column. Read
    // per formula, so that a save makes no table of every formula's shape in fresh memory.
    using ShapeOf = formula::CalcEngine::SheetShapes;
    using Apart = std::function<bool(int32_t row, const Cell& cell)>;
    SharedFormulaGroups(const CellStore& cells, const ShapeOf& shapeOf, const Apart& apart);

    // nullptr when the formula is saved on its own.
    const SharedFormulaRole* find(uint32_t formulaId) const {
        if (formulaId >= roles_.size() || roles_[formulaId].group == kApart) return nullptr;
        return &roles_[formulaId];
    }

private:
    static constexpr uint32_t kApart = UINT32_MAX;
    std::vector<SharedFormulaRole, base::LargeBlockAllocator<SharedFormulaRole>> roles_;  // by formula id
};

}  // namespace tavlora::host::xlsx
