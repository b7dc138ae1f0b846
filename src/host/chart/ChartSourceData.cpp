// Chart.SetSourceData: a block of cells split into series, as the application splits it.

#include <algorithm>

#include "com/Error.h"
#include "host/chart/ChartModel.h"
#include "host/Range.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

enum class CellClass : uint8_t { Empty, Number, Text };

CellClass classify(const Worksheet& sheet, int32_t row, int32_t column) {
    const Cell* cell = sheet.store().find(row, column);
    if (!cell) return CellClass::Empty;
    com::Variant value = sheet.cellValue(*cell);
    if (value.isEmpty()) return CellClass::Empty;
    return value.isNumeric() ? CellClass::Number : CellClass::Text;
}

// Labels: no number among the cells and at least one text.
template <class CellAt>
bool holdsLabels(int32_t first, int32_t last, CellAt cellAt) {
    bool text = false;
    for (int32_t i = first; i <= last; ++i) {
        CellClass kind = cellAt(i);
        if (kind == CellClass::Number) return false;
        text = text || kind == CellClass::Text;
    }
    return text;
}

// The block's leading row and column are labels (series names and categories) when they hold
// texts and no numbers, or when the top-left cell is empty: the application's rule, which lets a
// row of years above the data serve as names when the corner is left blank.
struct BlockLayout {
    bool headerRow = false;
    bool headerColumn = false;
};

BlockLayout layoutOf(const Worksheet& sheet, const Area& block) {
    BlockLayout layout;
    int64_t rows = block.rowCount(), columns = block.columnCount();
    bool cornerEmpty = classify(sheet, block.firstRow, block.firstColumn) == CellClass::Empty;
    if (rows > 1) {
        int32_t from = columns > 1 ? block.firstColumn + 1 : block.firstColumn;
        layout.headerRow = (cornerEmpty && columns > 1) ||
                           holdsLabels(from, block.lastColumn, [&](int32_t c) { return classify(sheet, block.firstRow, c); });
    }
    if (columns > 1) {
        int32_t from = rows > 1 ? block.firstRow + 1 : block.firstRow;
        layout.headerColumn = (cornerEmpty && rows > 1) ||
                              holdsLabels(from, block.lastRow, [&](int32_t r) { return classify(sheet, r, block.firstColumn); });
    }
    return layout;
}

SeriesData referenceTo(const std::string& sheet, const Area& area) {
    SeriesData data;
    data.kind = SeriesData::Kind::Reference;
    data.reference.areas.push_back(SheetArea{sheet, area});
    return data;
}

// The block without whole-row or whole-column excess: it ends where the used cells end. nullopt
// when no used cell lies in it.
std::optional<Area> usedPartOf(const Worksheet& sheet, const Area& block) {
    Area used;
    if (!sheet.store().usedArea(used)) return std::nullopt;
    if (block.lastRow < used.firstRow || block.firstRow > used.lastRow || block.lastColumn < used.firstColumn ||
        block.firstColumn > used.lastColumn)
        return std::nullopt;
    Area clipped = block;
    if (block.isWholeColumns() || block.isWholeRows()) {
        clipped.firstRow = std::max(block.firstRow, block.isWholeColumns() ? used.firstRow : block.firstRow);
        clipped.lastRow = std::min(block.lastRow, block.isWholeColumns() ? used.lastRow : block.lastRow);
        clipped.firstColumn = std::max(block.firstColumn, block.isWholeRows() ? used.firstColumn : block.firstColumn);
        clipped.lastColumn = std::min(block.lastColumn, block.isWholeRows() ? used.lastColumn : block.lastColumn);
    }
    if (clipped.firstRow > clipped.lastRow || clipped.firstColumn > clipped.lastColumn) return std::nullopt;
    return clipped;
}

}  // namespace

void ChartModel::setSourceData(const Range& source, int32_t plotBy) {
    requireUsable();
    if (plotBy != plotby::kRows && plotBy != plotby::kColumns)
        com::throwHostError("SetSourceData: PlotBy must be 1 (rows) or 2 (columns), not " + std::to_string(plotBy) + ".");
    const Worksheet& sheet = *source.worksheet();
    if (sheet.workbook() != workbook())
        com::throwHostError("SetSourceData: the range must be on a sheet of the chart's workbook.");
    for (auto& s : series_) s->detach();
    series_.clear();
    modified_ = true;

    auto block = usedPartOf(sheet, source.area());
    if (!block) return;
    BlockLayout layout = layoutOf(sheet, *block);
    const std::string& name = sheet.name();
    int32_t firstDataRow = block->firstRow + (layout.headerRow ? 1 : 0);
    int32_t firstDataColumn = block->firstColumn + (layout.headerColumn ? 1 : 0);
    if (firstDataRow > block->lastRow || firstDataColumn > block->lastColumn) return;

    bool byColumns = plotBy == plotby::kColumns;
    int32_t first = byColumns ? firstDataColumn : firstDataRow;
    int32_t last = byColumns ? block->lastColumn : block->lastRow;
    for (int32_t line = first; line <= last; ++line) {
        auto series = loadSeries();
        Area values = byColumns ? Area{firstDataRow, line, block->lastRow, line}
                                : Area{line, firstDataColumn, line, block->lastColumn};
        series->loadValues(referenceTo(name, values));
        bool hasName = byColumns ? layout.headerRow : layout.headerColumn;
        if (hasName)
            series->loadName(referenceTo(name, byColumns ? Area::cell(block->firstRow, line) : Area::cell(line, block->firstColumn)));
        bool hasCategories = byColumns ? layout.headerColumn : layout.headerRow;
        if (hasCategories)
            series->loadXValues(referenceTo(name, byColumns ? Area{firstDataRow, block->firstColumn, block->lastRow, block->firstColumn}
                                                            : Area{block->firstRow, firstDataColumn, block->firstRow, block->lastColumn}));
    }
}

}  // namespace tavlora::host
