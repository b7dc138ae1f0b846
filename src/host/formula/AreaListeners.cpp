#include "host/formula/AreaListeners.h"

#include <algorithm>
#include <array>

namespace tavlora::host::formula {

namespace {

struct Span {
    uint32_t node;
    int32_t first;
    int32_t last;
};

}  // namespace

void AreaListeners::add(const Area& area, uint32_t listener) {
    if (area.cellCount() == 1) {
        cells_.push_back({keyOf(area.firstRow, area.firstColumn), listener});
        return;
    }
    if (entries_.empty() && few_.size() < kFewAreas) {
        few_.push_back({area, listener});
        return;
    }
    for (const AreaEntry& e : few_) addToTree(e.area, e.listener);
    few_.clear();
    addToTree(area, listener);
}

void AreaListeners::collectFew(const Area& area, std::vector<uint32_t>& out) const {
    for (const AreaEntry& e : few_)
        if (e.area.firstRow <= area.lastRow && e.area.lastRow >= area.firstRow && e.area.firstColumn <= area.lastColumn &&
            e.area.lastColumn >= area.firstColumn)
            out.push_back(e.listener);
}

void AreaListeners::addToTree(const Area& area, uint32_t listener) {
    Entry entry{static_cast<uint16_t>(area.firstColumn), static_cast<uint16_t>(area.lastColumn), listener};
    std::vector<Span> work{{1, 1, kSpan}};
    while (!work.empty()) {
        Span s = work.back();
        work.pop_back();
        if (s.last < area.firstRow || s.first > area.lastRow) continue;
        if (area.firstRow <= s.first && s.last <= area.lastRow) {
            entries_[s.node].push_back(entry);
            for (uint32_t n = s.node; n != 0 && occupied_.insert(n).second; n >>= 1) {}
            continue;
        }
        int32_t middle = s.first + (s.last - s.first) / 2;
        work.push_back({s.node * 2, s.first, middle});
        work.push_back({s.node * 2 + 1, middle + 1, s.last});
    }
}

void AreaListeners::collect(const Area& area, std::vector<uint32_t>& out) const {
    // Depth first, each level adds at most one span to the work: the tree's depth bounds it.
    std::array<Span, 64> work;
    size_t pending = 0;
    work[pending++] = {1, 1, kSpan};
    while (pending > 0) {
        Span s = work[--pending];
        if (s.last < area.firstRow || s.first > area.lastRow || !occupied_.count(s.node)) continue;
        if (auto it = entries_.find(s.node); it != entries_.end())
            for (const Entry& e : it->second)
                if (e.firstColumn <= area.lastColumn && e.lastColumn >= area.firstColumn) out.push_back(e.listener);
        if (s.first == s.last) continue;
        int32_t middle = s.first + (s.last - s.first) / 2;
        work[pending++] = {s.node * 2, s.first, middle};
        work[pending++] = {s.node * 2 + 1, middle + 1, s.last};
    }
}

void AreaListeners::sortCells() {
    auto byKey = [](const CellEntry& a, const CellEntry& b) { return a.key < b.key; };
    std::sort(cells_.begin() + std::ptrdiff_t(sorted_), cells_.end(), byKey);
    std::inplace_merge(cells_.begin(), cells_.begin() + std::ptrdiff_t(sorted_), cells_.end(), byKey);
    sorted_ = cells_.size();
}

void AreaListeners::collectCells(const Area& area, std::vector<uint32_t>& out) {
    constexpr size_t kUnsortedLimit = 256;
    if (cells_.size() - sorted_ > kUnsortedLimit) sortCells();
    auto meets = [&](const CellEntry& e) {
        int32_t column = int32_t(e.key & 0xFFFF);
        return column >= area.firstColumn && column <= area.lastColumn;
    };
    auto sortedEnd = cells_.begin() + std::ptrdiff_t(sorted_);
    auto from = std::lower_bound(cells_.begin(), sortedEnd, keyOf(area.firstRow, area.firstColumn),
                                 [](const CellEntry& e, uint64_t key) { return e.key < key; });
    const uint64_t last = keyOf(area.lastRow, area.lastColumn);
    for (auto it = from; it != sortedEnd && it->key <= last; ++it)
        if (meets(*it)) out.push_back(it->listener);
    for (auto it = sortedEnd; it != cells_.end(); ++it) {
        int32_t row = int32_t(it->key >> 16);
        if (row >= area.firstRow && row <= area.lastRow && meets(*it)) out.push_back(it->listener);
    }
}

void AreaListeners::clear() {
    few_.clear();
    entries_.clear();
    occupied_.clear();
    cells_.clear();
    sorted_ = 0;
}

}  // namespace tavlora::host::formula
