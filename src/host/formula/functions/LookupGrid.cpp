#include "host/formula/functions/LookupGrid.h"

#include <algorithm>

namespace tavlora::host::formula {

std::optional<LookupGrid> LookupGrid::of(CalcContext& context, const Value& argument) {
    if (argument.isError()) return std::nullopt;
    LookupGrid grid;
    grid.context_ = &context;
    if (argument.isReference()) {
        if (argument.asReferences().size() != 1) return std::nullopt;
        const SheetArea& area = argument.asReferences().front();
        grid.sheet_ = area.sheet;
        grid.firstRow_ = area.area.firstRow;
        grid.firstColumn_ = area.area.firstColumn;
        grid.rows_ = area.area.rowCount();
        grid.columns_ = area.area.columnCount();
        if (std::optional<Area> used = context.usedPart(area)) {
            grid.usedRows_ = used->lastRow - area.area.firstRow + 1;
            grid.usedColumns_ = used->lastColumn - area.area.firstColumn + 1;
        }
        return grid;
    }
    if (argument.isArray()) {
        grid.array_ = argument;
    } else {
        ValueArray single{1, 1, {argument.isMissing() ? Value() : argument}};
        grid.array_ = Value::array(std::move(single));
    }
    grid.rows_ = grid.usedRows_ = grid.array_.asArray().rows;
    grid.columns_ = grid.usedColumns_ = grid.array_.asArray().columns;
    return grid;
}

Value LookupGrid::at(int64_t row, int64_t column) const {
    if (row < 0 || column < 0 || row >= usedRows_ || column >= usedColumns_) return Value();
    if (!isReference()) return array_.asArray().at(int32_t(firstRow_ + row), int32_t(firstColumn_ + column));
    return context_->cellValue(sheet_, int32_t(firstRow_ + row), int32_t(firstColumn_ + column));
}

Value LookupGrid::part(int64_t firstRow, int64_t firstColumn, int64_t rows, int64_t columns) const {
    if (isReference()) {
        Area area{int32_t(firstRow_ + firstRow), int32_t(firstColumn_ + firstColumn),
                  int32_t(firstRow_ + firstRow + rows - 1), int32_t(firstColumn_ + firstColumn + columns - 1)};
        return Value::reference(SheetArea{sheet_, area});
    }
    if (rows == 1 && columns == 1) return at(firstRow, firstColumn);
    ValueArray out{int32_t(rows), int32_t(columns), {}};
    out.values.reserve(size_t(rows * columns));
    for (int64_t r = 0; r < rows; ++r)
        for (int64_t c = 0; c < columns; ++c) out.values.push_back(at(firstRow + r, firstColumn + c));
    return Value::array(std::move(out));
}

LookupGrid LookupGrid::window(int64_t firstRow, int64_t firstColumn, int64_t rows, int64_t columns) const {
    LookupGrid grid = *this;
    grid.firstRow_ += firstRow;
    grid.firstColumn_ += firstColumn;
    grid.rows_ = rows;
    grid.columns_ = columns;
    grid.usedRows_ = std::clamp<int64_t>(usedRows_ - firstRow, 0, rows);
    grid.usedColumns_ = std::clamp<int64_t>(usedColumns_ - firstColumn, 0, columns);
    return grid;
}

}  // namespace tavlora::host::formula
