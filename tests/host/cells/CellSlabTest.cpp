#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "host/cells/CellSlab.h"
#include "host/cells/CellStore.h"

namespace tavlora::host::test {
namespace {

void fillNumberedRow(CellStore& store, int32_t row, int32_t cells) {
    for (int32_t column = 1; column <= cells; ++column) {
        Cell& cell = store.cellAt(row, column);
        cell.kind = CellKind::Number;
        cell.payload.number = row * 100.0 + column;
    }
}

double cellNumberAt(const RowCells& cells, size_t index) { return cells[index].payload.number; }

// A long list's rows take their cells from the store's slab; every way a row's cells can leave
// the slab (growing, copying, moving out, the store going away) keeps them intact.
TEST(CellSlabTest, RowsCutFromTheSlabKeepTheirCellsThroughGrowthCopiesAndMoves) {
    RowCells movedOut;
    CellStore copy;
    {
        CellStore store;
        for (int32_t row = 1; row <= 6000; ++row) fillNumberedRow(store, row, 4);
        fillNumberedRow(store, 5500, 9);  // grows a row cut from the slab: it moves to the heap
        store.cellAt(5501, 3).payload.number = -1;
        copy = store;
        movedOut = std::move(store.rowAt(5999).cells);
        ASSERT_TRUE(store.rowAt(5999).cells.empty());
    }  // the store is gone; the moved row's array must outlive it
    ASSERT_EQ(movedOut.size(), 4u);
    EXPECT_EQ(cellNumberAt(movedOut, 3), 5999 * 100.0 + 4);
    const RowInfo* grown = copy.findRow(5500);
    ASSERT_NE(grown, nullptr);
    ASSERT_EQ(grown->cells.size(), 9u);
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(cellNumberAt(grown->cells, i), 5500 * 100.0 + double(i + 1));
    EXPECT_EQ(copy.find(5501, 3)->payload.number, -1);
    EXPECT_EQ(copy.find(6000, 4)->payload.number, 6000 * 100.0 + 4);
    movedOut.push_back(movedOut[0]);  // grows out of the slab it came from
    EXPECT_EQ(cellNumberAt(movedOut, 0), cellNumberAt(movedOut, 4));
}

// Arrays released on another thread while the store goes on cutting new ones.
TEST(CellSlabTest, ArraysAreReleasedFromAnyThread) {
    CellStore store;
    for (int32_t row = 1; row <= 5000; ++row) fillNumberedRow(store, row, 3);
    std::vector<RowCells> taken;
    for (int32_t row = 4200; row <= 5000; ++row) taken.push_back(std::move(store.rowAt(row).cells));
    std::thread releaser([&taken] { taken.clear(); });
    for (int32_t row = 5001; row <= 9000; ++row) fillNumberedRow(store, row, 3);
    releaser.join();
    EXPECT_EQ(store.find(9000, 3)->payload.number, 9000 * 100.0 + 3);
}

// Rows dropped and filled again over and over: once the holes left behind would outweigh the
// arrays in use, the slab stops cutting and rows take heap memory, so memory stays bounded.
TEST(CellSlabTest, StopsCuttingOnceHolesOutweighTheArraysInUse) {
    CellSlabHold hold;
    CellSlab& slab = hold.slab();
    std::vector<Cell*> kept;
    for (int i = 0; i < 1000; ++i) kept.push_back(slab.allocate(8));
    size_t cut = 0;
    bool declined = false;
    for (int i = 0; i < 200000 && !declined; ++i) {
        Cell* cells = slab.allocate(8);
        if (!cells) {
            declined = true;
            break;
        }
        ++cut;
        CellSlab::release(cells);
    }
    EXPECT_TRUE(declined);
    // Holes may reach the arrays in use plus one large page and the last two arrays cut (16 + 128
    // bytes an array here).
    EXPECT_LE(cut * 144, 1000 * 144 + (size_t(2) << 20) + 2 * 144);
    EXPECT_EQ(slab.allocate(CellSlab::kLargestArray + 1), nullptr);
    EXPECT_EQ(slab.allocate(0), nullptr);
    for (Cell* cells : kept) CellSlab::release(cells);
}

}  // namespace
}  // namespace tavlora::host::test
