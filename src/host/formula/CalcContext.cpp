#include "host/formula/CalcContext.h"

#include <vector>

namespace tavlora::host::formula {

namespace {

// Holds what forEachValue gave, so that the texts of its entries stay valid.
class CopiedCells final : public CellCursor {
public:
    CopiedCells(CalcContext& context, const SheetArea& area) {
        context.forEachValue(area, [&](int32_t row, int32_t column, const Value& value) {
            cells_.push_back(Cell{row, column, value});
        });
    }
    size_t read(std::span<CellEntry> out) override {
        size_t n = 0;
        for (; n < out.size() && next_ < cells_.size(); ++n, ++next_)
            out[n] = cellEntryOf(cells_[next_].value, cells_[next_].row, cells_[next_].column);
        return n;
    }

private:
    struct Cell {
        int32_t row;
        int32_t column;
        Value value;
    };
    std::vector<Cell> cells_;
    size_t next_ = 0;
};

}  // namespace

std::unique_ptr<CellCursor> CalcContext::readCells(const SheetArea& area, bool) {
    return std::make_unique<CopiedCells>(*this, area);
}

}  // namespace tavlora::host::formula
