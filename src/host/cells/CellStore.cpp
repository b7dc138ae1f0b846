#include "host/cells/CellStore.h"

#include <algorithm>

namespace tavlora::host {

namespace {

template <typename Rows>
auto rowPosition(Rows& rows, int32_t row) {
    return std::lower_bound(rows.begin(), rows.end(), row,
                            [](const RowInfo& info, int32_t r) { return info.row < r; });
}

template <typename Cells>
auto cellPosition(Cells& cells, int32_t column) {
    return std::lower_bound(cells.begin(), cells.end(), column,
                            [](const Cell& cell, int32_t c) { return cell.column < c; });
}

bool rowCarriesNothing(const RowInfo& info) {
    return info.cells.empty() && info.height < 0 && !info.customHeight && !info.hidden &&
           !info.hasStyle && info.extraAttributes.empty();
}

bool cellMatters(const Cell& cell) { return cell.kind != CellKind::Empty || cell.style != 0; }

// Rows a sheet holds before its new rows take their cells from a slab. A slab's first page costs
// one fault and 2 MiB of memory; the first rows on the heap cost a fault per 4 KiB (about 25 rows
// of ten cells) at about 10 us each on the machines we measure: 512 rows keep a short report (an
// invoice) on the heap and spare a long list most of its heap faults.
constexpr size_t kRowsBeforeSlab = 512;

}  // namespace

// Rows made this far from the end of the sorted rows wait aside instead of moving the rows after them.
constexpr size_t kCheapInsertDistance = 64;

const RowInfo* CellStore::findPendingRow(int32_t row) const {
    auto it = std::lower_bound(pendingRows_.begin(), pendingRows_.end(), row,
                               [](const RowInfo& info, int32_t r) { return info.row > r; });
    return it != pendingRows_.end() && it->row == row ? &*it : nullptr;
}

RowInfo& CellStore::newPendingRow(int32_t row) {
    auto it = std::lower_bound(pendingRows_.begin(), pendingRows_.end(), row,
                               [](const RowInfo& info, int32_t r) { return info.row > r; });
    RowInfo info;
    info.row = row;
    RowInfo& made = *pendingRows_.insert(it, std::move(info));
    lastNewRow_ = 0;  // the hint indexes rows_ only
    return made;
}

void CellStore::settleRows() const {
    if (!pendingRows_.empty()) {
        RowList merged;
        // The pending rows are sorted by descending row: taken from the back, they come in order.
        size_t pending = pendingRows_.size();
        for (auto& info : rows_) {
            for (; pending > 0 && pendingRows_[pending - 1].row < info.row; --pending)
                merged.push_back(std::move(pendingRows_[pending - 1]));
            merged.push_back(std::move(info));
        }
        for (; pending > 0; --pending) merged.push_back(std::move(pendingRows_[pending - 1]));
        rows_ = std::move(merged);
        pendingRows_.clear();
    }
    if (vacatedRows_ != 0) {
        rows_.eraseIf(rowCarriesNothing);
        vacatedRows_ = 0;
    }
}

void CellStore::noteVacatedRows(size_t count) {
    vacatedRows_ += count;
    if (vacatedRows_ > kCheapInsertDistance && vacatedRows_ * 2 > rows_.size()) settleRows();
}

const RowInfo* CellStore::findRow(int32_t row) const {
    if (!pendingRows_.empty()) {
        if (const RowInfo* pending = findPendingRow(row)) return pending;
    }
    if (!rows_.empty() && rows_.back().row == row) return &rows_.back();
    // Rows filled above others (a list above a template's totals) are found where they were made.
    if (lastNewIndex_ < rows_.size() && rows_[lastNewIndex_].row == row) return &rows_[lastNewIndex_];
    if (size_t near = nearLastWritten(row); near != kNoRow) return &rows_[near];
    // Lists fill rows without gaps: the row is then where its distance from the first row says,
    // which spares formulas reading their neighbours a search per read.
    if (!rows_.empty() && row >= rows_.front().row) {
        const size_t guess = size_t(row - rows_.front().row);
        if (guess < rows_.size() && rows_[guess].row == row) return &rows_[guess];
    }
    auto it = rowPosition(rows_, row);
    return it != rows_.end() && it->row == row ? &*it : nullptr;
}

size_t CellStore::nearLastWritten(int32_t row) const {
    // Only a hint: rows inserted or erased since may have moved it, so the row number decides.
    for (size_t i = lastWrittenIndex_; i < rows_.size() && i <= lastWrittenIndex_ + 1; ++i)
        if (rows_[i].row == row) return i;
    return kNoRow;
}

const Cell* CellStore::find(int32_t row, int32_t column) const {
    const RowInfo* info = findRow(row);
    if (!info) return nullptr;
    auto it = cellPosition(info->cells, column);
    return it != info->cells.end() && it->column == column ? &*it : nullptr;
}

Cell* CellStore::find(int32_t row, int32_t column) {
    changed_ = true;
    return const_cast<Cell*>(static_cast<const CellStore*>(this)->find(row, column));
}

RowInfo& CellStore::rowAt(int32_t row) {
    changed_ = true;
    if (!pendingRows_.empty()) {
        if (const RowInfo* pending = findPendingRow(row)) return const_cast<RowInfo&>(*pending);
    }
    if (rows_.empty() || rows_.back().row < row) return newRow(rows_.end(), row);
    if (rows_.back().row == row) return rows_.back();
    if (lastNewIndex_ < rows_.size() && rows_[lastNewIndex_].row == row) return rows_[lastNewIndex_];
    if (size_t near = nearLastWritten(row); near != kNoRow) {
        lastWrittenIndex_ = near;
        return rows_[near];
    }
    auto it = rowPosition(rows_, row);
    if (it != rows_.end() && it->row == row) {
        lastWrittenIndex_ = it.index();
        return *it;
    }
    if (size_t(rows_.end() - it) > kCheapInsertDistance) return newPendingRow(row);
    return newRow(it, row);
}

RowInfo& CellStore::newRow(RowList::iterator at, int32_t row) {
    // Rows filled one after another tend to have as many cells as the one filled before: room for
    // that many spares the growth steps of filling the row cell by cell, and the slack they
    // leave. Each row reserves at most what another row holds, so never more in all than the
    // cells stored.
    const RowInfo* last = lastNewRow_ != 0 ? findRow(lastNewRow_) : nullptr;
    const size_t expected = last ? last->cells.size() : 0;
    lastNewRow_ = row;
    lastNewIndex_ = at.index();
    RowInfo& made = at == rows_.end() ? rows_.emplace_back() : *rows_.insert(at, RowInfo{});
    made.row = row;
    if (rows_.size() > kRowsBeforeSlab) made.cells.reserve(expected, slab_.slab());
    else made.cells.reserve(expected);
    return made;
}

Cell& CellStore::cellAt(int32_t row, int32_t column) { return slotAt(row, column).cell; }

CellStore::Slot CellStore::slotAt(int32_t row, int32_t column) {
    RowInfo& info = rowAt(row);
    auto& cells = info.cells;
    if (cells.empty() || cells.back().column < column) {
        cells.push_back(Cell{});
        cells.back().column = static_cast<uint16_t>(column);
        return {info, cells.back(), true};
    }
    if (cells.back().column == column) return {info, cells.back(), false};
    auto it = cellPosition(cells, column);
    if (it != cells.end() && it->column == column) return {info, *it, false};
    Cell cell;
    cell.column = static_cast<uint16_t>(column);
    return {info, *cells.insert(it, cell), true};
}

uint32_t CellStore::addFormula(Formula formula) {
    formulas_.push_back(std::move(formula));
    return static_cast<uint32_t>(formulas_.size() - 1);
}

void CellStore::clear(const Area& area) {
    changed_ = true;
    settleRows();
    size_t vacated = 0;
    auto it = rowPosition(rows_, area.firstRow);
    for (; it != rows_.end() && it->row <= area.lastRow; ++it) {
        auto& cells = it->cells;
        auto from = cellPosition(cells, area.firstColumn);
        auto to = std::find_if(from, cells.end(), [&](const Cell& c) { return c.column > area.lastColumn; });
        cells.erase(from, to);
        if (area.isWholeRows()) it->hasStyle = false;
        if (rowCarriesNothing(*it)) ++vacated;
    }
    noteVacatedRows(vacated);
}

void CellStore::deleteRows(int32_t first, int32_t last) {
    changed_ = true;
    settleRows();
    const int32_t count = last - first + 1;
    auto from = rowPosition(rows_, first);
    auto to = rowPosition(rows_, last + 1);
    auto next = rows_.erase(from, to);
    for (; next != rows_.end(); ++next) next->row -= count;
}

void CellStore::deleteColumns(int32_t first, int32_t last) {
    changed_ = true;
    settleRows();
    const int32_t count = last - first + 1;
    for (auto& info : rows_) {
        auto& cells = info.cells;
        auto from = cellPosition(cells, first);
        auto to = std::find_if(from, cells.end(), [&](const Cell& c) { return c.column > last; });
        auto next = cells.erase(from, to);
        for (; next != cells.end(); ++next) next->column = static_cast<uint16_t>(next->column - count);
    }
    std::vector<ColumnInfo> kept;
    kept.reserve(columns_.size());
    for (auto info : columns_) {
        // The part left of the band stays, the part right of it moves left by the band's width.
        int32_t keptLeft = std::min(info.last, first - 1) - info.first + 1;
        int32_t keptRight = info.last - std::max(info.first, last + 1) + 1;
        int32_t total = std::max(keptLeft, 0) + std::max(keptRight, 0);
        if (total <= 0) continue;
        int32_t newFirst = info.first > last ? info.first - count : std::min(info.first, first);
        info.first = newFirst;
        info.last = newFirst + total - 1;
        kept.push_back(std::move(info));
    }
    columns_ = std::move(kept);
}

bool CellStore::usedArea(Area& out) const {
    settleRows();
    // Only the first and the last cell of a row that matter can widen the area.
    bool any = false;
    for (const auto& info : rows_) {
        auto first = std::find_if(info.cells.begin(), info.cells.end(), cellMatters);
        if (first == info.cells.end()) continue;
        auto last = std::find_if(info.cells.rbegin(), info.cells.rend(), cellMatters);
        if (!any) {
            out = Area{info.row, first->column, info.row, last->column};
            any = true;
            continue;
        }
        out.lastRow = info.row;
        out.firstColumn = std::min<int32_t>(out.firstColumn, first->column);
        out.lastColumn = std::max<int32_t>(out.lastColumn, last->column);
    }
    return any;
}

}  // namespace tavlora::host

namespace tavlora::host {

void CellStore::erase(int32_t row, int32_t column) {
    changed_ = true;
    RowInfo* info = const_cast<RowInfo*>(findRow(row));
    if (!info) return;
    auto& cells = info->cells;
    auto it = cellPosition(cells, column);
    if (it == cells.end() || it->column != column) return;
    cells.erase(it);
    // The row stays until rows are next walked: removing it here would move every row after it.
    if (rowCarriesNothing(*info)) noteVacatedRows(1);
}

const ColumnInfo* CellStore::findColumn(int32_t column) const {
    auto it = std::upper_bound(columns_.begin(), columns_.end(), column,
                               [](int32_t c, const ColumnInfo& info) { return c < info.first; });
    if (it == columns_.begin()) return nullptr;
    --it;
    return column <= it->last ? &*it : nullptr;
}

const ColumnInfo* CellStore::findColumn(int32_t column, size_t& hint) const {
    for (size_t i = hint; i < columns_.size() && i <= hint + 1; ++i) {
        if (columns_[i].first <= column && column <= columns_[i].last) {
            hint = i;
            return &columns_[i];
        }
    }
    const ColumnInfo* found = findColumn(column);
    if (found) hint = static_cast<size_t>(found - columns_.data());
    return found;
}

std::span<ColumnInfo> CellStore::isolateColumns(int32_t first, int32_t last) {
    changed_ = true;
    std::vector<ColumnInfo> out;
    out.reserve(columns_.size() + 3);
    int32_t next = first;  // the first column of first..last not yet covered
    size_t begin = 0, end = 0;
    bool placed = false;
    auto placeGapUpTo = [&](int32_t upTo) {
        if (next <= upTo) {
            ColumnInfo gap;
            gap.first = next;
            gap.last = upTo;
            out.push_back(gap);
            next = upTo + 1;
        }
    };
    auto markBegin = [&] {
        if (!placed) {
            begin = out.size();
            placed = true;
        }
    };
    for (const auto& info : columns_) {
        if (info.last < first || info.first > last) {
            if (info.first > last && next <= last) {
                markBegin();
                placeGapUpTo(last);
                end = out.size();
            }
            out.push_back(info);
            continue;
        }
        if (info.first < first) {
            ColumnInfo left = info;
            left.last = first - 1;
            out.push_back(left);
        }
        markBegin();
        placeGapUpTo(std::max(info.first, first) - 1);
        ColumnInfo middle = info;
        middle.first = std::max(info.first, first);
        middle.last = std::min(info.last, last);
        out.push_back(middle);
        next = middle.last + 1;
        end = out.size();
        if (info.last > last) {
            ColumnInfo right = info;
            right.first = last + 1;
            out.push_back(right);
        }
    }
    if (next <= last) {
        markBegin();
        placeGapUpTo(last);
        end = out.size();
    }
    columns_ = std::move(out);
    return std::span<ColumnInfo>(columns_.data() + begin, end - begin);
}

}  // namespace tavlora::host
