#pragma once
#include <algorithm>
#include <cstdint>

#include "host/cells/CellStore.h"

// Finds the cells of one sheet near the row a walk down the sheet is at. A formula of a list reads
// its own row and the rows just above it: when the rows between have no gaps, the row is where its
// distance from the walked one says, and in a row without gaps the cell is where its column says,
// so most reads need no search.
namespace tavlora::host::formula {

class NearbyCells {
public:
    // `rows` must stay as they are while the walk uses them.
    explicit NearbyCells(const RowList& rows) : rows_(rows) {}

    // The walked row and the one above it are looked up at the first read: most rows of a
    // workbook hold no formula.
    void moveTo(size_t rowIndex) {
        at_ = rowIndex;
        here_ = nullptr;
    }

    // nullptr when the cell is not stored. A cell of the walked row or the one above it, in a row
    // without gaps, is found in a few instructions; the rest is searched for.
    const Cell* find(int32_t row, int32_t column) const {
        if (!here_ && at_ < rows_.size()) {
            here_ = &rows_[at_];
            above_ = at_ > 0 ? &rows_[at_ - 1] : nullptr;
        }
        if (here_) {
            const RowInfo* info = here_->row == row ? here_ : above_ && above_->row == row ? above_ : nullptr;
            if (info && !info->cells.empty()) {
                const Cell* cells = info->cells.data();
                const int64_t guess = int64_t(column) - cells[0].column;
                if (guess >= 0 && guess < int64_t(info->cells.size()) && cells[guess].column == column) return cells + guess;
            }
        }
        return search(row, column);
    }

private:
    const Cell* search(int32_t row, int32_t column) const {
        const RowInfo* info = rowNear(row);
        if (!info || info->cells.empty()) return nullptr;
        const auto& cells = info->cells;
        const int64_t guess = int64_t(column) - cells.front().column;
        if (guess >= 0 && guess < int64_t(cells.size()) && cells[size_t(guess)].column == column)
            return &cells[size_t(guess)];
        auto it = std::lower_bound(cells.begin(), cells.end(), column,
                                   [](const Cell& cell, int32_t c) { return int32_t(cell.column) < c; });
        return it != cells.end() && it->column == column ? &*it : nullptr;
    }

    const RowInfo* rowNear(int32_t row) const {
        if (here_) {
            const int64_t guess = int64_t(at_) + (int64_t(row) - here_->row);
            if (guess >= 0 && guess < int64_t(rows_.size()) && rows_[size_t(guess)].row == row)
                return &rows_[size_t(guess)];
        }
        auto it = std::lower_bound(rows_.begin(), rows_.end(), row,
                                   [](const RowInfo& info, int32_t r) { return info.row < r; });
        return it != rows_.end() && it->row == row ? &*it : nullptr;
    }

    const RowList& rows_;
    size_t at_ = 0;
    mutable const RowInfo* here_ = nullptr;   // rows_[at_], once read
    mutable const RowInfo* above_ = nullptr;  // rows_[at_ - 1]
};

}  // namespace tavlora::host::formula
