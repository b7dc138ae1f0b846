#include <gtest/gtest.h>

#include <vector>

#include "host/cells/CellStore.h"
#include "host/cells/RowCells.h"

namespace tavlora::host::test {
namespace {

Cell cellAt(int32_t column, double number) {
    Cell cell;
    cell.column = static_cast<uint16_t>(column);
    cell.kind = CellKind::Number;
    cell.payload.number = number;
    return cell;
}

std::vector<int> columnsOf(const RowCells& cells) {
    std::vector<int> out;
    for (const Cell& cell : cells) out.push_back(cell.column);
    return out;
}

TEST(RowCellsTest, InsertsAndErasesKeepTheOtherCellsInOrder) {
    RowCells cells;
    for (int32_t column : {2, 4, 6}) cells.push_back(cellAt(column, column));
    cells.insert(cells.begin(), cellAt(1, 1));
    cells.insert(cells.begin() + 2, cellAt(3, 3));
    cells.insert(cells.end(), cellAt(9, 9));
    EXPECT_EQ(columnsOf(cells), (std::vector<int>{1, 2, 3, 4, 6, 9}));
    EXPECT_EQ(cells[4].payload.number, 6);

    Cell* next = cells.erase(cells.begin() + 1, cells.begin() + 3);
    EXPECT_EQ(next->column, 4);
    cells.erase(cells.end() - 1);
    EXPECT_EQ(columnsOf(cells), (std::vector<int>{1, 4, 6}));
    EXPECT_EQ(cells.erase(cells.end(), cells.end()), cells.end());

    RowCells other;
    other.push_back(cellAt(7, 7));
    other.push_back(cellAt(8, 8));
    cells.insert(cells.end(), other.begin(), other.end());
    EXPECT_EQ(columnsOf(cells), (std::vector<int>{1, 4, 6, 7, 8}));
    EXPECT_EQ(cells.back().payload.number, 8);
}

// Inserting one of the row's own cells while the row grows must copy the cell before it moves.
TEST(RowCellsTest, InsertingACopyOfOwnCellSurvivesGrowth) {
    RowCells cells;
    cells.push_back(cellAt(5, 5));
    ASSERT_EQ(cells.capacity(), cells.size());
    cells.insert(cells.begin(), cells.back());
    EXPECT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].payload.number, 5);
    EXPECT_EQ(cells[1].payload.number, 5);
}

TEST(RowCellsTest, CopiesAreIndependentAndMovesLeaveTheSourceEmpty) {
    RowCells cells;
    for (int32_t column = 1; column <= 100; ++column) cells.push_back(cellAt(column, column));
    RowCells copy = cells;
    copy[0].payload.number = -1;
    EXPECT_EQ(cells[0].payload.number, 1);
    EXPECT_EQ(copy.size(), 100u);

    RowCells assigned;
    assigned.push_back(cellAt(1, 1));
    assigned = copy;
    EXPECT_EQ(assigned.size(), 100u);
    EXPECT_EQ(assigned[99].payload.number, 100);
    assigned = assigned;  // NOLINT: self-assignment keeps the cells
    EXPECT_EQ(assigned.size(), 100u);

    RowCells moved = std::move(cells);
    EXPECT_EQ(moved.size(), 100u);
    EXPECT_TRUE(cells.empty());  // NOLINT: the moved-from row is empty and usable
    cells.push_back(cellAt(3, 3));
    EXPECT_EQ(cells.size(), 1u);

    moved.resize(102);
    EXPECT_EQ(moved[101].kind, CellKind::Empty);
    moved.resize(1);
    EXPECT_EQ(columnsOf(moved), (std::vector<int>{1}));
}

// A copied store (a parsed template copied for each report) shares nothing with the original:
// neither cells nor the kept attributes of a row.
TEST(RowCellsTest, ACopiedStoreOwnsItsCellsAndRowAttributes) {
    CellStore store;
    store.cellAt(2, 3).payload.number = 7;
    store.rowAt(2).extraAttributes = " outlineLevel=\"1\"";
    CellStore copy = store;
    copy.cellAt(2, 3).payload.number = 8;
    copy.rowAt(2).extraAttributes += " collapsed=\"1\"";
    EXPECT_EQ(store.find(2, 3)->payload.number, 7);
    EXPECT_EQ(store.findRow(2)->extraAttributes.view(), " outlineLevel=\"1\"");
    EXPECT_EQ(copy.findRow(2)->extraAttributes.view(), " outlineLevel=\"1\" collapsed=\"1\"");
    copy.rowAt(2).extraAttributes = "";
    EXPECT_TRUE(copy.findRow(2)->extraAttributes.empty());
}

// Rows appended below the others never move: a row taken before stays where it was.
TEST(RowCellsTest, RowsStayInPlaceWhileRowsAreAppended) {
    CellStore store;
    store.cellAt(1, 1).payload.number = 1;
    const RowInfo* first = store.findRow(1);
    for (int32_t row = 2; row <= 20000; ++row) store.cellAt(row, 1);
    EXPECT_EQ(store.findRow(1), first);
    EXPECT_EQ(first->cells[0].payload.number, 1);
}

}  // namespace
}  // namespace tavlora::host::test
