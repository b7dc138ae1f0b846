#include <gtest/gtest.h>

#include "host/cells/CellStore.h"

namespace tavlora::host::test {
namespace {

void fillRow(CellStore& store, int32_t row, int32_t cells) {
    for (int32_t column = 1; column <= cells; ++column) store.cellAt(row, column).kind = CellKind::Number;
}

// A table filled row by row holds each row's cells without growth slack, appended at the end or
// inserted above rows that already exist (a template's totals row).
TEST(CellStoreMemoryTest, RowsFilledOneAfterAnotherTakeJustTheirCells) {
    CellStore store;
    fillRow(store, 1, 1);
    fillRow(store, 5000, 3);  // totals below the list
    for (int32_t row = 2; row < 5000; ++row) fillRow(store, row, 10);
    for (const RowInfo& row : store.rows()) {
        if (row.row < 3 || row.row >= 5000) continue;
        ASSERT_EQ(row.cells.capacity(), 10u) << "row " << row.row;
    }
}

// The guess is the last new row's count, never a wide row's for every row after it: rows added
// in any order reserve in all no more than the cells stored.
TEST(CellStoreMemoryTest, NarrowRowsAfterAWideOneReserveNoMoreThanTheyHold) {
    CellStore store;
    fillRow(store, 1, 1000);
    for (int32_t row = 2000; row > 1; --row) fillRow(store, row, 1);
    size_t reserved = 0;
    size_t stored = 0;
    for (const RowInfo& row : store.rows()) {
        reserved += row.cells.capacity();
        stored += row.cells.size();
    }
    EXPECT_LE(reserved, 2 * stored);
}

// Rows made above a trailing row are found again quickly through a hint; the hint must never
// answer for another row once rows move (deleted or inserted above it).
TEST(CellStoreMemoryTest, RowsFoundByTheirNumberAfterRowsAboveThemMove) {
    CellStore store;
    fillRow(store, 100, 1);
    for (int32_t row = 10; row < 20; ++row) fillRow(store, row, 2);
    ASSERT_NE(store.findRow(19), nullptr);
    store.deleteRows(1, 5);  // rows 10..19 become 5..14, 100 becomes 95
    EXPECT_EQ(store.findRow(19), nullptr);
    ASSERT_NE(store.findRow(14), nullptr);
    EXPECT_EQ(store.findRow(14)->cells.size(), 2u);
    fillRow(store, 3, 1);  // inserted above: every index below moves
    EXPECT_EQ(store.findRow(14)->row, 14);
    EXPECT_EQ(store.findRow(95)->row, 95);
    EXPECT_EQ(store.findRow(3)->row, 3);
    EXPECT_EQ(&store.rowAt(14), store.findRow(14));
    EXPECT_EQ(store.rows().size(), 12u);
}

}  // namespace
}  // namespace tavlora::host::test
