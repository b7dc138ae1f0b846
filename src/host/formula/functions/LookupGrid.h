#pragma once
#include <cstdint>
#include <optional>

#include "host/formula/CalcContext.h"
#include "host/formula/FormulaValue.h"

// The rectangle a lookup function searches or picks from: one area of a sheet or an array (a
// single value is a 1 x 1 array), read a cell at a time, so that a lookup in whole columns costs
// what the used cells cost.
namespace tavlora::host::formula {

class LookupGrid {
public:
    // nullopt for a reference of several areas, and for an error (which the caller returns).
    static std::optional<LookupGrid> of(CalcContext& context, const Value& argument);

    int64_t rows() const { return rows_; }
    int64_t columns() const { return columns_; }
    // Rows (columns) from the first on that may hold values: every cell beyond them is blank.
    int64_t usedRows() const { return usedRows_; }
    int64_t usedColumns() const { return usedColumns_; }
    // 0-based; a cell outside the grid reads blank.
    Value at(int64_t row, int64_t column) const;

    bool isReference() const { return !array_.isArray(); }
    bool isLine() const { return rows_ == 1 || columns_ == 1; }
    // The part of the grid as a result: a reference for a sheet's cells, else an array (a single
    // element as itself). REQUIRES: the part lies inside the grid.
    Value part(int64_t firstRow, int64_t firstColumn, int64_t rows, int64_t columns) const;
    LookupGrid row(int64_t row) const { return window(row, 0, 1, columns_); }
    LookupGrid column(int64_t column) const { return window(0, column, rows_, 1); }

    // A single row or column as a line of values. REQUIRES: isLine().
    int64_t length() const { return rows_ == 1 ? columns_ : rows_; }
    int64_t usedLength() const { return rows_ == 1 ? usedColumns_ : usedRows_; }
    Value element(int64_t index) const { return rows_ == 1 ? at(0, index) : at(index, 0); }
    // The element's place as a part: a cell reference or the value.
    Value elementPart(int64_t index) const { return rows_ == 1 ? part(0, index, 1, 1) : part(index, 0, 1, 1); }

private:
    LookupGrid() = default;
    LookupGrid window(int64_t firstRow, int64_t firstColumn, int64_t rows, int64_t columns) const;

    CalcContext* context_ = nullptr;
    Value array_;  // the array; blank for a sheet's area
    int32_t sheet_ = 0;
    int64_t firstRow_ = 0;  // on the sheet (1-based) or in the array (0-based)
    int64_t firstColumn_ = 0;
    int64_t rows_ = 0;
    int64_t columns_ = 0;
    int64_t usedRows_ = 0;
    int64_t usedColumns_ = 0;
};

}  // namespace tavlora::host::formula
