#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "host/formula/CellEntry.h"
#include "host/formula/FormulaValue.h"

// What a function may ask of the engine while one formula is computed. The engine implements it
// over the workbook's cells; tests implement it over a few cells of their own.
namespace tavlora::host::formula {

// The cells of one area that are not blank, row by row, left to right, a batch at a time.
class CellCursor {
public:
    virtual ~CellCursor() = default;
    // Fills `out` from its front with the next cells and says how many; 0 once all are read. The
    // texts of a batch stay valid until the next read.
    virtual size_t read(std::span<CellEntry> out) = 0;
};

class CalcContext {
public:
    virtual ~CalcContext() = default;

    // The value of one cell: blank when empty; a formula cell's computed value (the engine computes
    // it first when it is not current).
    virtual Value cellValue(int32_t sheet, int32_t row, int32_t column) = 0;
    // The number in the cell, a blank one read as 0, when that is all arithmetic needs of it: false
    // for text, booleans, errors and a formula not computed yet, which cellValue gives instead.
    virtual bool cellNumber(int32_t sheet, int32_t row, int32_t column, double& number) {
        const Value value = cellValue(sheet, row, column);
        if (!value.isNumber() && !value.isBlank()) return false;
        number = value.isNumber() ? value.asNumber() : 0;
        return true;
    }
    // Calls `visit` for every cell of `area` that is not blank, row by row, left to right, with its
    // value as cellValue gives it. The cost is in proportion to the used cells, never to the area:
    // whole columns are cheap.
    using CellVisitor = std::function<void(int32_t row, int32_t column, const Value& value)>;
    virtual void forEachValue(const SheetArea& area, const CellVisitor& visit) = 0;
    // The same cells and values as forEachValue, read in batches: for functions that walk long
    // ranges (SUM, AVERAGEIF), where a call and a Value per cell would cost more than the sum.
    // With `handPending`, a formula cell not computed yet comes as a Missing entry instead of
    // being noted as a precedent; a caller that needs its value reads it through cellValue (a sum
    // range read in step with its criteria needs only the cells that match). This one is made
    // from forEachValue; the engine reads its cell store directly.
    virtual std::unique_ptr<CellCursor> readCells(const SheetArea& area, bool handPending = false);
    // The part of `area` inside its sheet's used area (every cell outside it is blank); nullopt
    // when the two do not meet. Lets a function that walks cells in step (SUMIFS, SUMPRODUCT,
    // lookups) stay in proportion to the used cells.
    virtual std::optional<Area> usedPart(const SheetArea& area) = 0;

    // The cell whose formula is computed (for an array formula, its whole area).
    virtual SheetArea caller() const = 0;
    // The workbook counts dates from 1904-01-01 instead of 1900-01-01.
    virtual bool uses1904Dates() const = 0;
    // INDIRECT: the reference a text names ("B3", "Data!A1:C4", a defined name; R1C1 when `a1` is
    // false, relative to the caller); nullopt when it names nothing.
    virtual std::optional<SheetArea> resolveReference(std::string_view text, bool a1) = 0;
    // The sheet of the given index exists (OFFSET and INDEX build references on it).
    virtual int32_t sheetCount() const = 0;

    // SUBTOTAL and AGGREGATE leave out cells that are themselves subtotals, and the 1xx function
    // numbers leave out hidden rows.
    virtual bool isSubtotalFormula(int32_t sheet, int32_t row, int32_t column) = 0;
    virtual bool isRowHidden(int32_t sheet, int32_t row) = 0;

    // The current moment as a serial of the workbook's date system (local time), and a uniformly
    // distributed number in [0, 1): NOW, TODAY, RAND and RANDBETWEEN ask here so that tests can fix
    // them.
    virtual double now() = 0;
    virtual double random() = 0;
};

}  // namespace tavlora::host::formula
