#pragma once
#include <array>
#include <memory>
#include <span>

#include "host/formula/CalcContext.h"

// Reads the cells of an area that are not blank through the context's cursor, a batch at a time:
// a function walks them one by one, or a batch at once, without a call into the engine per cell.
namespace tavlora::host::formula::functions {

class CellReader {
public:
    CellReader(CalcContext& context, const SheetArea& area, bool handPending = false)
        : cursor_(context.readCells(area, handPending)) {}

    // The next cell; nullptr once all are read. Valid until the batch it came in is used up.
    const CellEntry* next() {
        if (at_ == size_ && !refill()) return nullptr;
        return &batch_[at_++];
    }
    // The cells not handed out yet of the current batch, or the next batch; empty at the end.
    std::span<const CellEntry> nextBatch() {
        if (at_ == size_ && !refill()) return {};
        std::span<const CellEntry> rest(batch_.data() + at_, size_ - at_);
        at_ = size_;
        return rest;
    }

private:
    bool refill() {
        size_ = cursor_->read(batch_);
        at_ = 0;
        return size_ != 0;
    }
    std::unique_ptr<CellCursor> cursor_;
    std::array<CellEntry, 64> batch_;
    size_t size_ = 0;
    size_t at_ = 0;
};

}  // namespace tavlora::host::formula::functions
