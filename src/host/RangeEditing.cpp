#include <algorithm>

#include "com/Error.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

bool intersects(const Area& a, const Area& b) {
    return a.firstRow <= b.lastRow && b.firstRow <= a.lastRow && a.firstColumn <= b.lastColumn &&
           b.firstColumn <= a.lastColumn;
}

bool carriesNothing(const ColumnInfo& c) {
    return c.width < 0 && !c.customWidth && !c.hidden && !c.hasStyle && c.extraAttributes.empty();
}

void clearColumnFormats(CellStore& store, int32_t first, int32_t last) {
    bool any = std::any_of(store.columns().begin(), store.columns().end(), [&](const ColumnInfo& c) {
        return c.hasStyle && c.last >= first && c.first <= last;
    });
    if (!any) return;
    for (auto& column : store.isolateColumns(first, last)) {
        column.hasStyle = false;
        column.style = 0;
    }
    std::erase_if(store.columns(), carriesNothing);
}

}  // namespace

void Range::clear() {
    sheet_->requireUsable();
    CellStore& store = sheet_->store();
    store.clear(area_);
    if (area_.isWholeColumns()) {
        clearColumnFormats(store, area_.firstColumn, area_.lastColumn);
        if (area_.isWholeRows()) {
            sheet_->clearSheetStyle();
        } else {
            // A formatted row would lend its format to the cleared cells: they keep the plain one.
            for (auto& row : store.rows())
                if (row.hasStyle)
                    for (int32_t c = area_.firstColumn; c <= area_.lastColumn; ++c) store.cellAt(row.row, c).style = 0;
        }
    }
    std::erase_if(sheet_->mergedAreas(), [&](const Area& merge) { return intersects(merge, area_); });
    sheet_->workbook()->noteValuesChanged(*sheet_, area_);
}

void Range::deleteCells() {
    sheet_->requireUsable();
    if (area_.isWholeRows()) {
        sheet_->deleteRows(area_.firstRow, static_cast<int32_t>(area_.rowCount()));
    } else if (area_.isWholeColumns()) {
        sheet_->deleteColumns(area_.firstColumn, static_cast<int32_t>(area_.columnCount()));
    } else {
        sheet_->deleteAndShiftUp(area_);
    }
}

void Range::merge() {
    sheet_->requireUsable();
    auto& merges = sheet_->mergedAreas();
    // Merged areas the new one touches are taken into it.
    Area merged = area_;
    bool grew = true;
    while (grew) {
        grew = false;
        for (const Area& m : merges) {
            if (!intersects(m, merged)) continue;
            Area united{std::min(m.firstRow, merged.firstRow), std::min(m.firstColumn, merged.firstColumn),
                        std::max(m.lastRow, merged.lastRow), std::max(m.lastColumn, merged.lastColumn)};
            if (!(united == merged)) {
                merged = united;
                grew = true;
            }
        }
    }
    std::erase_if(merges, [&](const Area& m) { return intersects(m, merged); });
    if (merged.cellCount() <= 1) return;
    if (merged.isWholeRows() && merged.isWholeColumns()) com::throwHostError("Merge: the whole sheet cannot be merged.");
    merges.push_back(merged);
    // Only the top-left value survives a merge; the other cells keep their formats.
    CellStore& store = sheet_->store();
    auto& rows = store.rows();
    auto row = std::lower_bound(rows.begin(), rows.end(), merged.firstRow,
                                [](const RowInfo& r, int32_t n) { return r.row < n; });
    for (; row != rows.end() && row->row <= merged.lastRow; ++row)
        for (auto& cell : row->cells)
            if (cell.column >= merged.firstColumn && cell.column <= merged.lastColumn &&
                !(row->row == merged.firstRow && cell.column == merged.firstColumn)) {
                cell.kind = CellKind::Empty;
                cell.payload.number = 0;
            }
    sheet_->workbook()->noteValuesChanged(*sheet_, merged);
}

}  // namespace tavlora::host
