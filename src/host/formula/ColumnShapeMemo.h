#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/cells/CellRef.h"
#include "host/formula/FormulaShape.h"

// The formulas of a list are one formula copied down a column: "C5*D5" under "C4*D4". Once the
// shape of one copy is known, the next is recognised by comparing its text with the remembered
// one, the relative rows moved, which costs a fraction of reading it as a formula again. The copy
// in the row below the last one recognised is foreseen: its text is that one's with every
// relative row one higher, so it is recognised by comparing two texts.
namespace tavlora::host::formula {

class ColumnShapeMemo {
public:
    // appendFormulaShape; a plain formula is remembered as the column's last formula, any other
    // one makes the memo forget.
    bool appendShape(std::string& key, std::string_view formula, int32_t row, int32_t column);
    // `formula`, in the remembered formula's column at `row`, is that formula copied there: every
    // relative row moved by the distance and every other character the same. Its shape is then
    // the remembered formula's.
    bool isCopy(std::string_view formula, int32_t row) {
        // The foreseen copy, as a list's next row mostly is: its text alone says so.
        if (known_ && row == nextRow_ && formula == std::string_view(next_)) {
            advance();
            return true;
        }
        return isUnforeseenCopy(formula, row);
    }

private:
    bool isUnforeseenCopy(std::string_view formula, int32_t row);
    bool isMovedCopy(std::string_view formula, int32_t row) const;
    // `formula` is the copy at `row`: foresees the copy in the row below.
    void foresee(std::string_view formula, int32_t row);
    // The foreseen copy moves one row down; none is foreseen when a row would gain a digit or
    // leave the grid (the next copy is then checked the long way, and foreseen again).
    void advance();

    std::string text_;
    int32_t row_ = 0;
    std::vector<RelativeRow> relativeRows_;
    bool known_ = false;
    std::string next_;  // the foreseen copy's text, in nextRow_ (0: none)
    int32_t nextRow_ = 0;
    std::vector<RelativeRow> nextRows_;  // where its relative rows are, and which
};

}  // namespace tavlora::host::formula
