#include "host/formula/CompiledFormula.h"

namespace tavlora::host::formula {

namespace {

// False when the part leaves the grid; whole rows and columns have no part to move.
bool movePart(int32_t& value, bool absolute, int32_t offset, int32_t limit) {
    if (value == 0 || absolute) return true;
    const int64_t moved = int64_t(value) + offset;
    if (moved < 1 || moved > limit) return false;
    value = static_cast<int32_t>(moved);
    return true;
}

}  // namespace

SheetArea CompiledFormula::movedReference(uint32_t index, FormulaOffset offset) const {
    const SheetArea& here = references[index];
    if (offset.isZero() || index >= written.size() || !written[index]) return here;
    A1Reference moved = *written[index];
    for (A1Corner* corner : {&moved.first, &moved.second}) {
        // Copies share a program only when each has its own references on the grid, so this holds;
        // should it not, the reference stays where it was compiled rather than wrap around.
        if (!movePart(corner->row, corner->rowAbsolute, offset.rows, kMaxRows) ||
            !movePart(corner->column, corner->columnAbsolute, offset.columns, kMaxColumns))
            return here;
    }
    return SheetArea{here.sheet, moved.area()};
}

void CompiledFormula::setOrigin(int32_t row, int32_t column) {
    originRow = row;
    originColumn = column;
    readsNearCells = false;
    nearSheet = -1;
    if (!isArithmetic || references.empty() || movesWhole.size() != references.size()) return;
    for (size_t i = 0; i < references.size(); ++i) {
        const SheetArea& here = references[i];
        const Area& a = here.area;
        if (!movesWhole[i] || a.firstRow != a.lastRow || a.firstColumn != a.lastColumn || here.sheet != references[0].sheet)
            return;
    }
    for (Instruction& ins : code)
        if (ins.op == OpCode::CellValue) {
            const Area& a = references[ins.index].area;
            ins.data.near = CellDistance{a.firstRow - row, a.firstColumn - column};
        }
    readsNearCells = true;
    nearSheet = references[0].sheet;
}

bool isArithmeticCode(const std::vector<Instruction>& code) {
    size_t depth = 0;
    for (const Instruction& ins : code) {
        if (ins.elementwise) return false;
        switch (ins.op) {
            case OpCode::Number:
            case OpCode::CellValue:
                if (++depth > CompiledFormula::kArithmeticDepth) return false;
                break;
            case OpCode::Add: case OpCode::Subtract: case OpCode::Multiply: case OpCode::Divide:
                if (depth < 2) return false;
                --depth;
                break;
            case OpCode::Negate: case OpCode::Plus:
                if (depth < 1) return false;
                break;
            default:
                return false;
        }
    }
    return depth == 1;
}

}  // namespace tavlora::host::formula
