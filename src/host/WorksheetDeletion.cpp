#include <algorithm>

#include "com/Error.h"
#include "host/formula/FormulaReferences.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

void shiftMerges(std::vector<Area>& merges, const formula::Deletion& deletion) {
    std::vector<Area> kept;
    kept.reserve(merges.size());
    for (const Area& merge : merges) {
        auto moved = formula::shiftArea(merge, deletion);
        if (moved && moved->cellCount() > 1) kept.push_back(*moved);
    }
    merges = std::move(kept);
}

// Formulas of every sheet and the workbook's defined names follow the moved cells of `edited`.
void shiftFormulasOfWorkbook(Workbook& book, const Worksheet& edited, const formula::Deletion& deletion) {
    for (const auto& sheet : book.worksheets()) {
        formula::Context context{sheet->name(), edited.name()};
        bool sameSheet = sheet.get() == &edited;
        for (auto& f : sheet->store().formulas()) {
            if (!f.text.empty()) f.text = formula::shiftForDeletion(f.text, context, deletion);
            if (sameSheet && f.isArray())
                if (auto moved = formula::shiftArea(f.arrayArea(), deletion)) f.setArrayArea(*moved);
        }
    }
    formula::Context namesContext{"", edited.name()};
    for (auto& name : book.definedNames()) name.formula = formula::shiftForDeletion(name.formula, namesContext, deletion);
}

void checkBand(int32_t first, int32_t count, int32_t limit, const char* what) {
    if (count < 1 || first < 1 || int64_t(first) + count - 1 > limit)
        com::throwHostError(std::string("Delete: ") + what + " " + std::to_string(first) + " to " +
                            std::to_string(int64_t(first) + count - 1) + " are outside the sheet.");
}

}  // namespace

void Worksheet::deleteRows(int32_t first, int32_t count) {
    auto book = workbook();
    checkBand(first, count, kMaxRows, "rows");
    cells_.deleteRows(first, first + count - 1);
    followDeletion(*book, formula::Deletion::rows(first, count));
}

void Worksheet::deleteColumns(int32_t first, int32_t count) {
    auto book = workbook();
    checkBand(first, count, kMaxColumns, "columns");
    cells_.deleteColumns(first, first + count - 1);
    followDeletion(*book, formula::Deletion::columns(first, count));
}

void Worksheet::followDeletion(Workbook& book, const formula::Deletion& deletion) {
    shiftMerges(merges_, deletion);
    shiftFormulasOfWorkbook(book, *this, deletion);
    book.noteStructureChanged();
    book.notifyEdit([&](EditListener& listener) { listener.cellsDeleted(*this, deletion); });
}

void Worksheet::deleteAndShiftUp(const Area& area) {
    auto book = workbook();
    if (area.isWholeRows()) {
        deleteRows(area.firstRow, static_cast<int32_t>(area.rowCount()));
        return;
    }
    // The cells that move are those of the area's columns from its top down; a merged area that
    // lies partly in those columns and partly outside cannot move with them.
    for (const Area& merge : merges_) {
        bool crossesColumns = merge.firstColumn < area.firstColumn || merge.lastColumn > area.lastColumn;
        bool overlapsColumns = merge.lastColumn >= area.firstColumn && merge.firstColumn <= area.lastColumn;
        if (overlapsColumns && crossesColumns && merge.lastRow >= area.firstRow)
            com::throwHostError("Delete: cannot shift cells up through the merged cells " + areaAddress(merge) + ".");
    }
    const auto count = static_cast<int32_t>(area.rowCount());
    formula::Deletion deletion{formula::Axis::Rows, area.firstRow, count, area.firstColumn, area.lastColumn};

    // Lift the cells of the columns out of their rows, then put them back higher up.
    struct Moved {
        int32_t row;
        Cell cell;
    };
    std::vector<Moved> moved;
    for (auto& row : cells_.rows()) {
        if (row.row < area.firstRow) continue;
        auto from = std::lower_bound(row.cells.begin(), row.cells.end(), area.firstColumn,
                                     [](const Cell& c, int32_t col) { return c.column < col; });
        auto to = std::find_if(from, row.cells.end(), [&](const Cell& c) { return c.column > area.lastColumn; });
        if (row.row > area.lastRow)
            for (auto it = from; it != to; ++it) moved.push_back({row.row - count, *it});
        row.cells.erase(from, to);
    }
    for (const auto& m : moved) cells_.cellAt(m.row, m.cell.column) = m.cell;
    cells_.rows().eraseIf([](const RowInfo& r) {
        return r.cells.empty() && r.height < 0 && !r.customHeight && !r.hidden && !r.hasStyle && r.extraAttributes.empty();
    });

    followDeletion(*book, deletion);
}

}  // namespace tavlora::host
