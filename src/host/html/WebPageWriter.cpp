#include "host/html/WebPageWriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <queue>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/Ascii.h"
#include "base/AtomicFile.h"
#include "base/Utf8.h"
#include "com/Error.h"
#include "host/cells/CellStore.h"
#include "host/chart/ChartAnchor.h"
#include "host/chart/ChartModel.h"
#include "host/chart/ChartSheet.h"
#include "host/chart/EmbeddedChart.h"
#include "host/format/CellLooks.h"
#include "host/format/NumberFormat.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/html/ChartSvg.h"
#include "host/html/DataUrl.h"
#include "host/html/HtmlText.h"

namespace tavlora::host::html {

namespace {

// ---------------------------------------------------------------------------------------------
// Text output

// Collects the page in pieces and hands them to the file in blocks, so the page never exists
// whole in memory.
class PageOutput {
public:
    explicit PageOutput(base::AtomicFile& file) : file_(file) { buffer_.reserve(kBlock + 4096); }

    PageOutput& operator<<(std::string_view text) {
        buffer_ += text;
        if (buffer_.size() >= kBlock) flush();
        return *this;
    }
    PageOutput& operator<<(int64_t number) {
        std::array<char, 24> digits{};
        auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), number);
        return *this << std::string_view(digits.data(), static_cast<size_t>(end - digits.data()));
    }

    // Workbook text as HTML character data or attribute value (see appendHtmlText).
    void escaped(std::string_view text);

    void flush() {
        file_.write(buffer_);
        buffer_.clear();
    }

private:
    static constexpr size_t kBlock = 1 << 16;
    base::AtomicFile& file_;
    std::string buffer_;
};

void PageOutput::escaped(std::string_view text) {
    appendHtmlText(buffer_, text);
    if (buffer_.size() >= kBlock) flush();
}

// A font name as a CSS string: everything but letters, digits and blanks as a CSS escape, so a
// name can never close the string or the style element.
std::string cssString(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (base::isAsciiAlphanumeric(c) || c == ' ') {
            out += c;
            ++i;
        } else if (static_cast<unsigned char>(c) >= 0x80) {
            i += base::appendValidUtf8At(out, text, i);  // harmless inside a CSS string once well-formed
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\%x ", static_cast<unsigned char>(c));
            out += escape;
            ++i;
        }
    }
    out += '"';
    return out;
}

// A length for CSS with at most two decimals ("15", "12.75").
std::string cssNumber(double value) {
    if (!std::isfinite(value) || value < 0) value = 0;
    value = std::round(value * 100) / 100;
    std::array<char, 32> digits{};
    auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed);
    return std::string(digits.data(), static_cast<size_t>(end - digits.data()));
}

// ---------------------------------------------------------------------------------------------
// Cell formats

// A font as CSS: its name, then a free font with the same metrics where one is common, so that
// columns sized for the font hold their text on a machine without it.
std::string fontStack(std::string_view name) {
    static constexpr std::pair<std::string_view, std::string_view> kSameMetrics[] = {
        {"Calibri", "Carlito"},
        {"Cambria", "Caladea"},
        {"Arial", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    std::string stack = cssString(name);
    for (const auto& [font, substitute] : kSameMetrics)
        if (base::asciiLower(name) == base::asciiLower(font)) stack += "," + cssString(substitute);
    return stack + ",sans-serif";
}

const char* horizontalCss(int32_t alignment) {
    switch (alignment) {
    case align::kLeft:
    case align::kFill: return "left";
    case align::kCenter:
    case align::kCenterAcrossSelection: return "center";
    case align::kRight: return "right";
    case align::kJustify:
    case align::kDistributed: return "justify";
    default: return nullptr;  // General: by the kind of value
    }
}

const char* verticalCss(int32_t alignment) {
    switch (alignment) {
    case align::kTop: return "top";
    case align::kCenter:
    case align::kJustify:
    case align::kDistributed: return "middle";
    default: return "bottom";
    }
}

std::string cssColor(uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

// A border line as CSS width, style and colour; the dashes of the application come out as CSS's
// nearest (dash-dot as dashed, slanted as dashed). Automatic colour is black.
std::string borderCss(const BorderLine& line, const ThemeColors& theme) {
    static constexpr std::pair<std::string_view, std::string_view> kLines[] = {
        {"thin", "1px solid"},           {"hair", "1px dotted"},          {"dotted", "1px dotted"},
        {"dashed", "1px dashed"},        {"dashDot", "1px dashed"},       {"dashDotDot", "1px dashed"},
        {"medium", "2px solid"},         {"mediumDashed", "2px dashed"},  {"mediumDashDot", "2px dashed"},
        {"mediumDashDotDot", "2px dashed"}, {"slantDashDot", "2px dashed"}, {"thick", "3px solid"},
        {"double", "3px double"}};
    for (const auto& [name, css] : kLines)
        if (line.style == name) return std::string(css) + " " + cssColor(resolveColor(line.color, theme).value_or(0));
    return "";
}

// What the look adds to a format's declarations: fill, text colour and lines, borders per side.
std::string lookDeclarations(const CellLook& look, const ThemeColors& theme) {
    std::string css;
    if (auto fill = resolveColor(look.fill, theme)) css += ";background-color:" + cssColor(*fill);
    // Black text is the page's own colour.
    if (auto color = resolveColor(look.fontColor, theme); color && *color != 0) css += ";color:" + cssColor(*color);
    if (!look.underline.empty() || look.strike) {
        css += ";text-decoration:";
        if (!look.underline.empty()) css += look.underline.starts_with("double") ? "underline double" : "underline";
        if (look.strike) css += look.underline.empty() ? "line-through" : " line-through";
    }
    const std::pair<const char*, const BorderLine*> sides[] = {
        {"left", &look.left}, {"right", &look.right}, {"top", &look.top}, {"bottom", &look.bottom}};
    for (const auto& [side, line] : sides)
        if (std::string border = borderCss(*line, theme); !border.empty()) css += std::string(";border-") + side + ":" + border;
    return css;
}

// Whether a cell of the look shows something even without a value.
bool paintsCell(const CellLook& look, const ThemeColors& theme) {
    return resolveColor(look.fill, theme) || !borderCss(look.left, theme).empty() ||
           !borderCss(look.right, theme).empty() || !borderCss(look.top, theme).empty() ||
           !borderCss(look.bottom, theme).empty();
}

// The declarations of a cell format, without selector.
std::string cellFormatDeclarations(const CellFormatInfo& format, const CellLook& look, const ThemeColors& theme) {
    std::string css = "font-family:" + fontStack(format.font.name) + ";font-size:" + cssNumber(format.font.size) + "pt";
    if (format.font.bold) css += ";font-weight:bold";
    if (format.font.italic) css += ";font-style:italic";
    if (const char* h = horizontalCss(format.horizontal)) css += std::string(";text-align:") + h;
    css += std::string(";vertical-align:") + verticalCss(format.vertical);
    if (format.wrapText) css += ";white-space:pre-wrap;overflow:hidden";
    return css + lookDeclarations(look, theme);
}

// What the page needs of the cell formats: one CSS class per distinct look among the formats the
// shown cells use, and each format's number format, parsed once.
class CellFormats {
public:
    CellFormats(const Styles& styles, const std::vector<const Worksheet*>& sheets, const ThemeColors& theme)
        : styles_(styles), numberFormats_(std::max<uint32_t>(styles.cellFormatCount(), 1)),
          classes_(numberFormats_.size(), -1), paints_(numberFormats_.size(), false) {
        std::unordered_map<std::string, int32_t> classOfLook;
        const CellLooks looks(styles.toXml());
        for (const Worksheet* sheet : sheets)
            for (const auto& row : sheet->store().rows())
                for (const auto& cell : row.cells) {
                    uint32_t xf = index(cell.style);
                    if (classes_[xf] >= 0) continue;
                    const CellLook& cellLook = looks.of(xf);
                    paints_[xf] = paintsCell(cellLook, theme);
                    std::string look = cellFormatDeclarations(styles.cellFormat(xf), cellLook, theme);
                    auto [entry, added] = classOfLook.emplace(look, static_cast<int32_t>(classOfLook.size()));
                    classes_[xf] = entry->second;
                    // As specific as the rule that aligns numbers right and later, so that an
                    // alignment the format sets wins over the one by the kind of value.
                    if (!added) continue;
                    std::string name = "td.f" + std::to_string(entry->second);
                    css_ += "table.sheet " + name + "{" + look + "}\n";
                    // A frozen row's cells are white unless their format fills them.
                    if (auto fill = resolveColor(cellLook.fill, theme))
                        css_ += "table.sheet tr.fz " + name + "{background-color:" + cssColor(*fill) + "}\n";
                }
    }

    // CSS rules for the classes, one a line.
    const std::string& css() const { return css_; }
    // The class of a format a shown cell uses ("f<n>").
    int64_t classOf(uint32_t xf) const { return std::max(classes_[index(xf)], 0); }
    // Whether a cell of the format shows a fill or a border, so it is drawn even when empty.
    bool paints(uint32_t xf) const { return paints_[index(xf)]; }

    const NumberFormat& numberFormat(uint32_t xf) {
        auto& slot = numberFormats_[index(xf)];
        if (!slot) slot = std::make_unique<NumberFormat>(styles_.cellFormat(index(xf)).numberFormat);
        return *slot;
    }

private:
    // A damaged file may name a format that does not exist: the default one stands in.
    uint32_t index(uint32_t xf) const { return xf < numberFormats_.size() ? xf : 0; }

    const Styles& styles_;
    std::vector<std::unique_ptr<NumberFormat>> numberFormats_;
    std::vector<int32_t> classes_;  // -1 = no shown cell uses it
    std::vector<bool> paints_;
    std::string css_;
};

// ---------------------------------------------------------------------------------------------
// Worksheet layout

bool cellShows(const Cell& cell) { return cell.kind != CellKind::Empty; }

Area intersection(const Area& a, const Area& b) {
    return {std::max(a.firstRow, b.firstRow), std::max(a.firstColumn, b.firstColumn), std::min(a.lastRow, b.lastRow),
            std::min(a.lastColumn, b.lastColumn)};
}
bool isEmptyArea(const Area& a) { return a.firstRow > a.lastRow || a.firstColumn > a.lastColumn; }
bool intersects(const Area& a, const Area& b) { return !isEmptyArea(intersection(a, b)); }

// Merged areas sorted by first row and column, without overlaps (a damaged file may have them;
// the first one wins) and without single cells.
std::vector<Area> disjointMerges(std::vector<Area> merges) {
    std::erase_if(merges, [](const Area& m) {
        return isEmptyArea(m) || m.firstRow < 1 || m.firstColumn < 1 || m.cellCount() < 2;
    });
    std::sort(merges.begin(), merges.end(), [](const Area& a, const Area& b) {
        return a.firstRow != b.firstRow ? a.firstRow < b.firstRow : a.firstColumn < b.firstColumn;
    });
    // Kept areas that reach the current row are column-disjoint: a map by first column finds an
    // overlap in logarithmic time.
    std::vector<Area> kept;
    std::map<int32_t, Area> reaching;
    using Ending = std::pair<int32_t, int32_t>;  // last row, first column
    std::priority_queue<Ending, std::vector<Ending>, std::greater<>> endings;
    for (const Area& m : merges) {
        while (!endings.empty() && endings.top().first < m.firstRow) {
            reaching.erase(endings.top().second);
            endings.pop();
        }
        auto next = reaching.lower_bound(m.firstColumn);
        bool overlaps = next != reaching.end() && next->first <= m.lastColumn;
        if (!overlaps && next != reaching.begin()) overlaps = std::prev(next)->second.lastColumn >= m.firstColumn;
        if (overlaps) continue;
        kept.push_back(m);
        reaching.emplace(m.firstColumn, m);
        endings.emplace(m.lastRow, m.firstColumn);
    }
    return kept;
}

struct SheetLayout {
    Area area;
    std::vector<Area> merges;  // inside `area`, sorted by first row
};

// The used range, grown to hold the merged areas that reach into it and the top-left corners of
// the charts and pictures over it, so that none of them starts before the table.
std::optional<SheetLayout> layoutOf(const Worksheet& sheet, const std::vector<ChartAnchor>& anchors) {
    SheetLayout layout;
    bool used = sheet.store().usedArea(layout.area);
    for (const ChartAnchor& anchor : anchors) {
        if (anchor.kind == ChartAnchor::Kind::Absolute) continue;
        const Area corner = Area::cell(anchor.from.row + 1, anchor.from.column + 1);
        if (!used) {
            layout.area = corner;
            used = true;
            continue;
        }
        layout.area.firstRow = std::min(layout.area.firstRow, corner.firstRow);
        layout.area.firstColumn = std::min(layout.area.firstColumn, corner.firstColumn);
    }
    if (!used) return std::nullopt;
    auto merges = disjointMerges(sheet.mergedAreas());
    const Area cells = layout.area;
    for (const Area& m : merges) {
        if (!intersects(m, cells)) continue;
        layout.area.firstRow = std::min(layout.area.firstRow, m.firstRow);
        layout.area.firstColumn = std::min(layout.area.firstColumn, m.firstColumn);
        layout.area.lastRow = std::max(layout.area.lastRow, m.lastRow);
        layout.area.lastColumn = std::max(layout.area.lastColumn, m.lastColumn);
    }
    for (const Area& m : merges) {
        Area clipped = intersection(m, layout.area);
        if (!isEmptyArea(clipped) && clipped.cellCount() > 1) layout.merges.push_back(clipped);
    }
    return layout;
}

// The widest column the application allows, in characters; wider widths in a file are taken as it.
constexpr double kMaxColumnWidth = 255;

// Column width in characters as pixels, as the application shows them at 100 %.
int64_t columnPixels(double characters) {
    if (!(characters > 0)) characters = 0;  // also NaN
    return std::llround(std::min(characters, kMaxColumnWidth) * 7 + 5);
}

// ---------------------------------------------------------------------------------------------
// Worksheets

class WorksheetWriter {
public:
    WorksheetWriter(PageOutput& out, const Worksheet& sheet, CellFormats& formats, bool date1904,
                    const SheetExtras& extras)
        : out_(out), sheet_(sheet), store_(sheet.workbookStore()), formats_(formats), date1904_(date1904),
          frozenRows_(extras.frozenRows), gridLines_(extras.showGridLines) {}

    void write(const SheetLayout& layout) {
        layout_ = &layout;
        const Area& area = layout.area;
        out_ << (gridLines_ ? "<table class=\"sheet\"" : "<table class=\"sheet nogrid\"");
        writeColumns(area);
        const auto& rows = sheet_.store().rows();
        auto row = std::lower_bound(rows.begin(), rows.end(), area.firstRow,
                                    [](const RowInfo& info, int32_t r) { return info.row < r; });
        auto rowAt = [&](int32_t r) -> const RowInfo* {
            while (row != rows.end() && row->row < r) ++row;
            return row != rows.end() && row->row == r ? &*row : nullptr;
        };
        size_t nextMerge = 0;
        for (int32_t r = area.firstRow; r <= area.lastRow;) {
            bool mergeStarts = false;
            while (nextMerge < layout.merges.size() && layout.merges[nextMerge].firstRow == r) {
                const Area& m = layout.merges[nextMerge++];
                activate(m);
                mergeStarts = true;
            }
            retireMergesBefore(r);
            const RowInfo* info = rowAt(r);
            bool shows = showsCells(info);
            if (active_.empty() && !shows) {
                int32_t end = area.lastRow;
                if (nextMerge < layout.merges.size()) end = std::min(end, layout.merges[nextMerge].firstRow - 1);
                r = writeBlankRows(r, end, rows, row);
                continue;
            }
            if (mergeStarts || shows) writeRow(r, info);
            else writeCoveredRow(r, info);
            ++r;
        }
        out_ << "</table>\n";
    }

private:
    // Merged areas come and go through a queue of their last rows, so that a row costs nothing
    // per merged area that merely passes through it.
    void activate(const Area& m) {
        active_.emplace(m.firstColumn, m);
        endings_.emplace(m.lastRow, m.firstColumn);
        uncoveredCells_.reset();
    }

    void retireMergesBefore(int32_t r) {
        while (!endings_.empty() && endings_.top().first < r) {
            active_.erase(endings_.top().second);
            endings_.pop();
            uncoveredCells_.reset();
        }
    }

    // A row where no merged area starts and no cell shows: the empty cells between the merged
    // areas passing through, the same for every such row until the areas change.
    void writeCoveredRow(int32_t r, const RowInfo* info) {
        writeRowStart(r, info);
        if (!uncoveredCells_) {
            uncoveredCells_.emplace();
            const Area& area = layout_->area;
            int32_t c = area.firstColumn;
            for (const auto& [first, m] : active_) {
                if (first > c) appendEmptyCells(*uncoveredCells_, first - c);
                c = m.lastColumn + 1;
            }
            if (c <= area.lastColumn) appendEmptyCells(*uncoveredCells_, area.lastColumn + 1 - c);
        }
        out_ << *uncoveredCells_ << "</tr>\n";
    }

    static void appendEmptyCells(std::string& out, int32_t count) {
        out += "<td";
        if (count > 1) out += " colspan=\"" + std::to_string(count) + "\"";
        out += "></td>";
    }

    // <colgroup> with one <col> per run of equal columns; also closes the <table> tag with the
    // table's width, so that fixed layout keeps the widths.
    void writeColumns(const Area& area) {
        const auto& columns = sheet_.store().columns();
        struct Run {
            int32_t count;
            int64_t pixels;
            bool hidden;
        };
        std::vector<Run> runs;
        int64_t total = 0;
        auto entry = columns.begin();
        for (int32_t c = area.firstColumn; c <= area.lastColumn;) {
            while (entry != columns.end() && entry->last < c) ++entry;
            int32_t end = area.lastColumn;
            double width = sheet_.defaultColumnWidth();
            bool hidden = false;
            if (entry != columns.end() && entry->first <= c) {
                end = std::min(end, entry->last);
                if (entry->width >= 0) width = entry->width;
                hidden = entry->hidden;
            } else if (entry != columns.end()) {
                end = std::min(end, entry->first - 1);
            }
            int64_t pixels = hidden ? 0 : columnPixels(width);
            int32_t count = end - c + 1;
            total += pixels * count;
            if (!runs.empty() && runs.back().pixels == pixels && runs.back().hidden == hidden) runs.back().count += count;
            else runs.push_back({count, pixels, hidden});
            c = end + 1;
        }
        out_ << " style=\"width:" << total << "px\">\n<colgroup>";
        for (const Run& run : runs) {
            out_ << "<col";
            if (run.count > 1) out_ << " span=\"" << int64_t{run.count} << "\"";
            out_ << " style=\"width:" << run.pixels << "px";
            if (run.hidden) out_ << ";visibility:collapse";
            out_ << "\">";
        }
        out_ << "</colgroup>\n";
    }

    // A frozen row's cells stick below the frozen rows above them while the page scrolls.
    void writeRowStart(int32_t r, const RowInfo* info) {
        double height = info && info->height >= 0 ? info->height : sheet_.defaultRowHeight();
        bool hidden = info && info->hidden;
        out_ << "<tr";
        if (r <= frozenRows_ && !hidden) out_ << " class=\"fz\"";
        out_ << " style=\"height:" << cssNumber(height) << "pt";
        if (hidden) out_ << ";display:none";
        else if (r <= frozenRows_) out_ << ";--fz:" << cssNumber(frozenTop_) << "pt";
        out_ << "\">";
        if (!hidden) frozenTop_ += height;
    }

    void writeRow(int32_t r, const RowInfo* info) {
        writeRowStart(r, info);
        const Area& area = layout_->area;
        std::span<const Cell> cells;
        if (info) cells = info->cells;
        size_t next = 0;
        auto merge = active_.begin();
        for (int32_t c = area.firstColumn; c <= area.lastColumn;) {
            while (merge != active_.end() && merge->second.lastColumn < c) ++merge;
            while (next < cells.size() && cells[next].column < c) ++next;
            const Cell* stored = next < cells.size() && cells[next].column == c ? &cells[next] : nullptr;
            if (merge != active_.end() && merge->first <= c) {
                const Area& m = merge->second;
                if (m.firstRow == r && m.firstColumn == c) writeCell(stored, m, false);
                c = m.lastColumn + 1;
                continue;
            }
            int32_t mergeStart = merge != active_.end() ? merge->first : area.lastColumn + 1;
            if (stored && drawn(*stored)) {
                // A text runs on over empty cells, filled or not, as far as the next value.
                bool spills = cellShows(*stored) && std::min(nextColumn(cells, next + 1, cellShows), mergeStart) > c + 1;
                writeCell(stored, Area::cell(r, c), spills);
                ++c;
                continue;
            }
            int32_t nextDrawn = nextColumn(cells, stored ? next + 1 : next, [this](const Cell& cell) { return drawn(cell); });
            int32_t runEnd = std::min({nextDrawn, mergeStart, area.lastColumn + 1});
            std::string empty;
            appendEmptyCells(empty, runEnd - c);
            out_ << empty;
            c = runEnd;
        }
        out_ << "</tr>\n";
    }

    // A cell is drawn on its own when it has a value or its format paints it.
    bool drawn(const Cell& cell) const { return cellShows(cell) || formats_.paints(cell.style); }

    // The column of the first cell from `from` on that `matches`; past the table if none.
    template <typename Matches>
    int32_t nextColumn(std::span<const Cell> cells, size_t from, Matches matches) const {
        while (from < cells.size() && !matches(cells[from])) ++from;
        return from < cells.size() ? cells[from].column : layout_->area.lastColumn + 1;
    }

    bool showsCells(const RowInfo* info) const {
        if (!info) return false;
        const Area& area = layout_->area;
        return std::any_of(info->cells.begin(), info->cells.end(), [&](const Cell& cell) {
            return drawn(cell) && cell.column >= area.firstColumn && cell.column <= area.lastColumn;
        });
    }

    // Rows first.. up to `last` that show nothing become one row of their total height, so empty
    // stretches cost nothing per row. Returns the first row not written.
    int32_t writeBlankRows(int32_t first, int32_t last, const RowList& rows, RowList::const_iterator& row) {
        double height = 0;
        int32_t r = first;
        while (r <= last) {
            while (row != rows.end() && row->row < r) ++row;
            int32_t nextStored = row != rows.end() ? row->row : last + 1;
            if (nextStored > r) {  // rows without an entry of their own have the default height
                int32_t gapEnd = std::min(nextStored, last + 1);
                height += sheet_.defaultRowHeight() * (gapEnd - r);
                r = gapEnd;
                continue;
            }
            if (showsCells(&*row)) break;
            if (!row->hidden) height += row->height >= 0 ? row->height : sheet_.defaultRowHeight();
            ++r;
        }
        frozenTop_ += height;
        out_ << "<tr style=\"";
        if (height > 0) out_ << "height:" << cssNumber(height) << "pt";
        else out_ << "display:none";
        out_ << "\"><td";
        if (layout_->area.columnCount() > 1) out_ << " colspan=\"" << layout_->area.columnCount() << "\"";
        out_ << "></td></tr>\n";
        return r;
    }

    // `spills`: the cell's neighbour to the right is empty, so a long text may run into it.
    void writeCell(const Cell* cell, const Area& span, bool spills) {
        out_ << "<td";
        if (span.columnCount() > 1) out_ << " colspan=\"" << span.columnCount() << "\"";
        if (span.rowCount() > 1) out_ << " rowspan=\"" << span.rowCount() << "\"";
        if (!cell) {
            out_ << "></td>";
            return;
        }
        CellKind kind = cell->kind;
        if (kind == CellKind::Formula) kind = formulaOf(*cell).cachedKind;
        out_ << " class=\"f" << formats_.classOf(cell->style);
        if (kind == CellKind::Number) out_ << " n";
        if (kind == CellKind::Boolean || kind == CellKind::Error) out_ << " c";
        if (kind == CellKind::String && spills) out_ << " o";
        out_ << "\">";
        out_.escaped(displayedText(*cell));
        out_ << "</td>";
    }

    const Formula& formulaOf(const Cell& cell) const {
        static const Formula kNone;
        const auto& formulas = sheet_.store().formulas();
        return cell.payload.formulaId < formulas.size() ? formulas[cell.payload.formulaId] : kNone;
    }

    std::string_view poolText(uint32_t id) const {
        return id < store_.strings.size() ? std::string_view(store_.strings.text(id)) : std::string_view();
    }

    std::string displayedText(const Cell& cell) {
        if (auto error = sheet_.errorTextOf(cell)) return std::string(*error);
        const NumberFormat& format = formats_.numberFormat(cell.style);
        switch (cell.kind) {
        case CellKind::Number: return format.formatNumber(cell.payload.number, date1904_);
        case CellKind::String: return format.formatText(poolText(cell.payload.stringId));
        case CellKind::Boolean: return cell.payload.boolean ? "TRUE" : "FALSE";
        case CellKind::Formula: {
            const Formula& f = formulaOf(cell);
            switch (f.cachedKind) {
            case CellKind::Number: return format.formatNumber(f.cachedNumber, date1904_);
            case CellKind::String: return format.formatText(f.cachedText());
            case CellKind::Boolean: return f.cachedNumber != 0 ? "TRUE" : "FALSE";
            default: return "";
            }
        }
        case CellKind::Error:  // shown above
        case CellKind::Empty: break;
        }
        return "";
    }

    PageOutput& out_;
    const Worksheet& sheet_;
    const WorkbookStore& store_;
    CellFormats& formats_;
    bool date1904_;
    int32_t frozenRows_;
    bool gridLines_;
    double frozenTop_ = 0;  // points from the table's top to the next row
    const SheetLayout* layout_ = nullptr;
    std::map<int32_t, Area> active_;  // merged areas reaching the current row, by first column
    using Ending = std::pair<int32_t, int32_t>;  // last row, first column
    std::priority_queue<Ending, std::vector<Ending>, std::greater<>> endings_;
    std::optional<std::string> uncoveredCells_;  // of a covered row, while active_ stays the same
};

// ---------------------------------------------------------------------------------------------
// Chart sheets

// Charts are drawn as inline SVG, so that the page stays self-contained.
constexpr std::string_view kChartBox = "<div class=\"chart\" style=\"display:inline-block;margin:0 12px 12px 0;vertical-align:top\">";
constexpr double kChartSheetWidth = 720;  // CSS pixels
constexpr double kChartSheetHeight = 480;
constexpr double kPixelsPerPoint = 4.0 / 3.0;

// The body that stands for a chart sheet: its chart, or a caption naming a sheet without one.
void writeChartSheetBody(PageOutput& out, const ChartSheet& sheet, const PageExtras& extras) {
    if (const auto& chart = sheet.chartModel()) {
        out << kChartBox
            << chartSvg(*chart, kChartSheetWidth, kChartSheetHeight, extras.reversedCategories.contains(chart.get()))
            << "</div>\n";
        return;
    }
    out << "<p class=\"chart\">Chart sheet: ";
    out.escaped(sheet.name());
    out << "</p>\n";
}

// A chart or picture over a worksheet's cells, in CSS pixels from the table's top-left corner.
struct Float {
    PointRect place;
    const EmbeddedChart* chart = nullptr;
    const PagePicture* picture = nullptr;
};

std::vector<ChartAnchor> anchorsOf(const Worksheet& sheet, const SheetExtras& extras) {
    std::vector<ChartAnchor> anchors;
    for (const auto& object : sheet.chartObjects()) anchors.push_back(static_cast<const EmbeddedChart&>(*object).anchor());
    for (const PagePicture& picture : extras.pictures) anchors.push_back(picture.anchor);
    return anchors;
}

// Where the anchor lies from the cell the table starts at; nothing lies before it (the layout
// grew to hold every anchored corner, an absolute anchor is kept inside).
PointRect placeOverTable(const Worksheet& sheet, const ChartAnchor& anchor, const Area& table) {
    ChartAnchor corner;
    corner.kind = ChartAnchor::Kind::OneCell;
    corner.from = AnchorMarker{table.firstColumn - 1, 0, table.firstRow - 1, 0};
    PointRect origin = anchorRect(sheet, corner), rect = anchorRect(sheet, anchor);
    return {std::max(0.0, rect.left - origin.left) * kPixelsPerPoint, std::max(0.0, rect.top - origin.top) * kPixelsPerPoint,
            rect.width * kPixelsPerPoint, rect.height * kPixelsPerPoint};
}

std::vector<Float> floatsOf(const Worksheet& sheet, const SheetExtras& extras, const Area& table) {
    std::vector<Float> floats;
    for (const auto& object : sheet.chartObjects()) {
        const auto& chart = static_cast<const EmbeddedChart&>(*object);
        floats.push_back({placeOverTable(sheet, chart.anchor(), table), &chart, nullptr});
    }
    for (const PagePicture& picture : extras.pictures)
        floats.push_back({placeOverTable(sheet, picture.anchor, table), nullptr, &picture});
    return floats;
}

void writeFloatStyle(PageOutput& out, const PointRect& place) {
    out << "style=\"left:" << cssNumber(place.left) << "px;top:" << cssNumber(place.top) << "px;width:"
        << cssNumber(place.width) << "px;height:" << cssNumber(place.height) << "px\"";
}

void writeFloat(PageOutput& out, const Float& f, const PageExtras& extras) {
    if (f.chart) {
        const ChartModel& model = *f.chart->model();
        out << "<div class=\"chart float\" ";
        writeFloatStyle(out, f.place);
        out << ">" << chartSvg(model, f.place.width, f.place.height, extras.reversedCategories.contains(&model))
            << "</div>\n";
        return;
    }
    out << "<img class=\"float\" ";
    writeFloatStyle(out, f.place);
    out << " alt=\"";
    out.escaped(f.picture->description);
    out << "\" src=\"";
    out.escaped(dataUrl(f.picture->mediaType, f.picture->bytes));
    out << "\">\n";
}

// The sheet's cells with its charts and pictures over them, in a block as large as both.
void writeWorksheetBody(PageOutput& out, const Worksheet& sheet, const PageExtras& page, const SheetExtras& extras,
                        CellFormats& formats, bool date1904) {
    auto layout = layoutOf(sheet, anchorsOf(sheet, extras));
    std::vector<Float> floats = layout ? floatsOf(sheet, extras, layout->area) : std::vector<Float>{};
    double right = 0, bottom = 0;
    for (const Float& f : floats) {
        right = std::max(right, f.place.left + f.place.width);
        bottom = std::max(bottom, f.place.top + f.place.height);
    }
    out << "<div class=\"sheet-block\" style=\"min-width:" << cssNumber(right) << "px;min-height:" << cssNumber(bottom)
        << "px\">\n";
    if (layout) WorksheetWriter(out, sheet, formats, date1904, extras).write(*layout);
    else out << "<table class=\"sheet\"></table>\n";
    for (const Float& f : floats) writeFloat(out, f, page);
    out << "</div>\n";
}

// ---------------------------------------------------------------------------------------------
// The page

constexpr std::string_view kBaseCss =
    "body{font-family:Calibri,Carlito,Arial,sans-serif;font-size:11pt;margin:16px;color:#000;background:#fff}\n"
    "h2{font-size:13pt;margin:24px 0 8px}\n"
    "div.sheet-block{position:relative}\n"
    ".float{position:absolute;z-index:2}\n"
    "table.sheet{border-collapse:collapse;table-layout:fixed}\n"
    // Gridlines are inset, the weakest style, so that where cells share an edge any border a
    // format draws wins over the neighbour's gridline.
    "table.sheet td{padding:0 3px;border:1px inset #e0e0e0;white-space:nowrap;overflow:hidden;"
    "vertical-align:bottom}\n"
    "table.sheet.nogrid td{border:0 none}\n"
    "table.sheet td.n{text-align:right}\n"
    "table.sheet td.c{text-align:center}\n"
    "table.sheet td.o{overflow:visible}\n"
    "table.sheet tr.fz td{position:sticky;top:var(--fz);z-index:1;background:#fff}\n"
    "p.chart{border:1px dashed #999;padding:24px;color:#555}\n"
    // Printed, every sheet starts a page under its own name; frozen rows print where they stand.
    "@media print{body{margin:0}section.sheet-page{break-after:page}section.sheet-page:last-child{break-after:auto}"
    "h2{margin:0 0 8px}table.sheet tr.fz td{position:static}}\n";

bool isShown(const Sheet& sheet) { return sheet.visibility() == SheetVisibility::Visible; }

// The title the page shows: the workbook's title property, else the page's own file name (not
// the template's the workbook was made from).
std::string pageTitle(const PageExtras& extras, const std::string& path) {
    if (!extras.title.empty()) return extras.title;
    return std::filesystem::path(path).stem().string();
}

void writeHead(PageOutput& out, const std::string& title, const CellFormats& formats) {
    out << "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
           // Nothing but the page's own styles may load or run, whatever a workbook holds.
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
           "img-src data:\">\n"
           "<title>";
    out.escaped(title);
    out << "</title>\n<style>\n" << kBaseCss;
    out << formats.css() << "</style>\n</head>\n<body>\n";
}

void writePage(const Workbook& workbook, const std::string& path, const PageExtras& extras, const base::FileSync& sync) {
    std::vector<const Worksheet*> worksheets;
    for (const auto& sheet : workbook.sheets())
        if (isShown(*sheet) && sheet->kind() == SheetKind::Worksheet)
            worksheets.push_back(static_cast<const Worksheet*>(sheet.get()));

    const Styles& styles = workbook.sharedStore()->styles;
    CellFormats formats(styles, worksheets, extras.themeColors);
    base::AtomicFile file(path, sync);
    PageOutput out(file);
    writeHead(out, pageTitle(extras, path), formats);
    static const SheetExtras kNoExtras;
    int64_t index = 0;
    for (const auto& sheet : workbook.sheets()) {
        if (!isShown(*sheet)) continue;
        ++index;
        out << "<section class=\"sheet-page\">\n<h2 id=\"sheet" << index << "\">";
        out.escaped(sheet->name());
        out << "</h2>\n";
        if (sheet->kind() == SheetKind::ChartSheet) {
            writeChartSheetBody(out, static_cast<const ChartSheet&>(*sheet), extras);
        } else {
            const auto& worksheet = static_cast<const Worksheet&>(*sheet);
            auto found = extras.sheets.find(&worksheet);
            writeWorksheetBody(out, worksheet, extras, found != extras.sheets.end() ? found->second : kNoExtras,
                               formats, styles.uses1904Dates());
        }
        out << "</section>\n";
    }
    out << "</body>\n</html>\n";
    out.flush();
    file.commit();
}

}  // namespace

void writeWebPage(const Workbook& workbook, const std::string& path, const PageExtras& extras,
                  const base::FileSync& sync) {
    try {
        writePage(workbook, path, extras, sync);
    } catch (const base::FileError& error) {
        com::throwHostError("Cannot save '" + path + "': " + error.what());
    }
}

}  // namespace tavlora::host::html
