#include "host/formula/ColumnShapeMemo.h"

#include <gtest/gtest.h>

namespace tavlora::host::formula {
namespace {

std::string shapeOf(std::string_view formula, int32_t row, int32_t column) {
    std::string key;
    EXPECT_TRUE(appendFormulaShape(key, formula, row, column)) << formula;
    return key;
}

// The memo holds `formula` at (row, column 5); `copy` is asked about at `copyRow`. A copy it
// recognises must have the shape the formula has: the engine then gives it that shape's program.
bool recognised(std::string_view formula, int32_t row, std::string_view copy, int32_t copyRow) {
    ColumnShapeMemo memo;
    std::string key;
    EXPECT_TRUE(memo.appendShape(key, formula, row, 5));
    EXPECT_EQ(key, shapeOf(formula, row, 5));
    const bool copied = memo.isCopy(copy, copyRow);
    if (copied) {
        EXPECT_EQ(shapeOf(copy, copyRow, 5), key) << copy;
    }
    return copied;
}

TEST(ColumnShapeMemo, RecognisesCopiesDownAndUpAColumn) {
    EXPECT_TRUE(recognised("C2*D2", 2, "C3*D3", 3));
    EXPECT_TRUE(recognised("F1+E2", 2, "F99999+E100000", 100000));  // rows of more digits
    EXPECT_TRUE(recognised("C10*D10", 10, "C9*D9", 9));             // and of fewer
    EXPECT_TRUE(recognised("ROUND(C2*$B$1,2)+LOG10(D2)", 2, "ROUND(C7*$B$1,2)+LOG10(D7)", 7));
    EXPECT_TRUE(recognised("C2*2.5+1E3", 2, "C4*2.5+1E3", 4));
    EXPECT_TRUE(recognised("C$2*D2", 2, "C$2*D5", 5));
    EXPECT_TRUE(recognised("$C2*-D$2", 2, "$C3*-D$2", 3));  // an absolute column, a relative row
    EXPECT_TRUE(recognised("C2*D2", 2, "C2*D2", 2));
}

TEST(ColumnShapeMemo, AnythingElseIsNoCopy) {
    EXPECT_FALSE(recognised("C2*D2", 2, "C3*D4", 3));        // one reference moved, the other not
    EXPECT_FALSE(recognised("C2*D2", 2, "C2*D2", 3));        // nothing moved
    EXPECT_FALSE(recognised("C$2*D2", 2, "C$3*D3", 3));      // an absolute row moved
    EXPECT_FALSE(recognised("C2*2", 2, "C3*3", 3));          // a number is no row
    EXPECT_FALSE(recognised("LOG10(C2)", 2, "LOG11(C3)", 3));
    EXPECT_FALSE(recognised("C2*D2", 2, "C03*D3", 3));       // a leading zero makes a name
    EXPECT_FALSE(recognised("C2*D2", 2, "c3*D3", 3));        // written otherwise
    EXPECT_FALSE(recognised("C2*D2", 2, "C3*D3+1", 3));
    EXPECT_FALSE(recognised("C2*D2", 2, "C3*D3", 1048577));  // moved off the grid
    EXPECT_FALSE(recognised("C2*D2", 2, "C0*D0", 0));
    EXPECT_FALSE(recognised("C2*D2", 2, "C30*D3", 3));
    EXPECT_FALSE(recognised("C2*D2", 2, "C3*D3", 4));
}

// A list's copies come row after row: each is foreseen from the one before. Across rows of more
// digits, a gap, a formula that is no copy and the grid's last row, the answers stay those of the
// long comparison.
TEST(ColumnShapeMemo, RecognisesARunOfCopiesRowByRow) {
    ColumnShapeMemo memo;
    std::string key;
    EXPECT_TRUE(memo.appendShape(key, "F7+E8*$B$1", 8, 6));
    auto copyAt = [](int32_t row) { return "F" + std::to_string(row - 1) + "+E" + std::to_string(row) + "*$B$1"; };
    for (int32_t row = 9; row <= 1200; ++row) {
        if (row == 500) continue;  // a gap
        EXPECT_FALSE(memo.isCopy("F" + std::to_string(row) + "+E" + std::to_string(row) + "*$B$1", row)) << row;
        EXPECT_FALSE(memo.isCopy(copyAt(row) + "1", row)) << row;
        EXPECT_TRUE(memo.isCopy(copyAt(row), row)) << row;
    }
    EXPECT_TRUE(memo.isCopy(copyAt(1000), 1000));  // up again
    EXPECT_TRUE(memo.isCopy(copyAt(1001), 1001));
    for (int32_t row = 1048570; row <= 1048576; ++row) EXPECT_TRUE(memo.isCopy(copyAt(row), row)) << row;
    EXPECT_FALSE(memo.isCopy(copyAt(1048577), 1048577));
    EXPECT_TRUE(memo.isCopy("F99+E100*$B$1", 100));
    EXPECT_FALSE(memo.isCopy("F100+E101*$B$2", 101));
    EXPECT_FALSE(memo.isCopy("F100+E0101*$B$1", 101));
    EXPECT_TRUE(memo.isCopy("F100+E101*$B$1", 101));
}

// Formulas the one-pass reading does not cover are still given their shape, but not remembered.
TEST(ColumnShapeMemo, OtherFormulasAreNotRemembered) {
    ColumnShapeMemo memo;
    std::string key;
    EXPECT_TRUE(memo.appendShape(key, "SUM(C2:D2)", 2, 5));
    EXPECT_EQ(key, shapeOf("SUM(C2:D2)", 2, 5));
    EXPECT_FALSE(memo.isCopy("SUM(C3:D3)", 3));
    key.clear();
    EXPECT_TRUE(memo.appendShape(key, "C2*D2", 2, 5));
    key.clear();
    EXPECT_TRUE(memo.appendShape(key, "\"a\"&C3", 3, 5));
    EXPECT_FALSE(memo.isCopy("C4*D4", 4));
    key.clear();
    EXPECT_FALSE(memo.appendShape(key, "Items[@Qty]*C2", 2, 5));  // depends on its place: no shape
    EXPECT_FALSE(memo.isCopy("Items[@Qty]*C3", 3));
}

}  // namespace
}  // namespace tavlora::host::formula
