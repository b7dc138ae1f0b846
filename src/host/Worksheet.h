#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>


#include "com/Variant.h"
#include "host/cells/CellStore.h"
#include "host/Sheet.h"

namespace tavlora::host {

namespace formula {
struct Deletion;
}

class Range;
class ChartObject;
class FindMemo;
struct WorkbookStore;

class Worksheet : public Sheet {
public:
    Worksheet(std::weak_ptr<Workbook> workbook, std::shared_ptr<WorkbookStore> store, std::string name);
    ~Worksheet() override;

    SheetKind kind() const override { return SheetKind::Worksheet; }

    // Cells: the whole sheet; Cells(row, column) is range(row, column).
    Range cells();
    Range cell(int32_t row, int32_t column);  // host error outside the grid
    // Range("B3"), Range("A1:C4"), Range("1:2"), Range("A:A"); host error when not an address.
    Range range(const std::string& address);
    // Range(Cell1, Cell2): the smallest area holding both.
    Range range(const Range& cell1, const Range& cell2);
    // The smallest area holding every cell with a value or a format of its own: it starts at the
    // first used row and column (a sheet whose only used cell is B1 has the used range $B$1), not
    // necessarily at A1. $A$1 for an empty sheet.
    Range usedRange();

    CellStore& store() { return cells_; }
    const CellStore& store() const { return cells_; }
    WorkbookStore& workbookStore() { return *store_; }
    const WorkbookStore& workbookStore() const { return *store_; }
    std::vector<Area>& mergedAreas() { return merges_; }
    const std::vector<Area>& mergedAreas() const { return merges_; }
    double defaultRowHeight() const { return defaultRowHeight_; }
    void setDefaultRowHeight(double h) { defaultRowHeight_ = h; }
    double defaultColumnWidth() const { return defaultColumnWidth_; }
    void setDefaultColumnWidth(double w) { defaultColumnWidth_ = w; }
    // A sheet-level cell format applies to every cell with no format of its own, row or column.
    bool hasSheetStyle() const { return hasSheetStyle_; }
    uint32_t sheetStyle() const { return sheetStyle_; }
    void setSheetStyle(uint32_t xf) { hasSheetStyle_ = true; sheetStyle_ = xf; }
    void clearSheetStyle() { hasSheetStyle_ = false; sheetStyle_ = 0; }
    // The cell format that applies at (row, column): the cell's, else its row's, else its column's,
    // else the sheet's, else 0.
    uint32_t effectiveStyle(int32_t row, int32_t column) const;
    // The stored cell at (row, column), created with the format that applies there when absent.
    Cell& cellForWrite(int32_t row, int32_t column);
    // Writes a number into the cell as Range.Value does: whatever the cell held (a formula, a text,
    // an error, a truth value) gives way to it, and its format stays. The workbook's calculation is
    // not told: the caller tells it of the cells written, once for all of them.
    void writeNumber(int32_t row, int32_t column, double number);
    // The same for a number that reaches the cell as typed text (Range.Value of a text, a list's
    // field): a cell formatted as text ("@") keeps texts as they are, so it is left as it was and
    // the answer is false; the caller writes the text instead.
    bool writeTypedNumber(int32_t row, int32_t column, double number);
    // Removes `count` whole rows (columns) from `first` and moves everything that refers to the
    // cells after them: cells with their formats, heights (widths), merged areas, formulas of every
    // sheet, defined names; then tells the workbook's edit listeners (charts, the file layer).
    void deleteRows(int32_t first, int32_t count);
    void deleteColumns(int32_t first, int32_t count);
    // Removes the cells of `area` and moves the cells below it, in its columns, up. Host error when
    // that would cut through a merged area.
    void deleteAndShiftUp(const Area& area);

    // A stored cell's value as Range.Value gives it (a formula gives its cached value).
    com::Variant cellValue(const Cell& cell) const;
    // A stored cell's displayed text: its value under its number format; an error shows the text
    // it holds, whatever the format.
    std::string cellText(const Cell& cell) const;
    // The error text a stored cell holds (its own or its formula's cached one), nullopt for none.
    std::optional<std::string_view> errorTextOf(const Cell& cell) const;
    // Computes the formula of a formula cell when it is stale.
    void calculateFormulaOf(const Cell& cell) const;
    // Range.Formula: the formula of a cell ("=..."), or its value when it holds none.
    com::Variant cellFormula(int32_t row, int32_t column) const;
    // Writes a formula ("=..." ) into the cell; a text without "=" is written as a value.
    void setCellFormula(int32_t row, int32_t column, const std::string& formula);
    // Throws a host error when the sheet was deleted or its workbook closed.
    void requireUsable() const;

    // What the file layer keeps of the sheet's part (the elements the engine does not model), for
    // it alone to read, shift and write back; null for a sheet the engine made.
    struct KeptPart {
        virtual ~KeptPart() = default;
    };
    const std::shared_ptr<KeptPart>& keptPart() const { return keptPart_; }
    void setKeptPart(std::shared_ptr<KeptPart> part) { keptPart_ = std::move(part); }

    // What searches found in the template sheet this one was copied from, for as long as the
    // cells are unchanged since the copy (CellStore::changedSinceMark); null for other sheets.
    const std::shared_ptr<FindMemo>& findMemo() const { return findMemo_; }
    void setFindMemo(std::shared_ptr<FindMemo> memo) { findMemo_ = std::move(memo); }

    // Embedded charts (ChartObjects) in the sheet's drawing order.
    const std::vector<std::shared_ptr<ChartObject>>& chartObjects() const { return chartObjects_; }
    // ChartObjects.Add: a new chart object holding a clustered column chart without series, placed
    // at points from the sheet's top-left corner (anchored to the cells under it), named
    // "Chart <N>", N one more than the highest such number on the sheet.
    std::shared_ptr<ChartObject> addChartObject(double left, double top, double width, double height);
    // For the file layer: an object read from the sheet's drawing part, appended in order.
    void adoptChartObject(std::shared_ptr<ChartObject> object) { chartObjects_.push_back(std::move(object)); }

    // Find state remembered per sheet for FindNext.
    struct FindState {
        std::string what;
        int32_t lookIn = -4163;  // values
        bool valid = false;
    };
    FindState& findState() { return findState_; }

    const com::DispatchTable& dispatchTable() const override;

private:
    // The stored cell, made with the format that applies there when absent, and whether it was made.
    CellStore::Slot slotForWrite(int32_t row, int32_t column);
    // The format of a new cell in a row without a format of its own.
    uint32_t columnOrSheetStyle(int32_t column) const;
    uint32_t columnOrSheetStyle(const ColumnInfo* entry) const;
    // After cells of a deletion's band were removed from the store: merges, formulas of every
    // sheet and defined names follow, then the workbook's edit listeners are told.
    void followDeletion(Workbook& book, const formula::Deletion& deletion);
    std::shared_ptr<WorkbookStore> store_;
    CellStore cells_;
    std::vector<Area> merges_;
    double defaultRowHeight_ = 15;
    double defaultColumnWidth_ = 8.43;
    bool hasSheetStyle_ = false;
    uint32_t sheetStyle_ = 0;
    // Where the column entry of the last cell written was found (see CellStore::findColumn).
    size_t columnHint_ = 0;
    std::shared_ptr<KeptPart> keptPart_;
    FindState findState_;
    std::shared_ptr<FindMemo> findMemo_;
    std::vector<std::shared_ptr<ChartObject>> chartObjects_;
};

}  // namespace tavlora::host
