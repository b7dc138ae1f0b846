#include "host/Worksheet.h"

#include <algorithm>

#include "com/Conversions.h"
#include "com/DispatchRows.h"
#include "com/Error.h"
#include "host/CellText.h"
#include "host/cells/CellError.h"
#include "host/cells/DateSerial.h"
#include "host/format/NumberFormat.h"
#include "host/Range.h"
#include "host/Workbook.h"

namespace tavlora::host {

Worksheet::Worksheet(std::weak_ptr<Workbook> workbook, std::shared_ptr<WorkbookStore> store, std::string name)
    : Sheet(std::move(workbook), std::move(name)), store_(std::move(store)) {}

Worksheet::~Worksheet() = default;

// Every cell access checks this, so the common case reads two flags instead of taking and
// dropping a reference to the workbook. Closing a workbook marks its sheets deleted, so a usable
// sheet is one not deleted whose workbook still exists; workbook() raises the right error.
void Worksheet::requireUsable() const {
    if (isDeleted() || weakWorkbook().expired()) (void)workbook();
}

namespace {

std::shared_ptr<Worksheet> selfOf(Worksheet& sheet) {
    return std::static_pointer_cast<Worksheet>(sheet.shared_from_this());
}

}  // namespace

Range Worksheet::cells() {
    requireUsable();
    return Range(selfOf(*this), Area{1, 1, kMaxRows, kMaxColumns});
}

Range Worksheet::cell(int32_t row, int32_t column) {
    requireUsable();
    if (row < 1 || row > kMaxRows)
        com::throwHostError("Cells(" + std::to_string(row) + ", " + std::to_string(column) + "): row " +
                            std::to_string(row) + " is outside the sheet (1 to 1048576).");
    if (column < 1 || column > kMaxColumns)
        com::throwHostError("Cells(" + std::to_string(row) + ", " + std::to_string(column) + "): column " +
                            std::to_string(column) + " is outside the sheet (1 to 16384).");
    return Range(selfOf(*this), Area::cell(row, column));
}

Range Worksheet::range(const std::string& address) {
    requireUsable();
    if (auto area = parseRangeAddress(address)) return Range(selfOf(*this), *area);
    auto self = selfOf(*this);
    auto resolved = workbook()->resolveReference(address, self);
    if (!resolved) com::throwHostError("Range(\"" + address + "\"): not a valid cell reference.");
    if (resolved->sheet != self)
        com::throwHostError("Range(\"" + address + "\"): the reference is not on sheet '" + name() + "'.");
    return Range(self, resolved->area);
}

Range Worksheet::range(const Range& cell1, const Range& cell2) {
    requireUsable();
    if (cell1.worksheet().get() != this || cell2.worksheet().get() != this)
        com::throwHostError("Range(Cell1, Cell2): both cells must be on sheet '" + name() + "'.");
    const Area& a = cell1.area();
    const Area& b = cell2.area();
    return Range(selfOf(*this), Area{std::min(a.firstRow, b.firstRow), std::min(a.firstColumn, b.firstColumn),
                                     std::max(a.lastRow, b.lastRow), std::max(a.lastColumn, b.lastColumn)});
}

Range Worksheet::usedRange() {
    requireUsable();
    Area used;
    if (!cells_.usedArea(used)) used = Area::cell(1, 1);
    return Range(selfOf(*this), used);
}

uint32_t Worksheet::effectiveStyle(int32_t row, int32_t column) const {
    const RowInfo* info = cells_.findRow(row);
    if (info) {
        auto it = std::lower_bound(info->cells.begin(), info->cells.end(), column,
                                   [](const Cell& c, int32_t col) { return c.column < col; });
        if (it != info->cells.end() && it->column == column) return it->style;
        if (info->hasStyle) return info->style;
    }
    return columnOrSheetStyle(column);
}

uint32_t Worksheet::columnOrSheetStyle(int32_t column) const { return columnOrSheetStyle(cells_.findColumn(column)); }

uint32_t Worksheet::columnOrSheetStyle(const ColumnInfo* entry) const {
    if (entry && entry->hasStyle) return entry->style;
    return hasSheetStyle_ ? sheetStyle_ : 0;
}

CellStore::Slot Worksheet::slotForWrite(int32_t row, int32_t column) {
    CellStore::Slot slot = cells_.slotAt(row, column);
    if (slot.made)
        slot.cell.style = slot.row.hasStyle ? slot.row.style : columnOrSheetStyle(cells_.findColumn(column, columnHint_));
    return slot;
}

Cell& Worksheet::cellForWrite(int32_t row, int32_t column) { return slotForWrite(row, column).cell; }

namespace {

// A formula's entry stays in the list unused: the cell no longer names it, which is how the
// calculation and the save tell that it is gone.
void storeNumber(Cell& cell, double number) {
    cell.kind = CellKind::Number;
    cell.payload.number = number;
}

}  // namespace

void Worksheet::writeNumber(int32_t row, int32_t column, double number) {
    storeNumber(cellForWrite(row, column), number);
}

bool Worksheet::writeTypedNumber(int32_t row, int32_t column, double number) {
    // One look-up for the format and the write: most cells a list writes are not formatted as text.
    CellStore::Slot slot = slotForWrite(row, column);
    if (store_->styles.isTextFormat(slot.cell.style)) {
        if (slot.made) cells_.erase(row, column);
        return false;
    }
    storeNumber(slot.cell, number);
    return true;
}

}  // namespace tavlora::host

namespace tavlora::host {

namespace {

std::shared_ptr<RangeObject> rangeObject(Range range) { return std::make_shared<RangeObject>(std::move(range)); }

}  // namespace

const com::DispatchTable& Worksheet::dispatchTable() const {
    using com::Arguments;
    using com::VarType;
    using Self = Worksheet;
    static const com::DispatchTable table =
        com::DispatchRows<Self>("_Worksheet")
            .get("Name", 0x6e, VarType::String, &Self::name)
            .let("Name", 0x6e, VarType::String, &Self::setName)
            .get("Index", 0x1e6, VarType::Long, [](Self& sheet) { return sheet.workbook()->indexOf(sheet) + 1; })
            .method("Delete", 0x75, VarType::Empty, &Self::deleteSheet)
            .get("Cells", 0xee, VarType::Object,
                 [](Self& sheet, Arguments& a) {
                     if (a[0].isMissing() && a[1].isMissing()) return rangeObject(sheet.cells());
                     if (a[0].isMissing() || a[1].isMissing())
                         com::throwHostError("Cells: give both the row and the column, or neither.");
                     return rangeObject(sheet.cell(com::toInt32(a[0]), com::toInt32(a[1])));
                 },
                 {com::optionalParam("RowIndex", VarType::Any), com::optionalParam("ColumnIndex", VarType::Any)})
            .get("Range", 0xc5, VarType::Object,
                 [](Self& sheet, const std::string& cell1) { return rangeObject(sheet.range(cell1)); },
                 {{"Cell1", VarType::String}})
            .get("UsedRange", 0x19c, VarType::Object, [](Self& sheet) { return rangeObject(sheet.usedRange()); })
            .build();
    return table;
}

}  // namespace tavlora::host

namespace tavlora::host {

com::Variant Worksheet::cellValue(const Cell& stored) const {
    // A copy: computing a formula may add cells to the store and move the one given.
    const Cell cell = stored;
    const StringPool& strings = store_->strings;
    // A number under a date or time format is a date to an automation client.
    auto number = [&](double value) -> com::Variant {
        const Styles& styles = store_->styles;
        if (styles.cellFormat(cell.style).isDate && isDateSerial(value, styles.uses1904Dates()))
            return com::Variant::date(automationDateOfSerial(value, styles.uses1904Dates()));
        return value;
    };
    switch (cell.kind) {
        case CellKind::Empty: return {};
        case CellKind::Number: return number(cell.payload.number);
        case CellKind::String: return strings.text(cell.payload.stringId);
        case CellKind::Boolean: return cell.payload.boolean;
        case CellKind::Error: return cellErrorValue(*errorTextOf(cell));
        case CellKind::Formula: {
            calculateFormulaOf(cell);
            const Formula& f = cells_.formulas()[cell.payload.formulaId];
            switch (f.cachedKind) {
                case CellKind::Number: return number(f.cachedNumber);
                case CellKind::String: return f.cachedText();
                case CellKind::Boolean: return f.cachedNumber != 0;
                case CellKind::Error: return cellErrorValue(f.cachedText());
                default: return {};
            }
        }
    }
    return {};
}

// Computing a formula only fills in its cached value (and an array formula's cells), which is why
// it may happen behind a const view of the sheet.
void Worksheet::calculateFormulaOf(const Cell& cell) const {
    if (isDeleted()) return;
    if (auto book = weakWorkbook().lock()) book->calculateFormula(*this, cell.payload.formulaId);
}

std::string Worksheet::cellText(const Cell& cell) const { return CellTextRenderer(*this).text(cell); }

std::optional<std::string_view> Worksheet::errorTextOf(const Cell& stored) const {
    const Cell cell = stored;
    if (cell.kind == CellKind::Formula) calculateFormulaOf(cell);
    return heldErrorText(cell, store_->strings, cells_.formulas());
}

}  // namespace tavlora::host
