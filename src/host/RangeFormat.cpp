#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "com/Conversions.h"
#include "com/Error.h"
#include "host/CellText.h"
#include "host/Range.h"
#include "host/format/Styles.h"
#include "host/formula/TextPattern.h"
#include "host/format/TextWidth.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

constexpr double kMaxRowHeight = 409;
constexpr double kMaxColumnWidth = 255;
constexpr double kMinFontSize = 1;
constexpr double kMaxFontSize = 409;
constexpr int64_t kMaxCellsFormatted = 1000000;

// Derives each distinct format once per operation, so a range of many cells that share a format
// ends up sharing one new format.
class Restyler {
public:
    Restyler(Styles& styles, const StyleChange& change) : styles_(styles), change_(change) {}
    uint32_t operator()(uint32_t xf) {
        auto [it, fresh] = derived_.try_emplace(xf, 0);
        if (fresh) it->second = styles_.derive(xf, change_);
        return it->second;
    }

private:
    Styles& styles_;
    const StyleChange& change_;
    std::unordered_map<uint32_t, uint32_t> derived_;
};

template <typename Cells>
auto firstCellAt(Cells& cells, int32_t column) {
    return std::lower_bound(cells.begin(), cells.end(), column, [](const Cell& c, int32_t col) { return c.column < col; });
}

template <typename Rows>
auto firstRowAt(Rows& rows, int32_t row) {
    return std::lower_bound(rows.begin(), rows.end(), row, [](const RowInfo& r, int32_t n) { return r.row < n; });
}

void restyleCellsInColumns(RowInfo& row, int32_t first, int32_t last, Restyler& restyle) {
    for (auto it = firstCellAt(row.cells, first); it != row.cells.end() && it->column <= last; ++it)
        it->style = restyle(it->style);
}

bool insideMerge(const std::vector<Area>& merges, int32_t row, int32_t column) {
    return std::any_of(merges.begin(), merges.end(), [&](const Area& m) { return m.cellCount() > 1 && m.contains(row, column); });
}

// The metrics of each cell format's font, made once per operation over many cells.
class FontMetricsByStyle {
public:
    explicit FontMetricsByStyle(const Styles& styles) : styles_(styles) {}
    const textwidth::FontMetrics& operator()(uint32_t style) {
        if (last_ && lastStyle_ == style) return *last_;
        auto found = metrics_.find(style);
        if (found == metrics_.end()) found = metrics_.emplace(style, textwidth::FontMetrics(styles_.cellFormat(style).font)).first;
        lastStyle_ = style;
        last_ = &found->second;
        return *last_;
    }

private:
    const Styles& styles_;
    std::unordered_map<uint32_t, textwidth::FontMetrics> metrics_;
    uint32_t lastStyle_ = 0;
    const textwidth::FontMetrics* last_ = nullptr;
};

// The widths of texts of the workbook's pool measured in one style, kept for the texts a column
// repeats (regions, products, dates as text). Direct-mapped, with as many slots as the pool has
// texts up to 8,192 (128 KiB), so that a table of millions of different texts costs it no more
// memory than one of thousands, and a small sheet's fitting only a few slots.
class PooledTextWidths {
public:
    explicit PooledTextWidths(uint32_t poolSize) {
        while (slotBits_ < kMostSlotBits && (size_t(1) << slotBits_) < poolSize) ++slotBits_;
        entries_.resize(size_t(1) << slotBits_);
    }

    template <typename Measure>
    double pixels(uint32_t style, uint32_t stringId, Measure&& measure) {
        Entry& entry = entries_[slotOf(style, stringId)];
        if (entry.stringId != stringId || entry.style != style) entry = {style, stringId, measure()};
        return entry.pixels;
    }

private:
    static constexpr unsigned kMostSlotBits = 13;
    struct Entry {
        uint32_t style = 0;
        uint32_t stringId = UINT32_MAX;  // no text of the pool has this number
        double pixels = 0;
    };
    size_t slotOf(uint32_t style, uint32_t stringId) const {
        // Fibonacci hashing: consecutive numbers (a column's new texts) spread over the slots.
        const uint32_t mixed = (stringId ^ (style << 7)) * 0x9E3779B1u;
        return mixed >> (32 - slotBits_);
    }
    unsigned slotBits_ = 4;
    std::vector<Entry> entries_;
};

}  // namespace

void Range::applyStyle(const StyleChange& change) {
    sheet_->requireUsable();
    Restyler restyle(sheet_->workbookStore().styles, change);
    CellStore& store = sheet_->store();
    const uint32_t sheetBase = sheet_->hasSheetStyle() ? sheet_->sheetStyle() : 0;
    const bool wholeRows = area_.isWholeRows();
    const bool wholeColumns = area_.isWholeColumns();

    if (wholeRows && wholeColumns) {
        sheet_->setSheetStyle(restyle(sheetBase));
        for (auto& column : store.columns())
            if (column.hasStyle) column.style = restyle(column.style);
        for (auto& row : store.rows()) {
            if (row.hasStyle) row.style = restyle(row.style);
            for (auto& cell : row.cells) cell.style = restyle(cell.style);
        }
        return;
    }
    if (wholeColumns) {
        for (auto& column : store.isolateColumns(area_.firstColumn, area_.lastColumn)) {
            column.style = restyle(column.hasStyle ? column.style : sheetBase);
            column.hasStyle = true;
        }
        for (auto& row : store.rows()) {
            // A row format outranks a column format: where a formatted row crosses the columns,
            // the crossing cells take the row's format with the change applied.
            if (row.hasStyle)
                for (int32_t c = area_.firstColumn; c <= area_.lastColumn; ++c)
                    if (!sheet_->store().find(row.row, c)) store.cellAt(row.row, c).style = row.style;
            restyleCellsInColumns(row, area_.firstColumn, area_.lastColumn, restyle);
        }
        return;
    }
    if (wholeRows) {
        for (int32_t r = area_.firstRow; r <= area_.lastRow; ++r) {
            RowInfo& row = store.rowAt(r);
            row.style = restyle(row.hasStyle ? row.style : sheetBase);
            row.hasStyle = true;
            for (auto& cell : row.cells) cell.style = restyle(cell.style);
        }
        return;
    }
    if (area_.cellCount() > kMaxCellsFormatted)
        com::throwHostError("Formatting more than 1,000,000 single cells at once is not supported; format whole rows or columns.");
    for (int32_t r = area_.firstRow; r <= area_.lastRow; ++r)
        for (int32_t c = area_.firstColumn; c <= area_.lastColumn; ++c) {
            Cell& cell = sheet_->cellForWrite(r, c);
            cell.style = restyle(cell.style);
        }
}

const CellFormatInfo& Range::topLeftFormat() const {
    sheet_->requireUsable();
    return sheet_->workbookStore().styles.cellFormat(topLeftStyle());
}

std::string Range::numberFormatLocal() const { return topLeftFormat().numberFormat; }

void Range::setNumberFormatLocal(const std::string& format) {
    StyleChange change;
    change.numberFormat = format.empty() ? "General" : format;
    applyStyle(change);
}

int32_t Range::horizontalAlignment() const { return topLeftFormat().horizontal; }

void Range::setHorizontalAlignment(int32_t a) {
    StyleChange change;
    change.horizontal = a;
    applyStyle(change);
}

int32_t Range::verticalAlignment() const { return topLeftFormat().vertical; }

void Range::setVerticalAlignment(int32_t a) {
    StyleChange change;
    change.vertical = a;
    applyStyle(change);
}

double Range::rowHeight() const {
    sheet_->requireUsable();
    const RowInfo* row = sheet_->store().findRow(area_.firstRow);
    return row && row->height >= 0 ? row->height : sheet_->defaultRowHeight();
}

void Range::setRowHeight(double points) {
    sheet_->requireUsable();
    if (!(points >= 0 && points <= kMaxRowHeight))
        com::throwHostError("Unable to set the RowHeight property: " + com::formatGeneralNumber(points) +
                            " is outside 0 to 409 points.");
    CellStore& store = sheet_->store();
    auto setHeight = [&](RowInfo& row) {
        row.height = points;
        row.customHeight = true;
        row.hidden = points == 0;
    };
    if (area_.isWholeColumns()) {
        // Every row of the sheet: the default height, and the rows that have their own.
        sheet_->setDefaultRowHeight(points);
        for (auto& row : store.rows()) setHeight(row);
        return;
    }
    for (int32_t r = area_.firstRow; r <= area_.lastRow; ++r) setHeight(store.rowAt(r));
}

double Range::columnWidth() const {
    sheet_->requireUsable();
    const ColumnInfo* column = sheet_->store().findColumn(area_.firstColumn);
    return column && column->width >= 0 ? column->width : sheet_->defaultColumnWidth();
}

void Range::setColumnWidth(double characters) {
    sheet_->requireUsable();
    if (!(characters >= 0 && characters <= kMaxColumnWidth))
        com::throwHostError("Unable to set the ColumnWidth property: " + com::formatGeneralNumber(characters) +
                            " is outside 0 to 255 characters.");
    auto setWidth = [&](ColumnInfo& column) {
        column.width = characters;
        column.customWidth = true;
        column.hidden = characters == 0;
    };
    CellStore& store = sheet_->store();
    if (area_.isWholeRows()) {
        sheet_->setDefaultColumnWidth(characters);
        for (auto& column : store.columns()) setWidth(column);
        return;
    }
    for (auto& column : store.isolateColumns(area_.firstColumn, area_.lastColumn)) setWidth(column);
}

RangeFont Range::font() const { return RangeFont(*this); }

void Range::autoFit() {
    sheet_->requireUsable();
    bool columns = view_ == View::Columns || (view_ == View::Cells && area_.isWholeColumns());
    bool rows = view_ == View::Rows || (view_ == View::Cells && area_.isWholeRows() && !area_.isWholeColumns());
    if (columns) {
        fitColumnWidths();
    } else if (rows) {
        fitRowHeights();
    } else {
        com::throwHostError("AutoFit works on whole rows or columns: use Range(\"" + address() +
                            "\").Columns or .Rows.");
    }
}

void Range::fitColumnWidths() {
    const Styles& styles = sheet_->workbookStore().styles;
    CellStore& store = sheet_->store();
    const auto& merges = sheet_->mergedAreas();
    const int32_t firstColumn = std::max(area_.firstColumn, 1);
    const int32_t lastColumn = std::min(area_.lastColumn, kMaxColumns);
    if (lastColumn < firstColumn) return;
    // Pixels of the widest text per column of the area; < 0 where no cell shows anything.
    std::vector<double> widest(static_cast<size_t>(lastColumn - firstColumn + 1), -1);
    // Computed before the walk: computing an array formula may add cells to the store.
    sheet_->workbook()->calculate();
    CellTextRenderer renderer(*sheet_);
    FontMetricsByStyle metrics(styles);
    PooledTextWidths pooledWidths(sheet_->workbookStore().strings.size());
    std::string scratch;
    const auto& rows = store.rows();
    for (auto row = firstRowAt(rows, area_.firstRow); row != rows.end() && row->row <= area_.lastRow; ++row) {
        for (auto cell = firstCellAt(row->cells, firstColumn); cell != row->cells.end() && cell->column <= lastColumn;
             ++cell) {
            if (cell->kind == CellKind::Empty || insideMerge(merges, row->row, cell->column)) continue;
            auto measure = [&] { return metrics(cell->style).widestLinePixels(renderer.text(*cell, scratch)); };
            double pixels = renderer.showsPooledText(*cell) ? pooledWidths.pixels(cell->style, cell->payload.stringId, measure)
                                                            : measure();
            double& slot = widest[static_cast<size_t>(cell->column - firstColumn)];
            slot = std::max(slot, pixels);
        }
    }
    auto measured = [&](int32_t column) { return widest[static_cast<size_t>(column - firstColumn)] >= 0; };
    const FontInfo& standard = styles.cellFormat(0).font;
    // Columns with nothing to show go back to the standard width.
    for (auto& column : store.columns()) {
        if (column.last < area_.firstColumn || column.first > area_.lastColumn) continue;
        bool anyMeasured = false;
        for (int32_t c = std::max(column.first, firstColumn); c <= std::min(column.last, lastColumn) && !anyMeasured; ++c)
            anyMeasured = measured(c);
        if (!anyMeasured && column.first >= area_.firstColumn && column.last <= area_.lastColumn) {
            column.width = -1;
            column.customWidth = false;
        }
    }
    for (int32_t column = firstColumn; column <= lastColumn; ++column) {
        if (!measured(column)) continue;
        double pixels = widest[static_cast<size_t>(column - firstColumn)];
        double width = std::clamp(textwidth::columnWidthFor(pixels, standard), 0.0, kMaxColumnWidth);
        for (auto& info : store.isolateColumns(column, column)) {
            info.width = width;
            info.customWidth = true;
        }
    }
}

void Range::fitRowHeights() {
    const Styles& styles = sheet_->workbookStore().styles;
    CellStore& store = sheet_->store();
    const FontInfo& standard = styles.cellFormat(0).font;
    const double standardHeight = textwidth::lineHeightPoints(standard);
    auto& rows = store.rows();
    // Computed before the walk: computing an array formula may add cells to the store.
    sheet_->workbook()->calculate();
    CellTextRenderer renderer(*sheet_);
    FontMetricsByStyle metrics(styles);
    std::string scratch;
    for (auto row = firstRowAt(rows, area_.firstRow); row != rows.end() && row->row <= area_.lastRow; ++row) {
        double height = textwidth::lineHeightPoints(
            row->hasStyle ? styles.cellFormat(row->style).font : standard);
        for (const auto& cell : row->cells) {
            if (insideMerge(sheet_->mergedAreas(), row->row, cell.column)) continue;
            const CellFormatInfo& format = styles.cellFormat(cell.style);
            int64_t lines = 1;
            if (format.wrapText && cell.kind != CellKind::Empty) {
                const ColumnInfo* info = store.findColumn(cell.column);
                double columnChars = info && info->width >= 0 ? info->width : sheet_->defaultColumnWidth();
                double room = std::max(1.0, textwidth::pixelsForColumnWidth(columnChars, standard));
                lines = 0;
                metrics(cell.style).forEachLine(renderer.text(cell, scratch), [&](double pixels) {
                    lines += std::max<int64_t>(1, static_cast<int64_t>(std::ceil(pixels / room)));
                });
            }
            height = std::max(height, static_cast<double>(lines) * textwidth::lineHeightPoints(format.font));
        }
        height = std::clamp(height, 0.0, kMaxRowHeight);
        row->customHeight = false;
        row->height = std::abs(height - standardHeight) < 1e-9 ? -1 : height;
    }
}

std::string RangeFont::name() const { return range_.topLeftFormat().font.name; }

void RangeFont::setName(const std::string& name) {
    if (com::trimBlanks(name).empty()) com::throwHostError("Unable to set the Name property of the Font class: the name is empty.");
    StyleChange change;
    change.fontName = name;
    range_.applyStyle(change);
}

std::string RangeFont::fontStyle() const {
    const FontInfo& font = range_.topLeftFormat().font;
    if (font.bold && font.italic) return "Bold Italic";
    if (font.bold) return "Bold";
    if (font.italic) return "Italic";
    return "Regular";
}

void RangeFont::setFontStyle(const std::string& style) {
    std::string upper = com::upperCase(style);
    auto mentions = [&](std::initializer_list<const char*> words) {
        return std::any_of(words.begin(), words.end(), [&](const char* w) { return upper.find(w) != std::string::npos; });
    };
    // Templates made under other languages name the styles in them: Chinese (常规, 粗体, 加粗,
    // 倾斜) and Japanese (標準, 太字, 斜体).
    bool bold = mentions({"BOLD", "粗体", "加粗", "太字"});
    bool italic = mentions({"ITALIC", "OBLIQUE", "倾斜", "斜体"});
    bool regular = mentions({"REGULAR", "NORMAL", "常规", "標準"});
    if (!bold && !italic && !regular)
        com::throwHostError("Unable to set the FontStyle property of the Font class: \"" + style +
                            "\" is not Regular, Bold, Italic or Bold Italic.");
    StyleChange change;
    change.bold = bold;
    change.italic = italic;
    range_.applyStyle(change);
}

double RangeFont::size() const { return range_.topLeftFormat().font.size; }

void RangeFont::setSize(double points) {
    if (!(points >= kMinFontSize && points <= kMaxFontSize))
        com::throwHostError("Unable to set the Size property of the Font class: " + com::formatGeneralNumber(points) +
                            " is outside 1 to 409 points.");
    StyleChange change;
    change.fontSize = points;
    range_.applyStyle(change);
}

bool RangeFont::bold() const { return range_.topLeftFormat().font.bold; }

void RangeFont::setBold(bool bold) {
    StyleChange change;
    change.bold = bold;
    range_.applyStyle(change);
}

}  // namespace tavlora::host
