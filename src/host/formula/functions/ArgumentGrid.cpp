#include "host/formula/functions/ArgumentGrid.h"

#include <algorithm>

namespace tavlora::host::formula::functions {

std::optional<GridBox> GridBox::intersection(const GridBox& other) const {
    GridBox box{std::max(firstRow, other.firstRow), std::max(firstColumn, other.firstColumn),
                std::min(lastRow, other.lastRow), std::min(lastColumn, other.lastColumn)};
    if (box.firstRow > box.lastRow || box.firstColumn > box.lastColumn) return std::nullopt;
    return box;
}

GridBox GridBox::hull(const GridBox& other) const {
    return {std::min(firstRow, other.firstRow), std::min(firstColumn, other.firstColumn),
            std::max(lastRow, other.lastRow), std::max(lastColumn, other.lastColumn)};
}

std::optional<ArgumentGrid> ArgumentGrid::from(const Value& argument) {
    ArgumentGrid grid;
    if (argument.isReference()) {
        const auto& areas = argument.asReferences();
        if (areas.size() != 1) return std::nullopt;
        grid.area_ = areas[0];
        grid.rows_ = int32_t(areas[0].area.rowCount());
        grid.columns_ = int32_t(areas[0].area.columnCount());
    } else if (argument.isArray()) {
        grid.values_ = argument;
        grid.rows_ = argument.asArray().rows;
        grid.columns_ = argument.asArray().columns;
    } else {
        grid.values_ = argument.isMissing() ? Value() : argument;
    }
    return grid;
}

Value ArgumentGrid::at(CalcContext& context, int32_t row, int32_t column) const {
    if (area_) {
        int32_t sheetRow = area_->area.firstRow + row;
        int32_t sheetColumn = area_->area.firstColumn + column;
        if (!area_->area.contains(sheetRow, sheetColumn)) return Value();
        return context.cellValue(area_->sheet, sheetRow, sheetColumn);
    }
    if (values_.isArray()) {
        const ValueArray& array = values_.asArray();
        if (row >= array.rows || column >= array.columns) return Value();
        return array.at(row, column);
    }
    return row == 0 && column == 0 ? values_ : Value();
}

std::optional<GridBox> ArgumentGrid::usedBox(CalcContext& context) const {
    if (values_.isArray()) return GridBox{0, 0, values_.asArray().rows - 1, values_.asArray().columns - 1};
    if (!area_) return values_.isBlank() ? std::nullopt : std::optional<GridBox>(GridBox{});
    std::optional<Area> used = context.usedPart(*area_);
    if (!used) return std::nullopt;
    const Area& origin = area_->area;
    return GridBox{used->firstRow - origin.firstRow, used->firstColumn - origin.firstColumn,
                   used->lastRow - origin.firstRow, used->lastColumn - origin.firstColumn};
}

std::optional<SheetArea> ArgumentGrid::sheetPart(const GridBox& box) const {
    if (!area_) return std::nullopt;
    const Area& origin = area_->area;
    Area part{origin.firstRow + box.firstRow, origin.firstColumn + box.firstColumn,
              std::min(origin.lastRow, origin.firstRow + box.lastRow),
              std::min(origin.lastColumn, origin.firstColumn + box.lastColumn)};
    if (part.firstRow > part.lastRow || part.firstColumn > part.lastColumn) return std::nullopt;
    return SheetArea{area_->sheet, part};
}

void ArgumentGrid::forEachNonBlank(CalcContext& context, const GridBox& box, const Visitor& visit) const {
    if (area_) {
        const Area& origin = area_->area;
        std::optional<SheetArea> part = sheetPart(box);
        if (!part) return;
        context.forEachValue(*part, [&](int32_t row, int32_t column, const Value& value) {
            visit(row - origin.firstRow, column - origin.firstColumn, value);
        });
        return;
    }
    std::optional<GridBox> used = usedBox(context);
    std::optional<GridBox> walked = used ? used->intersection(box) : std::nullopt;
    if (!walked) return;
    for (int32_t row = walked->firstRow; row <= walked->lastRow; ++row)
        for (int32_t column = walked->firstColumn; column <= walked->lastColumn; ++column) {
            Value value = at(context, row, column);
            if (!value.isBlank()) visit(row, column, value);
        }
}

ArgumentGrid ArgumentGrid::reshaped(int32_t rows, int32_t columns) const {
    ArgumentGrid grid = *this;
    grid.rows_ = rows;
    grid.columns_ = columns;
    if (area_) {
        Area& area = grid.area_->area;
        area.lastRow = int32_t(std::min<int64_t>(kMaxRows, int64_t(area.firstRow) + rows - 1));
        area.lastColumn = int32_t(std::min<int64_t>(kMaxColumns, int64_t(area.firstColumn) + columns - 1));
    }
    return grid;
}

}  // namespace tavlora::host::formula::functions
