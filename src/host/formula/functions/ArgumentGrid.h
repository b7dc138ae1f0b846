#pragma once
#include <cstdint>
#include <functional>
#include <optional>

#include "host/formula/CalcContext.h"
#include "host/formula/FormulaValue.h"

// A range argument that functions walk cell by cell in step with others (SUMIFS, SUMPRODUCT):
// one area of a sheet, an array, or a single value as a grid of one cell, addressed by 0-based
// offsets from its top left.
namespace tavlora::host::formula::functions {

// Offsets within a grid, inclusive.
struct GridBox {
    int32_t firstRow = 0;
    int32_t firstColumn = 0;
    int32_t lastRow = 0;
    int32_t lastColumn = 0;

    int64_t cellCount() const { return (int64_t(lastRow) - firstRow + 1) * (int64_t(lastColumn) - firstColumn + 1); }
    // nullopt when the two do not meet.
    std::optional<GridBox> intersection(const GridBox& other) const;
    GridBox hull(const GridBox& other) const;
};

class ArgumentGrid {
public:
    // nullopt for a reference of several areas, which no in-step function accepts.
    static std::optional<ArgumentGrid> from(const Value& argument);

    int32_t rows() const { return rows_; }
    int32_t columns() const { return columns_; }
    int64_t cellCount() const { return int64_t(rows_) * columns_; }
    bool sameShape(const ArgumentGrid& other) const { return rows_ == other.rows_ && columns_ == other.columns_; }

    Value at(CalcContext& context, int32_t row, int32_t column) const;
    // The offsets outside which every cell is blank; nullopt when all are.
    std::optional<GridBox> usedBox(CalcContext& context) const;
    // The values within `box` that are not blank, row by row, at a cost in proportion to them.
    using Visitor = std::function<void(int32_t row, int32_t column, const Value& value)>;
    void forEachNonBlank(CalcContext& context, const GridBox& box, const Visitor& visit) const;

    // A grid of a sheet's cells (not an array or a single value) is read in bulk through the
    // cells of sheetPart, whose top left is offset (0, 0).
    bool isArea() const { return area_.has_value(); }
    const Area& area() const { return area_->area; }
    // The cells of `box` on the sheet; nullopt when none are (or the grid is no area).
    std::optional<SheetArea> sheetPart(const GridBox& box) const;

    // The grid of `rows` by `columns` with the same top left: SUMIF and AVERAGEIF give their sum
    // range the shape of the criteria range. The part past the sheet's edge reads as blank.
    ArgumentGrid reshaped(int32_t rows, int32_t columns) const;

private:
    ArgumentGrid() = default;
    std::optional<SheetArea> area_;  // a reference, clipped to the sheet
    Value values_;                   // otherwise: an array, or one value
    int32_t rows_ = 1;
    int32_t columns_ = 1;
};

}  // namespace tavlora::host::formula::functions
