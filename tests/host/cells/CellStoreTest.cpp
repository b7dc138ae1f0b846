#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "host/cells/CellStore.h"

namespace tavlora::host {
namespace {

ColumnInfo columnInfo(int32_t first, int32_t last, double width) {
    ColumnInfo info;
    info.first = first;
    info.last = last;
    info.width = width;
    info.customWidth = true;
    return info;
}

void putNumber(CellStore& store, int32_t row, int32_t column, double value) {
    Cell& cell = store.cellAt(row, column);
    cell.kind = CellKind::Number;
    cell.payload.number = value;
}

double numberAt(const CellStore& store, int32_t row, int32_t column) {
    const Cell* cell = store.find(row, column);
    return cell && cell->kind == CellKind::Number ? cell->payload.number : -1;
}

TEST(CellStoreTest, KeepsRowsAndCellsSortedWhateverTheWriteOrder) {
    CellStore store;
    putNumber(store, 5, 3, 53);
    putNumber(store, 1, 1, 11);
    putNumber(store, 5, 1, 51);
    putNumber(store, 3, 16384, 3);
    putNumber(store, 5, 2, 52);
    ASSERT_EQ(store.rows().size(), 3u);
    EXPECT_EQ(store.rows()[0].row, 1);
    EXPECT_EQ(store.rows()[1].row, 3);
    EXPECT_EQ(store.rows()[2].row, 5);
    const auto& cells = store.rows()[2].cells;
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_EQ(cells[0].column, 1);
    EXPECT_EQ(cells[2].column, 3);
    EXPECT_EQ(numberAt(store, 5, 2), 52);
    EXPECT_EQ(numberAt(store, 3, 16384), 3);
    EXPECT_EQ(store.find(4, 1), nullptr);
    EXPECT_EQ(store.find(5, 4), nullptr);
}

TEST(CellStoreTest, SlotsSayWhetherTheCellIsNewAndGiveItsRow) {
    CellStore store;
    store.rowAt(4).hasStyle = true;
    for (int32_t column : {3, 1, 2, 5}) {
        CellStore::Slot slot = store.slotAt(4, column);
        EXPECT_TRUE(slot.made) << column;
        EXPECT_EQ(slot.row.row, 4);
        EXPECT_TRUE(slot.row.hasStyle);
        EXPECT_EQ(slot.cell.column, column);
        EXPECT_EQ(slot.cell.style, 0u);
        slot.cell.kind = CellKind::Number;
        slot.cell.payload.number = column;
    }
    for (int32_t column : {1, 2, 3, 5}) {
        CellStore::Slot slot = store.slotAt(4, column);
        EXPECT_FALSE(slot.made) << column;
        EXPECT_EQ(slot.cell.payload.number, column);
    }
    CellStore::Slot below = store.slotAt(9, 2);
    EXPECT_TRUE(below.made);
    EXPECT_EQ(below.row.row, 9);
    EXPECT_FALSE(below.row.hasStyle);
    EXPECT_EQ(store.rows().size(), 2u);
    EXPECT_EQ(store.rows()[0].cells.size(), 4u);
}

// A row is looked for first where a list without gaps would hold it; with gaps, or rows above the
// first, that place holds another row and the row must still be found (or not).
TEST(CellStoreTest, RowsAreFoundWithAndWithoutGaps) {
    CellStore store;
    for (int32_t row = 10; row <= 20; ++row) putNumber(store, row, 1, row);
    for (int32_t row = 10; row <= 20; ++row) EXPECT_EQ(numberAt(store, row, 1), row);
    store.erase(13, 1);
    putNumber(store, 40, 1, 40);
    putNumber(store, 2, 1, 2);
    ASSERT_EQ(store.rows().size(), 12u);  // 2, 10-12, 14-20, 40
    for (int32_t row : {2, 10, 12, 14, 17, 20, 40}) EXPECT_EQ(numberAt(store, row, 1), row) << row;
    for (int32_t row : {1, 3, 9, 13, 21, 22, 39, 41}) EXPECT_EQ(store.find(row, 1), nullptr) << row;
}

// A row is found again where it was last written, or just after: rows made, emptied or deleted
// before that place move the rows, and the one found there must still be the one asked for.
TEST(CellStoreTest, RowsAreFoundWhenRowsBeforeTheLastWrittenOneMove) {
    CellStore store;
    for (int32_t row : {10, 20, 30, 40, 50}) putNumber(store, row, 1, row);
    putNumber(store, 30, 2, 1);  // the last row written is row 30, the third
    putNumber(store, 15, 1, 15);  // a row before it: row 30 is now the fourth
    for (int32_t row : {10, 15, 20, 30, 40, 50}) EXPECT_EQ(numberAt(store, row, 1), row) << row;
    EXPECT_EQ(store.find(25, 1), nullptr);
    putNumber(store, 20, 2, 2);  // last written: row 20
    store.deleteRows(11, 15);    // row 15 goes, rows 20 and after move up by 5
    for (int32_t row : {10, 15, 25, 35, 45}) EXPECT_EQ(numberAt(store, row, 1), row + (row > 10 ? 5 : 0)) << row;
    EXPECT_EQ(store.find(20, 1), nullptr);
    putNumber(store, 25, 2, 3);  // last written: row 25 (was 30)
    store.erase(10, 1);          // the first row empties and leaves
    EXPECT_EQ(numberAt(store, 25, 1), 30);
    EXPECT_EQ(numberAt(store, 35, 1), 40);
    EXPECT_EQ(store.find(10, 1), nullptr);
    for (int32_t row = 26; row <= 34; ++row) EXPECT_EQ(store.findRow(row), nullptr) << row;
    // Writing after the rows moved puts values into the rows asked for, made where they belong.
    putNumber(store, 35, 3, 7);
    putNumber(store, 36, 3, 8);
    EXPECT_EQ(numberAt(store, 35, 3), 7);
    EXPECT_EQ(numberAt(store, 36, 3), 8);
    const auto& rows = store.rows();
    for (size_t i = 1; i < rows.size(); ++i) ASSERT_LT(rows[i - 1].row, rows[i].row);
}

TEST(CellStoreTest, RowsFilledBottomUpAreFoundAndEndSorted) {
    CellStore store;
    // Far more rows than are moved cheaply, written last row first, with rows in between rewritten.
    for (int32_t row = 1000; row >= 1; --row) {
        putNumber(store, row * 2, 1, row);
        ASSERT_EQ(numberAt(store, row * 2, 1), row);
        if (row % 100 == 0) putNumber(store, 2000, 2, row);  // a row already placed
    }
    putNumber(store, 3, 1, 0.5);  // one in the middle of the waiting rows
    EXPECT_EQ(numberAt(store, 2000, 2), 100);
    EXPECT_EQ(numberAt(store, 3, 1), 0.5);
    store.erase(500, 1);
    EXPECT_EQ(store.find(500, 1), nullptr);
    const auto& rows = store.rows();
    ASSERT_EQ(rows.size(), 1000u);  // 1000 rows, one emptied, one added
    for (size_t i = 1; i < rows.size(); ++i) ASSERT_LT(rows[i - 1].row, rows[i].row);
    EXPECT_EQ(rows[0].row, 2);
    EXPECT_EQ(rows[1].row, 3);
    EXPECT_EQ(rows.back().row, 2000);
    Area used;
    ASSERT_TRUE(store.usedArea(used));
    EXPECT_EQ(used, (Area{2, 1, 2000, 2}));
}

TEST(CellStoreTest, EmptiedRowsLeaveOnceRowsAreWalked) {
    CellStore store;
    for (int32_t row = 1; row <= 500; ++row) putNumber(store, row, 1, row);
    store.rowAt(250).height = 30;
    for (int32_t row = 1; row <= 499; ++row) store.erase(row, 1);
    EXPECT_EQ(store.find(10, 1), nullptr);
    EXPECT_EQ(numberAt(store, 500, 1), 500);
    ASSERT_EQ(store.rows().size(), 2u);  // the row with a height stays, and the last row
    EXPECT_EQ(store.rows()[0].row, 250);
    putNumber(store, 10, 1, 7);  // a row emptied earlier comes back
    EXPECT_EQ(numberAt(store, 10, 1), 7);
    EXPECT_EQ(store.rows().size(), 3u);
}

TEST(CellStoreTest, ClearRemovesOnlyTheAreaAndEmptyRows) {
    CellStore store;
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c) putNumber(store, r, c, r * 10 + c);
    store.rowAt(2).height = 30;
    store.clear(Area{1, 1, 3, 2});
    EXPECT_EQ(store.find(1, 1), nullptr);
    EXPECT_EQ(store.find(3, 2), nullptr);
    EXPECT_EQ(numberAt(store, 2, 3), 23);
    store.clear(Area{1, 3, 3, 3});
    // Row 2 keeps its height, so it stays; rows 1 and 3 carry nothing any more.
    ASSERT_EQ(store.rows().size(), 1u);
    EXPECT_EQ(store.rows()[0].row, 2);
    EXPECT_EQ(store.rows()[0].height, 30);
}

TEST(CellStoreTest, DeleteRowsMovesLaterRowsUp) {
    CellStore store;
    for (int r = 1; r <= 6; ++r) putNumber(store, r, 1, r);
    store.rowAt(5).height = 40;
    store.deleteRows(2, 4);
    ASSERT_EQ(store.rows().size(), 3u);
    EXPECT_EQ(numberAt(store, 1, 1), 1);
    EXPECT_EQ(numberAt(store, 2, 1), 5);
    EXPECT_EQ(numberAt(store, 3, 1), 6);
    EXPECT_EQ(store.findRow(2)->height, 40);
}

TEST(CellStoreTest, DeleteColumnsMovesCellsAndColumnInfo) {
    CellStore store;
    for (int c = 1; c <= 6; ++c) putNumber(store, 1, c, c);
    store.columns().push_back(columnInfo(1, 2, 10));
    store.columns().push_back(columnInfo(3, 5, 20));
    store.columns().push_back(columnInfo(6, 8, 30));
    store.deleteColumns(2, 4);
    EXPECT_EQ(numberAt(store, 1, 1), 1);
    EXPECT_EQ(numberAt(store, 1, 2), 5);
    EXPECT_EQ(numberAt(store, 1, 3), 6);
    EXPECT_EQ(store.find(1, 4), nullptr);
    ASSERT_EQ(store.columns().size(), 3u);
    EXPECT_EQ(store.columns()[0].first, 1);
    EXPECT_EQ(store.columns()[0].last, 1);
    EXPECT_EQ(store.columns()[1].first, 2);  // column 5 of the 3..5 entry
    EXPECT_EQ(store.columns()[1].last, 2);
    EXPECT_EQ(store.columns()[1].width, 20);
    EXPECT_EQ(store.columns()[2].first, 3);
    EXPECT_EQ(store.columns()[2].last, 5);
}

TEST(CellStoreTest, IsolateColumnsSplitsAndFillsGaps) {
    CellStore store;
    store.columns().push_back(columnInfo(2, 6, 12));
    store.columns().push_back(columnInfo(10, 10, 5));
    auto span = store.isolateColumns(4, 12);
    // 4..6 from the old entry, 7..9 new, 10 old, 11..12 new.
    ASSERT_EQ(span.size(), 4u);
    EXPECT_EQ(span[0].first, 4);
    EXPECT_EQ(span[0].last, 6);
    EXPECT_EQ(span[0].width, 12);
    EXPECT_EQ(span[1].first, 7);
    EXPECT_EQ(span[1].last, 9);
    EXPECT_LT(span[1].width, 0);
    EXPECT_EQ(span[2].first, 10);
    EXPECT_EQ(span[3].last, 12);
    ASSERT_EQ(store.columns().size(), 5u);
    EXPECT_EQ(store.columns()[0].first, 2);
    EXPECT_EQ(store.columns()[0].last, 3);
    EXPECT_EQ(store.findColumn(8)->first, 7);
    EXPECT_EQ(store.findColumn(1), nullptr);
}

// A hint is only where the search starts: a stale one (entries split, removed, out of range) or
// a column no entry covers gives what the plain search gives.
TEST(CellStoreTest, FindColumnFromAHintAgreesWithTheSearch) {
    CellStore store;
    store.columns().push_back(columnInfo(2, 3, 12));
    store.columns().push_back(columnInfo(4, 4, 13));
    store.columns().push_back(columnInfo(7, 9, 14));
    size_t hint = 0;
    for (int32_t column : {1, 2, 3, 4, 5, 8, 9, 10, 4, 2, 9, 1, 7})
        EXPECT_EQ(store.findColumn(column, hint), store.findColumn(column)) << column;
    hint = 2;
    EXPECT_EQ(store.findColumn(2, hint)->width, 12);
    EXPECT_EQ(hint, 0u);
    store.isolateColumns(3, 8);  // 2, 3, 4, 5..6, 7..8, 9: the hints found before are stale
    for (size_t stale : {0u, 1u, 2u, 5u, 40u}) {
        for (int32_t column = 1; column <= 10; ++column) {
            hint = stale;
            EXPECT_EQ(store.findColumn(column, hint), store.findColumn(column)) << column << " " << stale;
        }
    }
    store.columns().clear();
    EXPECT_EQ(store.findColumn(3, hint), nullptr);
}

TEST(CellStoreTest, UsedAreaIgnoresEmptyUnstyledCells) {
    CellStore store;
    Area used;
    EXPECT_FALSE(store.usedArea(used));
    store.cellAt(9, 9);  // nothing in it
    putNumber(store, 3, 4, 1);
    store.cellAt(7, 2).style = 1;
    ASSERT_TRUE(store.usedArea(used));
    EXPECT_EQ(used, (Area{3, 2, 7, 4}));
}

// What was learnt of a store's cells holds while no member that may change them was called: every
// such member sets the note, however it is reached, and reading through a const store does not.
TEST(CellStoreTest, EveryMemberThatMayChangeCellsSetsTheChangeNote) {
    CellStore filled;
    filled.cellAt(2, 2).kind = CellKind::Number;
    filled.cellAt(3, 1).kind = CellKind::Number;
    const std::vector<std::pair<const char*, std::function<void(CellStore&)>>> changes = {
        {"cellAt", [](CellStore& s) { s.cellAt(9, 9); }},
        {"slotAt", [](CellStore& s) { s.slotAt(2, 2); }},
        {"rowAt", [](CellStore& s) { s.rowAt(4); }},
        {"find", [](CellStore& s) { s.find(2, 2); }},
        {"rows", [](CellStore& s) { s.rows(); }},
        {"columns", [](CellStore& s) { s.columns(); }},
        {"erase", [](CellStore& s) { s.erase(2, 2); }},
        {"clear", [](CellStore& s) { s.clear(Area{1, 1, 2, 2}); }},
        {"deleteRows", [](CellStore& s) { s.deleteRows(1, 1); }},
        {"deleteColumns", [](CellStore& s) { s.deleteColumns(1, 1); }},
        {"isolateColumns", [](CellStore& s) { s.isolateColumns(1, 2); }},
    };
    for (const auto& [name, change] : changes) {
        CellStore store = filled;
        store.markUnchanged();
        const CellStore& reading = store;
        Area used;
        reading.find(2, 2);
        reading.findRow(2);
        reading.rows();
        reading.usedArea(used);
        EXPECT_FALSE(store.changedSinceMark()) << "reads before " << name;
        change(store);
        EXPECT_TRUE(store.changedSinceMark()) << name;
    }
}

}  // namespace
}  // namespace tavlora::host
