#pragma once
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/cells/CellRef.h"

// Which formulas listen to which areas of one sheet, so that a write finds the formulas it makes
// stale. Single cells, by far the most references, are (cell, listener) pairs in one array, sorted
// when first queried. The first few larger areas (a report's totals) are checked one by one, which
// costs a write less than a walk down the tree's twenty levels. Beyond them, areas are kept in a
// segment tree over the rows: an area is stored once per node of its row span's decomposition (at
// most about 40 nodes, whatever its size), so a whole column costs no more than a cell, and a query
// visits only the nodes that hold something.
namespace tavlora::host::formula {

class AreaListeners {
public:
    void add(const Area& area, uint32_t listener);
    // Every listener whose area meets `area`, at least once (the tree holds an area in several nodes).
    template <typename Visit>
    void forEachMeeting(const Area& area, Visit visit);
    bool empty() const { return entries_.empty() && cells_.empty() && few_.empty(); }
    void clear();

private:
    struct AreaEntry {
        Area area;
        uint32_t listener;
    };
    static constexpr size_t kFewAreas = 32;
    std::vector<AreaEntry> few_;  // empty once the tree holds the areas
    void addToTree(const Area& area, uint32_t listener);
    void collectFew(const Area& area, std::vector<uint32_t>& out) const;

    struct Entry {
        uint16_t firstColumn;
        uint16_t lastColumn;
        uint32_t listener;
    };
    // Node 1 covers rows 1..kSpan; node n's children are 2n and 2n+1.
    static constexpr int32_t kSpan = kMaxRows;
    std::unordered_map<uint32_t, std::vector<Entry>> entries_;
    std::unordered_set<uint32_t> occupied_;  // nodes holding entries or with descendants that do
    void collect(const Area& area, std::vector<uint32_t>& out) const;

    struct CellEntry {
        uint64_t key;  // row << 16 | column: row-major order
        uint32_t listener;
    };
    static uint64_t keyOf(int32_t row, int32_t column) { return uint64_t(row) << 16 | uint64_t(column); }
    // Sorted up to sorted_; entries added later are searched one by one until there are enough
    // of them to sort again.
    std::vector<CellEntry> cells_;
    size_t sorted_ = 0;
    void sortCells();
    void collectCells(const Area& area, std::vector<uint32_t>& out);

    std::vector<uint32_t> found_;  // forEachMeeting's, between asks
};

template <typename Visit>
void AreaListeners::forEachMeeting(const Area& area, Visit visit) {
    // Every write asks, and most find a listener: the list of what was found is kept from one ask
    // to the next. Taken out while visiting, so a visit that asks again gets a list of its own.
    std::vector<uint32_t> found = std::move(found_);
    found.clear();
    if (!cells_.empty()) collectCells(area, found);
    if (!few_.empty()) collectFew(area, found);
    if (!entries_.empty()) collect(area, found);
    for (uint32_t listener : found) visit(listener);
    found_ = std::move(found);
}

}  // namespace tavlora::host::formula
