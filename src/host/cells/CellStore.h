#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "host/cells/CellKind.h"
#include "host/cells/CellRef.h"
#include "host/cells/CellSlab.h"
#include "host/cells/Formula.h"
#include "host/cells/RowList.h"

namespace tavlora::host {

struct ColumnInfo {
    int32_t first = 1;
    int32_t last = 1;
    double width = -1;  // characters; < 0 = default
    bool customWidth = false;
    bool hidden = false;
    bool hasStyle = false;
    uint32_t style = 0;
    std::string extraAttributes;
    // The width as the file stored it (with the cell padding), so that an unchanged width is
    // written back as read; < 0 when the column did not come from a file (file layer bookkeeping).
    double fileWidth = -1;
};

// The sparse cell store of one worksheet: rows sorted by row number, cells sorted by column.
// Every whole-row / whole-column / whole-sheet operation walks these lists, so its cost is in
// proportion to the used cells, never to the grid.
class CellStore {
public:
    // Every row, sorted. Rows made out of order wait aside until someone walks the rows (see below).
    const RowList& rows() const {
        settleRows();
        return rows_;
    }
    RowList& rows() {
        settleRows();
        changed_ = true;
        return rows_;
    }
    const std::vector<ColumnInfo>& columns() const { return columns_; }
    std::vector<ColumnInfo>& columns() {
        changed_ = true;
        return columns_;
    }
    FormulaList& formulas() { return formulas_; }
    const FormulaList& formulas() const { return formulas_; }

    // nullptr when absent.
    const Cell* find(int32_t row, int32_t column) const;
    Cell* find(int32_t row, int32_t column);
    const RowInfo* findRow(int32_t row) const;
    // Creates the row / cell when absent (appending at the end is O(1)).
    RowInfo& rowAt(int32_t row);
    Cell& cellAt(int32_t row, int32_t column);
    // The same with the cell's row and whether the cell was made (a new cell is empty, style 0), for
    // a writer that formats new cells by their row without looking the row up again.
    struct Slot {
        RowInfo& row;
        Cell& cell;
        bool made;
    };
    Slot slotAt(int32_t row, int32_t column);
    uint32_t addFormula(Formula formula);
    // Removes one cell (value and format); nothing when absent.
    void erase(int32_t row, int32_t column);
    // The column entry covering `column`, nullptr when none.
    const ColumnInfo* findColumn(int32_t column) const;
    // The same, looking first at the entry at `hint` and the one after it, and leaving `hint` at
    // the entry found: cells written along a row meet the column entries in order.
    const ColumnInfo* findColumn(int32_t column, size_t& hint) const;
    // Splits and adds column entries so that columns first..last are covered exactly by entries of
    // their own (new ones with defaults), and returns those entries in order.
    std::span<ColumnInfo> isolateColumns(int32_t first, int32_t last);

    // Removes cells of the area (values and formats).
    void clear(const Area& area);
    // Removes rows first..last and moves the rows below up (cells, heights, row formats).
    void deleteRows(int32_t first, int32_t last);
    // Removes columns first..last in every row and moves the columns right of them left.
    void deleteColumns(int32_t first, int32_t last);

    // The smallest area holding every stored cell with a value or format; nullopt when empty.
    bool usedArea(Area& out) const;

    // Whether a member that may change the cells, rows or columns was called since
    // markUnchanged(): what was learnt of the cells as they were (a search's hits) holds only while
    // this is false. The formulas' list is not watched: a formula's result changes without any
    // edit, so nothing learnt may depend on it.
    bool changedSinceMark() const { return changed_; }
    void markUnchanged() { changed_ = false; }

private:
    RowInfo& newRow(RowList::iterator at, int32_t row);
    RowInfo& newPendingRow(int32_t row);
    const RowInfo* findPendingRow(int32_t row) const;
    // The row last written through rowAt or the one after it, when `row` is one of them: a template's
    // rows filled record after record, each read for its format and then written, without a search.
    static constexpr size_t kNoRow = SIZE_MAX;
    size_t nearLastWritten(int32_t row) const;
    // Puts the rows waiting aside into their places and drops rows that no longer carry anything:
    // one pass for many edits, so filling rows bottom-up or emptying cells one by one stays linear.
    void settleRows() const;
    void noteVacatedRows(size_t count);

    // Mutable because walking the rows settles them first; the rows themselves do not change.
    mutable RowList rows_;
    // Rows made far from the end of rows_ (a sheet filled bottom-up), sorted by descending row so that
    // each such row is appended; merged into rows_ before rows are walked.
    mutable RowList pendingRows_;
    // Rows emptied of everything since the last settling (an estimate; settling recounts).
    mutable size_t vacatedRows_ = 0;
    std::vector<ColumnInfo> columns_;
    FormulaList formulas_;
    bool changed_ = true;
    // The row created last (0 = none), whose cell count new rows expect, and where it was put: a
    // hint for finding it again without a search (checked against the row number before use).
    int32_t lastNewRow_ = 0;
    size_t lastNewIndex_ = 0;
    // Where a long sheet's new rows take their cells (see CellSlab.h); a short sheet's come from the
    // heap, so that it does not hold a large page for a few rows.
    CellSlabHold slab_;
    // Where rowAt last found an existing row (checked against the row number before use). Set by
    // writes only, so reading the store from several threads at once changes nothing.
    size_t lastWrittenIndex_ = 0;
};

}  // namespace tavlora::host
